#include "EngineFixture.h"
#include "LogLines.h"

#include <QFile>

#include <gmock/gmock.h>

#include <sys/stat.h>

using namespace quillet;
using namespace quillet::test;
using ::testing::Contains;
using ::testing::Each;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

const QString LinkOnDrive = QStringLiteral("a link on the drive is not followed");

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// A folder row "docs" tied to "backup/" on a drive someone else prepared, and a private
// folder of the user's outside both.
class HostileDriveTest : public EngineFixture {
protected:
    void SetUp() override {
        storeRow(1, local(QStringLiteral("docs")), QStringLiteral("backup/"));
        files.makeDir(QStringLiteral("local/docs"));
        files.makeDir(QStringLiteral("drive/backup"));
        key = files.write(QStringLiteral("private/id_rsa"), "the user's key", at(8, 0, 0));
        ::chmod(QFile::encodeName(key).constData(), 0600);
    }
    QString l(const QString& rel) const { return local(QStringLiteral("docs/") + rel); }
    QString r(const QString& rel) const { return drive(QStringLiteral("backup/") + rel); }
    QStringList bodyLines() const { return logLines().mid(1, logLines().size() - 2); }
    QString privateFolder() const { return files.path(QStringLiteral("private")); }

    QString key;
};

TEST_F(HostileDriveTest, LinksOnTheDriveAreNeitherReadNorWrittenThrough) {
    // A link to the key, a relative one out of the drive, and a folder link whose name the
    // PC also has: none of them is followed, on any pass.
    ASSERT_TRUE(QFile::link(key, r(QStringLiteral("holiday.jpg"))));
    ASSERT_EQ(::symlink("../../private/id_rsa", r(QStringLiteral("rel.jpg")).toUtf8().constData()),
              0);
    ASSERT_TRUE(QFile::link(privateFolder(), r(QStringLiteral("Photos"))));
    files.write(QStringLiteral("local/docs/Photos/x.jpg"), "photo", at(9, 0, 0));
    files.write(QStringLiteral("local/docs/rel.jpg"), "mine", at(9, 0, 0));
    for (int round = 0; round < 2; ++round) {
        pass();
        EXPECT_FALSE(QFile::exists(l(QStringLiteral("holiday.jpg"))));
        EXPECT_EQ(TestFiles::read(l(QStringLiteral("rel.jpg"))), QByteArray("mine"));
        EXPECT_EQ(TestFiles::tree(privateFolder()), QStringList{QStringLiteral("id_rsa")});
        EXPECT_EQ(TestFiles::read(key), QByteArray("the user's key"));
        EXPECT_EQ(modeOf(key), 0600u);
        for (const char* name : {"holiday.jpg", "rel.jpg", "Photos"})
            EXPECT_THAT(bodyLines(), Contains(r(QLatin1String(name)) + failed(LinkOnDrive)));
        EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Error"));
    }
    // Not even a temporary file was made through the folder link.
    EXPECT_THAT(fs.tempsBeside, Each(Not(StartsWith(privateFolder().toStdString()))));
    EXPECT_THAT(fs.tempsBeside, Each(Not(StartsWith(r(QStringLiteral("Photos")).toStdString()))));
}

TEST_F(HostileDriveTest, AFileItemReachedThroughALinkOnTheDriveFails) {
    ASSERT_TRUE(QFile::link(privateFolder(), drive(QStringLiteral("via"))));
    storeRow(2, files.write(QStringLiteral("local/row.bin"), "mine", at(9, 0, 0)),
             QStringLiteral("via/id_rsa"));
    storeRow(3, files.path(QStringLiteral("local/key.bin")), QStringLiteral("via/id_rsa"));
    storeEndMark(4);
    pass();
    EXPECT_EQ(TestFiles::read(key), QByteArray("the user's key"));
    EXPECT_FALSE(QFile::exists(files.path(QStringLiteral("local/key.bin"))));
    EXPECT_EQ(view.statuses[1].constLast(), QStringLiteral("Error"));
    EXPECT_EQ(view.reasons[1], LinkOnDrive);
    EXPECT_EQ(view.statuses[2].constLast(), QStringLiteral("Error"));
}

TEST_F(HostileDriveTest, NoCopyIsMoreOpenThanItsSource) {
    const mode_t mask = ::umask(022);
    const QString privateFile =
        files.write(QStringLiteral("local/docs/diary.txt"), "d", at(9, 0, 0));
    ::chmod(QFile::encodeName(privateFile).constData(), 0600);
    const QString groupFile = files.write(QStringLiteral("local/docs/team.txt"), "t", at(9, 0, 0));
    ::chmod(QFile::encodeName(groupFile).constData(), 0640);
    const QString openFile = files.write(QStringLiteral("local/docs/open.txt"), "o", at(9, 0, 0));
    ::chmod(QFile::encodeName(openFile).constData(), 0777);
    pass();
    EXPECT_EQ(modeOf(r(QStringLiteral("diary.txt"))), 0600u);
    EXPECT_EQ(modeOf(r(QStringLiteral("team.txt"))), 0640u);
    EXPECT_EQ(modeOf(r(QStringLiteral("open.txt"))), 0644u) << "never more than the default";

    // From a drive whose files all show one mode, a copy gets the default.
    volumes.find(root().toStdString())->fsType = "exfat";
    files.write(QStringLiteral("drive/backup/shown-private.txt"), "s", at(9, 0, 0));
    ::chmod(QFile::encodeName(r(QStringLiteral("shown-private.txt"))).constData(), 0700);
    pass();
    ::umask(mask);
    EXPECT_EQ(modeOf(l(QStringLiteral("shown-private.txt"))), 0644u);
}

} // namespace
