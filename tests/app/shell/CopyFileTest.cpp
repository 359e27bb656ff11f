// The CopyFile dialog over a drive in a scratch folder: only the drive's folders, the
// caption that follows the open one, new folders, OK and every way of cancelling.
#include "ShellFixture.h"

#include "shell/CopyFile.h"
#include "shell/ItemPickers.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

using namespace quillet;
using namespace quillet::test;

namespace {

class CopyFileTest : public ::testing::Test {
protected:
    CopyFileTest() {
        files.makeDir(QStringLiteral("drive/Backup/2024"));
        files.makeDir(QStringLiteral("drive/Music"));
        files.write(QStringLiteral("drive/loose.txt"), "f");
        files.makeDir(QStringLiteral("beside/Other"));
        QFile::link(files.path(QStringLiteral("beside")), files.path(QStringLiteral("drive/away")));
    }
    QString root() const { return files.path(QStringLiteral("drive/")); }

    // The names Directory shows under an index, once the folder has been read.
    static QStringList shownBelow(QTreeView* view, const QModelIndex& parent) {
        QAbstractItemModel* model = view->model();
        while (model->canFetchMore(parent))
            model->fetchMore(parent);
        QStringList names;
        for (int row = 0; row < model->rowCount(parent); ++row)
            names << model->index(row, 0, parent).data().toString();
        names.sort();
        return names;
    }

    TestFiles files;
};

TEST_F(CopyFileTest, ShowsTheDrivesFoldersOnlyWithItsRootOpen) {
    CopyFile dialog(root());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(),
              QStringLiteral("Copy to removable drive... [") + root() + QLatin1Char(']'));
    EXPECT_EQ(dialog.openFolder(), root());
    EXPECT_EQ(dialog.bOk()->Caption().remove(QLatin1Char('&')), QStringLiteral("OK"));
    EXPECT_EQ(dialog.bCancel()->Caption().remove(QLatin1Char('&')), QStringLiteral("Cancel"));
    EXPECT_EQ(dialog.CreateFolder()->Caption().remove(QLatin1Char('&')),
              QStringLiteral("Press to create a new folder"));
    EXPECT_EQ(dialog.Labels()->text().remove(QLatin1Char('&')), QStringLiteral("New folder name:"));

    // At the top, the drive's root alone; below it its folders, no file, no link out of it.
    QTreeView* view = dialog.Directory();
    const QModelIndex top = view->rootIndex();
    QTRY_COMPARE(view->model()->rowCount(top), 1);
    const QModelIndex driveRoot = view->model()->index(0, 0, top);
    EXPECT_EQ(driveRoot.data().toString(), QStringLiteral("drive"));
    QTRY_COMPARE(shownBelow(view, driveRoot),
                 (QStringList{QStringLiteral("Backup"), QStringLiteral("Music")}));
}

TEST_F(CopyFileTest, TheCaptionFollowsTheOpenFolderAndOkChoosesIt) {
    CopyFile dialog(root());
    dialog.show();
    ASSERT_TRUE(dialog.setOpenFolder(files.path(QStringLiteral("drive/Backup/2024"))));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Copy to removable drive... [") +
                                        files.path(QStringLiteral("drive/Backup/2024")) +
                                        QLatin1Char(']'));
    // Nothing outside the drive can be opened.
    EXPECT_FALSE(dialog.setOpenFolder(files.path(QStringLiteral("beside/Other"))));
    EXPECT_EQ(dialog.openFolder(), files.path(QStringLiteral("drive/Backup/2024")));
    clickButton(dialog.bOk());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.DestFolder(), files.path(QStringLiteral("drive/Backup/2024")));
}

TEST_F(CopyFileTest, ANewFolderIsMadeInTheOpenOneWhichStaysOpen) {
    CopyFile dialog(root());
    dialog.show();
    ASSERT_TRUE(dialog.setOpenFolder(files.path(QStringLiteral("drive/Music"))));
    dialog.FolderName()->setText(QStringLiteral("Live ünd Laut"));
    clickButton(dialog.CreateFolder());
    EXPECT_TRUE(QDir(files.path(QStringLiteral("drive/Music/Live ünd Laut"))).exists());
    EXPECT_EQ(dialog.openFolder(), files.path(QStringLiteral("drive/Music")));
    EXPECT_TRUE(dialog.setOpenFolder(files.path(QStringLiteral("drive/Music/Live ünd Laut"))));

    // Names that cannot be made (the last one is there already) make nothing, say nothing,
    // and the dialog stays.
    ASSERT_TRUE(dialog.setOpenFolder(files.path(QStringLiteral("drive/Music"))));
    const QStringList before = TestFiles::tree(root());
    for (const QString& name : {QString(), QStringLiteral("a/b"), QStringLiteral(".."),
                                QStringLiteral("Live ünd Laut")}) {
        dialog.FolderName()->setText(name);
        clickButton(dialog.CreateFolder());
        EXPECT_TRUE(dialog.isVisible()) << name.toStdString();
    }
    EXPECT_EQ(TestFiles::tree(root()), before);
}

TEST_F(CopyFileTest, CancelEscapeAndClosingChooseNothing) {
    {
        CopyFile dialog(root());
        dialog.show();
        ASSERT_TRUE(dialog.setOpenFolder(files.path(QStringLiteral("drive/Music"))));
        clickButton(dialog.bCancel());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_TRUE(dialog.DestFolder().isEmpty());
    }
    {
        CopyFile dialog(root());
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(dialog.DestFolder().isEmpty());
    }
    {
        CopyFile dialog(root());
        dialog.show();
        QCloseEvent close;
        QCoreApplication::sendEvent(dialog.windowHandle(), &close);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_TRUE(dialog.DestFolder().isEmpty());
    }
}

TEST_F(CopyFileTest, TheDesktopPickerAsksThroughTheDialog) {
    QString seenQuestion;
    whenModal<CopyFile>([&](CopyFile* dialog) {
        seenQuestion = dialog->Whereto()->text();
        dialog->setOpenFolder(files.path(QStringLiteral("drive/Backup")));
        clickButton(dialog->bOk());
    });
    const QString chosen =
        ItemPickers::system().ShowCopyFile(nullptr, QStringLiteral("Where?"), root());
    EXPECT_EQ(seenQuestion, QStringLiteral("Where?"));
    EXPECT_EQ(chosen, files.path(QStringLiteral("drive/Backup")));

    whenModal<CopyFile>([](CopyFile* dialog) { dialog->reject(); });
    EXPECT_TRUE(
        ItemPickers::system().ShowCopyFile(nullptr, QStringLiteral("Where?"), root()).isEmpty());
}

} // namespace
