#include "EngineFixture.h"
#include "LogLines.h"
#include "sync/SyncRecord.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::test;
using ::testing::Contains;

namespace {

// The clock of EngineFixture, as a conflict name shows it.
const QString Stamp = QStringLiteral("2026-01-02 030405");

QString conflictName(const QString& stem, const QString& side, const QString& extension) {
    return stem + QStringLiteral(" (conflict ") + Stamp + QLatin1Char(' ') + side +
           QLatin1Char(')') + extension;
}

// A folder row "docs" tied to "backup/" and a file row "single.txt", both in step after one
// pass; then both sides change.
class ConflictTest : public EngineFixture, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        storeRow(1, local(QStringLiteral("docs")), QStringLiteral("backup/"));
        storeRow(2, files.write(QStringLiteral("local/single.txt"), "agreed", at(8, 0, 0)),
                 QStringLiteral("single.txt"));
        files.write(QStringLiteral("local/docs/report.odt"), "agreed", at(8, 0, 0));
        pass();
        ASSERT_EQ(TestFiles::read(drive(QStringLiteral("backup/report.odt"))), "agreed");
        ASSERT_EQ(TestFiles::read(drive(QStringLiteral("single.txt"))), "agreed");
    }
    QString l(const QString& rel) const { return local(QStringLiteral("docs/") + rel); }
    QString r(const QString& rel) const { return drive(QStringLiteral("backup/") + rel); }
    QStringList recordFiles() const {
        QStringList found;
        QDirIterator it(files.path(QStringLiteral("records")), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }
};

// Monday's edit on the PC, Tuesday's on the drive: in every mode both survive, the winner
// under the name and the other beside it on its own side, and the log names the kept copy.
TEST_P(ConflictTest, BothSidesEditedKeepsBothVersionsInEveryMode) {
    const int mode = GetParam();
    setMode(mode);
    view.defaultAnswer = true;
    files.write(QStringLiteral("local/docs/report.odt"), "Monday on the PC", at(9, 0, 0));
    files.write(QStringLiteral("drive/backup/report.odt"), "Tuesday on the drive", at(10, 0, 0));
    files.write(QStringLiteral("local/single.txt"), "Monday on the PC", at(9, 0, 0));
    files.write(QStringLiteral("drive/single.txt"), "Tuesday on the drive", at(10, 0, 0));
    pass();
    // The newer wins unless the mode fixes the direction.
    const bool toDrive = mode == 1 || mode == 4;
    const QByteArray winner = toDrive ? "Monday on the PC" : "Tuesday on the drive";
    const QByteArray loser = toDrive ? "Tuesday on the drive" : "Monday on the PC";
    const QString side = toDrive ? QStringLiteral("drive") : QStringLiteral("pc");
    EXPECT_EQ(TestFiles::read(l(QStringLiteral("report.odt"))), winner) << mode;
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("report.odt"))), winner) << mode;
    const QString keptFolder =
        toDrive ? r(conflictName(QStringLiteral("report"), side, QStringLiteral(".odt")))
                : l(conflictName(QStringLiteral("report"), side, QStringLiteral(".odt")));
    EXPECT_EQ(TestFiles::read(keptFolder), loser) << mode;
    const QString keptFile =
        toDrive ? drive(conflictName(QStringLiteral("single"), side, QStringLiteral(".txt")))
                : local(conflictName(QStringLiteral("single"), side, QStringLiteral(".txt")));
    EXPECT_EQ(TestFiles::read(keptFile), loser) << mode;
    EXPECT_EQ(engine->lastPass().conflicts, 2);
    EXPECT_EQ(view.reasons[0], QStringLiteral("1 changed on both sides: both copies kept"));
    EXPECT_EQ(view.reasons[1], QStringLiteral("changed on both sides: both copies kept"));
    EXPECT_EQ(logLines().filter(QStringLiteral(" - Both copies changed: kept as ")).size(), 2);
    EXPECT_THAT(
        logLines(),
        Contains((toDrive ? r(QStringLiteral("report.odt")) : l(QStringLiteral("report.odt"))) +
                 QStringLiteral(" - Both copies changed: kept as ") + keptFolder));

    // The folder item carries the kept copy across like any new file; no conflict again.
    pass();
    EXPECT_EQ(TestFiles::read(toDrive ? l(QFileInfo(keptFolder).fileName())
                                      : r(QFileInfo(keptFolder).fileName())),
              loser);
    EXPECT_EQ(engine->lastPass().conflicts, 0);
    EXPECT_EQ(engine->lastPass().failures, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryMode, ConflictTest, ::testing::Values(0, 1, 2, 3, 4, 5),
                         [](const auto& param) { return "Mode" + std::to_string(param.param); });

class RecordTest : public ConflictTest {};

// One side changed in a way its time cannot show (a tool that puts the old time back): with
// the record that is a change, copied as the mode says.
TEST_F(RecordTest, AChangeTheTimeCannotShowIsCopied) {
    volumes.find(root().toStdString())->fsType = "vfat";
    files.write(QStringLiteral("local/docs/report.odt"), "edited, time put back", at(8, 0, 0));
    pass();
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("report.odt"))), "edited, time put back");
    EXPECT_EQ(engine->lastPass().failures, 0);
    pass();
    EXPECT_EQ(engine->lastPass().unchanged, 2);
}

// A record that is damaged, missing or another item's knows nothing: the pass does what it
// would without one, and leaves a good record behind.
TEST_F(RecordTest, ADamagedMissingOrForeignRecordKnowsNothing) {
    const QStringList records = recordFiles();
    ASSERT_EQ(records.size(), 2);
    for (const int damage : {0, 1, 2}) {
        // Removed, damaged in the middle, or swapped for the other item's.
        const QByteArray first = TestFiles::read(records.at(0));
        const QByteArray second = TestFiles::read(records.at(1));
        for (const QString& path : records) {
            QFile file(path);
            if (damage == 0) {
                file.remove();
                continue;
            }
            ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Truncate));
            QByteArray bytes = path == records.at(0) ? second : first;
            if (damage == 1)
                bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x55);
            file.write(bytes);
        }
        // Both edited: without a record this is the plain newer-wins copy, no conflict.
        files.write(QStringLiteral("local/docs/report.odt"), "pc", at(11, damage, 0));
        files.write(QStringLiteral("drive/backup/report.odt"), "drive", at(10, damage, 0));
        pass();
        EXPECT_EQ(engine->lastPass().conflicts, 0) << damage;
        EXPECT_EQ(TestFiles::read(r(QStringLiteral("report.odt"))), "pc") << damage;
        EXPECT_EQ(recordFiles().size(), 2) << damage;
        pass();
        EXPECT_EQ(engine->lastPass().unchanged, 2) << damage;
    }
    // And the good record it wrote tells the next conflict.
    files.write(QStringLiteral("local/docs/report.odt"), "pc again", at(12, 0, 0));
    files.write(QStringLiteral("drive/backup/report.odt"), "drive again", at(13, 0, 0));
    pass();
    EXPECT_EQ(engine->lastPass().conflicts, 1);
}

TEST(ConflictNameTest, KeepsTheExtensionLastAndIsKnownAgain) {
    const QString stamp = QStringLiteral("2026-12-09 071500");
    const auto name = [&](const char* path, int attempt) {
        return conflictCopyName(Path::fromNative(path), stamp, QStringLiteral("drive"), attempt)
            .native();
    };
    EXPECT_EQ(name("/a/report.odt", 1), "/a/report (conflict 2026-12-09 071500 drive).odt");
    EXPECT_EQ(name("/a/archive.tar.gz", 1), "/a/archive.tar (conflict 2026-12-09 071500 drive).gz");
    EXPECT_EQ(name("/a/.bashrc", 1), "/a/.bashrc (conflict 2026-12-09 071500 drive)");
    EXPECT_EQ(name("/a.d/notes", 3), "/a.d/notes (conflict 2026-12-09 071500 drive 3)");
    EXPECT_TRUE(isConflictCopy(name("/a/report.odt", 1)));
    EXPECT_FALSE(isConflictCopy("/a (conflict x)/report.odt"));
}

} // namespace
