#include "EngineFixture.h"
#include "sync/FailureText.h"

#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <set>
#include <tuple>

using namespace quillet;
using namespace quillet::test;

namespace {

class PreviewView : public RecordingView {
public:
    void planned(const PlannedCopy& copy) override { copies.push_back(copy); }
    void fileFailed(const SyncFailure& failure) override {
        failures << failure.subject + QStringLiteral(": ") + logText(failure);
    }
    std::vector<PlannedCopy> copies;
    QStringList failures;
};

// A folder row "docs" tied to "backup/" and a file row "single.txt", in step after one pass.
class PreviewTest : public EngineFixture {
protected:
    void SetUp() override {
        engine = std::make_unique<SyncEngine>(*session, preview, logPath, clock);
        storeRow(1, local(QStringLiteral("docs")), QStringLiteral("backup/"));
        storeRow(2, files.write(QStringLiteral("local/single.txt"), "agreed", at(8, 0, 0)),
                 QStringLiteral("single.txt"));
        files.write(QStringLiteral("local/docs/report.odt"), "agreed", at(8, 0, 0));
        files.write(QStringLiteral("local/docs/old.txt"), "agreed", at(8, 0, 0));
        pass();
        ASSERT_EQ(engine->lastPass().failures, 0);
    }
    // Every file and folder of the scratch tree but the settings, with its content and time.
    std::set<std::tuple<QString, QByteArray, qint64>> snapshot() const {
        std::set<std::tuple<QString, QByteArray, qint64>> seen;
        QDirIterator it(files.path(QString()),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            if (info.suffix() == QLatin1String("ini") || info.suffix() == QLatin1String("lock"))
                continue;
            seen.emplace(info.filePath(), info.isFile() ? TestFiles::read(info.filePath()) : "",
                         info.lastModified().toMSecsSinceEpoch());
        }
        return seen;
    }
    PreviewView preview;
};

// What a preview lists is what the pass then does, and until then nothing has changed: no
// file, no folder, no log line, no record.
TEST_F(PreviewTest, ListsWhatThePassWouldDoAndChangesNothing) {
    files.write(QStringLiteral("local/docs/new.txt"), "new", at(9, 0, 0));
    files.write(QStringLiteral("local/docs/sub/deep.txt"), "deep", at(9, 0, 0));
    files.write(QStringLiteral("drive/backup/old.txt"), "newer on the drive", at(10, 0, 0));
    files.write(QStringLiteral("local/docs/report.odt"), "Monday on the PC", at(9, 0, 0));
    files.write(QStringLiteral("drive/backup/report.odt"), "Tuesday on the drive", at(10, 0, 0));
    files.write(QStringLiteral("local/single.txt"), "changed", at(9, 0, 0));
    const auto before = snapshot();

    engine->setPreview(true);
    pass();
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(preview.questions.isEmpty());
    EXPECT_TRUE(preview.failures.isEmpty());
    std::set<std::tuple<QString, bool, bool, bool>> listed;
    for (const PlannedCopy& copy : preview.copies)
        listed.emplace(QFileInfo(copy.to).fileName(), copy.towardDrive, copy.replaces,
                       copy.keepsBoth);
    const std::set<std::tuple<QString, bool, bool, bool>> expected{
        {QStringLiteral("new.txt"), true, false, false},
        {QStringLiteral("deep.txt"), true, false, false},
        {QStringLiteral("old.txt"), false, true, false},
        {QStringLiteral("report.odt"), false, true, true},
        {QStringLiteral("single.txt"), true, true, false}};
    EXPECT_EQ(listed, expected);
    const SyncEngine::Summary planned = engine->lastPass();
    EXPECT_EQ(planned.toDrive, 3);
    EXPECT_EQ(planned.toLocal, 2);
    EXPECT_EQ(planned.conflicts, 1);

    engine->setPreview(false);
    pass();
    EXPECT_EQ(engine->lastPass().toDrive, planned.toDrive);
    EXPECT_EQ(engine->lastPass().toLocal, planned.toLocal);
    EXPECT_EQ(engine->lastPass().conflicts, planned.conflicts);
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("backup/sub/deep.txt"))), "deep");
}

// A mode that asks before replacing is not asked in a preview: the listing says it would be.
// A name the drive cannot hold is a failure known in advance.
TEST_F(PreviewTest, AsksNothingAndNamesWhatTheDriveWouldRefuse) {
    setMode(4);
    volumes.find(root().toStdString())->fsType = "vfat";
    files.write(QStringLiteral("local/docs/old.txt"), "changed", at(9, 0, 0));
    files.write(QStringLiteral("local/docs/a:b.txt"), "colon", at(9, 0, 0));
    engine->setPreview(true);
    pass();
    EXPECT_TRUE(preview.questions.isEmpty());
    ASSERT_EQ(preview.copies.size(), 1U);
    EXPECT_TRUE(preview.copies[0].asksFirst);
    EXPECT_TRUE(preview.copies[0].replaces);
    ASSERT_EQ(preview.failures.size(), 1);
    EXPECT_TRUE(
        preview.failures[0].endsWith(QStringLiteral("a:b.txt: name not allowed on this drive")))
        << preview.failures[0].toStdString();
    EXPECT_EQ(engine->lastPass().failures, 1);
    EXPECT_FALSE(QFileInfo::exists(drive(QStringLiteral("backup/a:b.txt"))));
}

} // namespace
