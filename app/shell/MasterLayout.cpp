#include "MasterLayout.h"

namespace quillet {

MasterGeometry layoutMaster(QSize window, const MasterDesign& d) {
    MasterGeometry g;

    // The height is tested against 460 but set to 480.
    if (640 > window.width())
        window.setWidth(640);
    if (460 > window.height())
        window.setHeight(480);
    g.window = window;
    const int width = window.width();
    const int height = window.height();

    const int listLeft = 20;
    const int listWidth = width - 50;
    const int listHeight = height - d.listTop - 60 - 3 * d.addFile.height();
    g.syncFiles = QRect(listLeft, d.listTop, listWidth, listHeight);
    const int listRight = listLeft + listWidth; // one past the list's last pixel
    const int listBottom = d.listTop + listHeight;

    const int rowTop = listBottom + 20;
    g.addFile = QRect(QPoint(listLeft, rowTop), d.addFile);
    g.addFolderButton =
        QRect(QPoint(g.addFile.x() + g.addFile.width() + 5, rowTop), d.addFolderButton);
    g.removeFile =
        QRect(QPoint(g.addFolderButton.x() + g.addFolderButton.width() + 5, rowTop), d.removeFile);

    // Above the list's right end: caption, then the list, both ending where the list ends.
    const int conflictsTop = d.listTop - d.conflictsResolution.height() - 30;
    const int conflictsLeft = listWidth - d.conflictsResolution.width() + 20;
    g.conflictsLabel = QRect(conflictsLeft, conflictsTop, d.conflictsResolution.width(),
                             d.conflictsLabel.height());
    g.conflictsResolution = QRect(
        QPoint(conflictsLeft, conflictsTop + d.conflictsLabel.height() + 2), d.conflictsResolution);

    // The totals, right-aligned with the list.
    auto rightAligned = [&](const QSize& size, int top) {
        return QRect(QPoint(listRight - size.width(), top), size);
    };
    g.drvFilesSize = rightAligned(d.drvFilesSize, g.addFile.y());
    g.drvSize = rightAligned(d.drvSize, g.drvFilesSize.y() + d.drvSize.height() + 2);
    g.drvFreeSpace = rightAligned(d.drvFreeSpace, g.drvSize.y() + d.drvFreeSpace.height() + 2);

    const int buttonTop = height - d.syncButton.height() - 40 - d.appCopy.height();
    g.syncButton = rightAligned(d.syncButton, buttonTop);
    g.stopButton = g.syncButton; // one place, one of the two visible at a time
    g.viewLog = QRect(QPoint(g.syncButton.x() - d.viewLog.width() - 5, buttonTop), d.viewLog);

    g.columns = {listWidth / 3, listWidth / 6, listWidth / 3, listWidth / 6};

    // In the gap under the list: the file being handled, and beside it the copy's bar.
    g.progressBar = QRect(
        QPoint(listRight - d.progressBar.width(), listBottom + (20 - d.progressBar.height()) / 2),
        d.progressBar);
    g.fileStatus =
        QRect(listLeft, listBottom, listWidth - d.progressBar.width() - 8, d.fileStatusHeight);

    g.newFlash = QRect(g.addFile.x(), buttonTop,
                       g.addFolderButton.x() + g.addFolderButton.width() - g.addFile.x(),
                       d.syncButton.height());
    g.appCopy = QRect(QPoint(g.newFlash.x(), g.newFlash.y() + g.newFlash.height() + 5), d.appCopy);

    g.update = rightAligned(d.update, 10);

    const int newFlashBottom = g.newFlash.y() + g.newFlash.height();
    g.refreshTime = QRect(g.removeFile.x(), newFlashBottom - d.refreshTimeHeight,
                          g.removeFile.width(), d.refreshTimeHeight);
    g.refreshLabel = QRect(QPoint(g.refreshTime.x(), g.newFlash.y()), d.refreshLabel);
    return g;
}

} // namespace quillet
