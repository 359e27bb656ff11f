#include "EngineFixture.h"
#include "LogLines.h"
#include "ScopedTranslation.h"
#include "sync/FailureText.h"

#include <QDir>
#include <QFile>

#include <gmock/gmock.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillet;
using namespace quillet::test;
using ::testing::Contains;

namespace {

const QString SameTimeButDiffer = QStringLiteral("both copies have the same time but differ");

// A folder row "docs" tied to "backup/" on the drive, and a file row "single.txt".
class InStepTest : public EngineFixture {
protected:
    void SetUp() override {
        storeRow(1, local(QStringLiteral("docs")), QStringLiteral("backup/"));
        files.makeDir(QStringLiteral("local/docs"));
    }
    void addFileRow() {
        storeRow(2, local(QStringLiteral("single.txt")), QStringLiteral("single.txt"));
    }
    QString l(const QString& rel) const { return local(QStringLiteral("docs/") + rel); }
    QString r(const QString& rel) const { return drive(QStringLiteral("backup/") + rel); }
    QStringList bodyLines() const { return logLines().mid(1, logLines().size() - 2); }
    qsizetype linesWith(const QString& fragment) const {
        return bodyLines().filter(fragment).size();
    }
};

// An editor that saves twice within a second: the second save reaches the drive too.
TEST_F(InStepTest, AChangeInTheSameSecondAsTheLastCopyIsCopied) {
    addFileRow();
    const QString inFolder = files.write(QStringLiteral("local/docs/a.txt"), "first");
    const QString single = files.write(QStringLiteral("local/single.txt"), "first");
    TestFiles::setModified(inFolder, at(9, 0, 0), 100);
    TestFiles::setModified(single, at(9, 0, 0), 100);
    pass();
    ASSERT_EQ(TestFiles::read(r(QStringLiteral("a.txt"))), QByteArray("first"));
    ASSERT_EQ(TestFiles::read(drive(QStringLiteral("single.txt"))), QByteArray("first"));

    for (const QString& path : {inFolder, single}) {
        files.write(QDir(files.path()).relativeFilePath(path), "first, then saved again");
        TestFiles::setModified(path, at(9, 0, 0), 600'000'000);
    }
    pass();
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("a.txt"))), QByteArray("first, then saved again"));
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("single.txt"))),
              QByteArray("first, then saved again"));
    EXPECT_EQ(engine->lastPass().copies, 2);
    pass();
    EXPECT_EQ(engine->lastPass().unchanged, 2) << "and then they are in step";
}

// Where a side keeps only seconds (or 2-second steps), a same-moment change cannot be told
// by its time: with different lengths the pair is never called in step.
TEST_F(InStepTest, EqualTimesWithDifferentLengthsFailAndTouchNothing) {
    volumes.find(root().toStdString())->fsType = "vfat";
    addFileRow();
    files.write(QStringLiteral("local/docs/a.txt"), "short", at(9, 0, 0));
    files.write(QStringLiteral("drive/backup/a.txt"), "longer text", at(9, 0, 1));
    files.write(QStringLiteral("local/single.txt"), "short", at(9, 0, 1));
    files.write(QStringLiteral("drive/single.txt"), "longer text", at(9, 0, 0));
    pass();
    EXPECT_EQ(TestFiles::read(l(QStringLiteral("a.txt"))), QByteArray("short"));
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("a.txt"))), QByteArray("longer text"));
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("single.txt"))), QByteArray("longer text"));
    EXPECT_THAT(bodyLines(), Contains(l(QStringLiteral("a.txt")) + failed(SameTimeButDiffer)));
    EXPECT_THAT(bodyLines(),
                Contains(local(QStringLiteral("single.txt")) + failed(SameTimeButDiffer)));
    EXPECT_EQ(linesWith(NoChanges), 0);
    EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Error"));
    EXPECT_EQ(view.statuses[1].constLast(), QStringLiteral("Error"));
    EXPECT_EQ(engine->lastPass().failures, 2);
    EXPECT_EQ(engine->lastPass().unchanged, 0);
}

// The window and the terminal say why in the user's language; the log stays as it was.
TEST_F(InStepTest, FailuresAreToldInGermanAndLoggedInEnglish) {
    volumes.find(root().toStdString())->fsType = "vfat";
    addFileRow();
    for (const char* name : {"docs/a.txt", "docs/b.txt", "single.txt"}) {
        files.write(QStringLiteral("local/") + QLatin1String(name), "short", at(9, 0, 0));
        files.write(QStringLiteral("drive/") +
                        QString(QLatin1String(name))
                            .replace(QStringLiteral("docs/"), QStringLiteral("backup/")),
                    "longer text", at(9, 0, 1));
    }
    const ScopedTranslation german{QLocale(QLocale::German, QLocale::Germany)};
    pass();
    const QString inGerman =
        QStringLiteral("beide Kopien haben dieselbe Zeit, unterscheiden sich aber");
    // The folder row names its first failed file and says how many failed.
    EXPECT_THAT(view.reasons[0].toStdString(),
                ::testing::MatchesRegex(".*/docs/[ab]\\.txt: " + inGerman.toStdString() +
                                        " \\([0-9] Dateien fehlgeschlagen\\)"));
    EXPECT_EQ(view.reasons[1], inGerman);
    EXPECT_EQ(describe(engine->lastPass().firstReason), inGerman);
    EXPECT_THAT(bodyLines(), Contains(l(QStringLiteral("b.txt")) + failed(SameTimeButDiffer)));
    EXPECT_THAT(bodyLines(),
                Contains(local(QStringLiteral("single.txt")) + failed(SameTimeButDiffer)));
}

// A read-only file whose copy is newer fails; its failure may give it its write permission
// back, but its content stays until the next pass.
TEST_F(InStepTest, AReadOnlyFileIsNotWrittenInThePassThatFoundIt) {
    const QString contract =
        files.write(QStringLiteral("local/docs/contract.txt"), "signed", at(8, 0, 0));
    files.write(QStringLiteral("drive/backup/contract.txt"), "draft", at(9, 0, 0));
    TestFiles::setReadOnly(contract, true);
    pass();
    EXPECT_EQ(TestFiles::read(contract), QByteArray("signed"));
    EXPECT_GE(linesWith(failed(QStringLiteral("read-only file"))), 1);
    EXPECT_EQ(engine->lastPass().copies, 0);
    EXPECT_EQ(engine->lastPass().failures, 1);
    // The next pass does what the README says: the write permission followed the source.
    pass();
    EXPECT_EQ(TestFiles::read(contract), QByteArray("draft"));
}

TEST_F(InStepTest, FoldersLeftOutAreNamedInTheLogEachPass) {
    files.write(QStringLiteral("local/docs/.config/app.ini"), "x", at(8, 0, 0));
    const QString locked = files.makeDir(QStringLiteral("local/docs/locked"));
    files.write(QStringLiteral("local/docs/locked/f.txt"), "x", at(8, 0, 0));
    TestFiles::setReadOnly(locked, true);
    // A read-only folder whose twin on the drive is plain is entered from the drive.
    const QString shared = files.makeDir(QStringLiteral("local/docs/shared"));
    files.makeDir(QStringLiteral("drive/backup/shared"));
    TestFiles::setReadOnly(shared, true);
    for (int round = 0; round < 2; ++round) {
        pass();
        EXPECT_THAT(bodyLines(), Contains(l(QStringLiteral(".config/")) +
                                          QStringLiteral(" - Left out (a hidden folder)")));
        EXPECT_THAT(bodyLines(), Contains(l(QStringLiteral("locked/")) +
                                          QStringLiteral(" - Left out (a read-only folder)")));
        EXPECT_EQ(linesWith(QStringLiteral("shared")), 0);
        EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Synchronized"));
    }
    TestFiles::setReadOnly(locked, false);
    TestFiles::setReadOnly(shared, false);
    EXPECT_EQ(TestFiles::tree(r(QString())), QStringList{QStringLiteral("shared/")});
}

// Makes folders below parent, each named with 200 bytes, until their path is longer than
// the system's limit for a path; returns how many.
int makeDeepFolders(const std::string& parent, std::size_t pathBytes) {
    int fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY);
    const std::string name(200, 'd');
    int depth = 0;
    for (std::size_t length = parent.size(); length < pathBytes; length += name.size() + 1) {
        ::mkdirat(fd, name.c_str(), 0755);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ++depth;
    }
    const int file = ::openat(fd, "deep.txt", O_CREAT | O_WRONLY, 0644);
    ::close(file);
    ::close(fd);
    return depth;
}

// Removes what makeDeepFolders made, which a path is too long to reach.
void removeDeepFolders(int parentFd, const std::string& name) {
    const int fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::unlinkat(fd, "deep.txt", 0);
    removeDeepFolders(fd, std::string(200, 'd'));
    ::close(fd);
    ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
}

TEST_F(InStepTest, AFolderTooDeepToReadFailsWithAReason) {
    files.write(QStringLiteral("local/docs/top.txt"), "top", at(8, 0, 0));
    makeDeepFolders(l(QString()).toStdString(), PATH_MAX + 500);
    pass();
    const int docsFd = ::open(local().toStdString().c_str(), O_RDONLY | O_DIRECTORY);
    const int backupFd = ::open(drive().toStdString().c_str(), O_RDONLY | O_DIRECTORY);
    removeDeepFolders(docsFd, "docs");
    removeDeepFolders(backupFd, "backup");
    ::close(docsFd);
    ::close(backupFd);
    EXPECT_GE(linesWith(failed(QStringLiteral("the path is too long to be read"))), 1);
    EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Error"));
    EXPECT_GE(engine->lastPass().failures, 1);
}

} // namespace
