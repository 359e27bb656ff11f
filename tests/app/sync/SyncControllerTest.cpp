#include "sync/SyncController.h"
#include "EngineFixture.h"

#include <QFile>

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// Scripted answers; each question notes whether the watch was resting and what the list held.
struct FakeQuestions : EditQuestions {
    std::optional<QString> file;
    QString source;
    QString folder;
    bool replace = false;
    std::optional<bool> beforehand;
    bool deleteIt = false;
    QStringList asked;
    std::function<void()> whileAsked;

    std::optional<QString> fileToAdd() override { return note(QStringLiteral("file"), file); }
    QString folderToAdd() override { return note(QStringLiteral("source"), source); }
    QString folderForFile(const QString&, const QString&) override {
        return note(QStringLiteral("folder"), folder);
    }
    QString folderForFolder(const QString&, const QString&) override {
        return note(QStringLiteral("folder"), folder);
    }
    bool replacePairing(int storedItems) override {
        return note(QStringLiteral("replace %1").arg(storedItems), replace);
    }
    std::optional<bool> deleteCopyBeforehand() override { return beforehand; }
    bool deleteCopy(const SyncItem& removed) override {
        return note(QStringLiteral("delete ") + removed.localPath, deleteIt);
    }
    template <typename T>
    T note(const QString& question, T answer) {
        asked << question;
        if (whileAsked)
            whileAsked();
        return answer;
    }
};

class SyncControllerTest : public EngineFixture {
protected:
    SyncControllerTest() {
        session->GoLoad();
        session->SearchLetter();
        controller.onListEdited = [this] { ++edits; };
    }
    FakeQuestions questions;
    SyncController controller{*session, questions};
    int edits = 0;
};

TEST_F(SyncControllerTest, AnAddAsksForTheFileThenItsPlaceWhileTheWatchRests) {
    questions.file = files.write(QStringLiteral("local/a.txt"), "abc");
    questions.folder = root();
    bool restedWhileAsked = true;
    questions.whileAsked = [&] {
        restedWhileAsked =
            restedWhileAsked && controller.editing() && !session->watch().searchTimerEnabled();
    };
    EXPECT_TRUE(controller.addFile(QString()).ok());
    EXPECT_EQ(questions.asked, (QStringList{QStringLiteral("file"), QStringLiteral("folder")}));
    EXPECT_TRUE(restedWhileAsked);
    EXPECT_FALSE(controller.editing());
    EXPECT_TRUE(session->watch().searchTimerEnabled());
    EXPECT_EQ(edits, 1);
    ASSERT_EQ(session->list().rows().size(), 1);
    EXPECT_EQ(session->list().rows().at(0).remotePath, root() + QStringLiteral("a.txt"));

    // Nothing chosen: nothing changes, and the list is not touched.
    questions.asked.clear();
    questions.file.reset();
    EXPECT_EQ(controller.addFile(QString()).code, EditOutcome::Code::Declined);
    EXPECT_EQ(controller.addFolder(QString()).code, EditOutcome::Code::Declined);
    questions.file = files.write(QStringLiteral("local/b.txt"), "b");
    questions.folder.clear();
    EXPECT_EQ(controller.addFile(QString()).code, EditOutcome::Code::Declined);
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(session->list().rows().size(), 1);

    // A program that ends keeps its watch at rest.
    controller.keepWatchStopped();
    questions.file = files.write(QStringLiteral("local/c.txt"), "c");
    questions.folder = root();
    EXPECT_TRUE(controller.addFile(QString()).ok());
    EXPECT_FALSE(session->watch().searchTimerEnabled());
}

TEST_F(SyncControllerTest, NothingIsAskedWhileTheDriveIsAwayOrTheItemCannotBeAdded) {
    EXPECT_EQ(controller.addFolder(local(QStringLiteral("missing"))).code,
              EditOutcome::Code::BadInput);
    volumes.clear();
    session->SearchLetter();
    EXPECT_EQ(controller.addFile(QString()).code, EditOutcome::Code::DriveAbsent);
    EXPECT_EQ(controller.addFolder(local()).code, EditOutcome::Code::DriveAbsent);
    EXPECT_TRUE(questions.asked.isEmpty());
    EXPECT_EQ(edits, 0);
}

TEST_F(SyncControllerTest, ARemovalAsksAboutTheCopyOnceTheItemHasLeftTheList) {
    const QString copy = files.write(QStringLiteral("drive/a.txt"), "abc");
    storeRow(1, files.write(QStringLiteral("local/a.txt"), "abc"), QStringLiteral("a.txt"));
    session->RefreshFiles();
    qsizetype rowsWhileAsked = -1;
    int editsWhileAsked = 0;
    questions.whileAsked = [&] {
        rowsWhileAsked = session->list().rows().size();
        editsWhileAsked = edits;
    };
    questions.deleteIt = true;
    EXPECT_TRUE(controller.removeRow(0).ok());
    EXPECT_EQ(rowsWhileAsked, 0);
    EXPECT_EQ(editsWhileAsked, 1); // the window shows the row gone before it asks
    EXPECT_FALSE(QFile::exists(copy));

    // A folder item goes without a question.
    questions.asked.clear();
    files.makeDir(QStringLiteral("local/f"));
    questions.folder = root();
    ASSERT_TRUE(controller.addFolder(local(QStringLiteral("f"))).ok());
    questions.asked.clear();
    EXPECT_TRUE(controller.removeRow(0).ok());
    EXPECT_TRUE(questions.asked.isEmpty());
    EXPECT_EQ(controller.removeRow(0).code, EditOutcome::Code::BadInput);
}

TEST_F(SyncControllerTest, ACopyThatCannotBeDeletedIsSaidAndAnAnswerGivenBeforehandKeepsTheItem) {
    storeRow(1, files.write(QStringLiteral("local/a.txt"), "abc"), QStringLiteral("a.txt"));
    storeRow(2, files.write(QStringLiteral("local/b.txt"), "b"), QStringLiteral("b.txt"));
    session->RefreshFiles();
    volumes.clear();
    session->SearchLetter();
    // Asked after the removal: the item is gone, the copy could not be.
    questions.deleteIt = true;
    EXPECT_EQ(controller.removeRow(0).code, EditOutcome::Code::RemoteNotDeleted);
    EXPECT_EQ(session->list().rows().size(), 1);
    // Known beforehand: nothing is removed while the copy cannot go with it.
    questions.beforehand = true;
    questions.asked.clear();
    EXPECT_EQ(controller.removeRow(0).code, EditOutcome::Code::DriveAbsent);
    EXPECT_EQ(session->list().rows().size(), 1);
    EXPECT_TRUE(questions.asked.isEmpty());
}

TEST_F(SyncControllerTest, ReplacingAPairingIsAskedWithWhatItWouldForget) {
    storeRow(1, files.write(QStringLiteral("local/a.txt"), "abc"), QStringLiteral("a.txt"));
    EXPECT_EQ(controller.pair(root(), true).code, SyncSession::PairOutcome::Code::Declined);
    EXPECT_EQ(questions.asked, QStringList{QStringLiteral("replace 1")});
    EXPECT_EQ(store->read(keys::SyncInfo, keys::Letter, QString()), QStringLiteral("0"));
    questions.replace = true;
    const SyncSession::PairOutcome paired = controller.pair(root(), true);
    EXPECT_TRUE(paired.ok());
    EXPECT_EQ(paired.forgotten, 1);
    EXPECT_EQ(store->read(keys::SyncInfo, keys::Letter, QString()), QStringLiteral("1"));
}

} // namespace
