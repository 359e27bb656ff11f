#include "MasterLayout.h"

namespace quillet {

MasterGeometry layoutMaster(QSize window, const MasterDesign& design) {
    MasterGeometry places;

    // The height is tested against 460 but set to 480.
    if (640 > window.width())
        window.setWidth(640);
    if (460 > window.height())
        window.setHeight(480);
    places.window = window;
    const int width = window.width();
    const int height = window.height();

    const int listLeft = 20;
    const int listWidth = width - 50;
    const int listHeight = height - design.listTop - 60 - 3 * design.addFile.height();
    places.syncFiles = QRect(listLeft, design.listTop, listWidth, listHeight);
    const int listRight = listLeft + listWidth; // one past the list's last pixel
    const int listBottom = design.listTop + listHeight;

    const int rowTop = listBottom + 20;
    places.addFile = QRect(QPoint(listLeft, rowTop), design.addFile);
    places.addFolderButton = QRect(QPoint(places.addFile.x() + places.addFile.width() + 5, rowTop),
                                   design.addFolderButton);
    places.removeFile =
        QRect(QPoint(places.addFolderButton.x() + places.addFolderButton.width() + 5, rowTop),
              design.removeFile);

    // Above the list's right end: caption, then the list, both ending where the list ends.
    const int conflictsTop = design.listTop - design.conflictsResolution.height() - 30;
    const int conflictsLeft = listWidth - design.conflictsResolution.width() + 20;
    places.conflictsLabel = QRect(conflictsLeft, conflictsTop, design.conflictsResolution.width(),
                                  design.conflictsLabel.height());
    places.conflictsResolution =
        QRect(QPoint(conflictsLeft, conflictsTop + design.conflictsLabel.height() + 2),
              design.conflictsResolution);
    // The login check box: beside that option, on its left, level with it.
    places.startAtLogin =
        QRect(QPoint(conflictsLeft - 12 - design.startAtLogin.width(),
                     places.conflictsResolution.y() +
                         (design.conflictsResolution.height() - design.startAtLogin.height()) / 2),
              design.startAtLogin);

    // The totals, right-aligned with the list.
    auto rightAligned = [&](const QSize& size, int top) {
        return QRect(QPoint(listRight - size.width(), top), size);
    };
    places.drvFilesSize = rightAligned(design.drvFilesSize, places.addFile.y());
    places.drvSize =
        rightAligned(design.drvSize, places.drvFilesSize.y() + design.drvSize.height() + 2);
    places.drvFreeSpace =
        rightAligned(design.drvFreeSpace, places.drvSize.y() + design.drvFreeSpace.height() + 2);

    const int buttonTop = height - design.syncButton.height() - 40 - design.appCopy.height();
    places.syncButton = rightAligned(design.syncButton, buttonTop);
    places.stopButton = places.syncButton; // one place, one of the two visible at a time
    places.viewLog = QRect(QPoint(places.syncButton.x() - design.viewLog.width() - 5, buttonTop),
                           design.viewLog);

    places.columns = {listWidth / 3, listWidth / 6, listWidth / 3, listWidth / 6};

    // In the gap under the list: the file being handled, and beside it the copy's bar.
    places.progressBar = QRect(QPoint(listRight - design.progressBar.width(),
                                      listBottom + (20 - design.progressBar.height()) / 2),
                               design.progressBar);
    places.fileStatus = QRect(listLeft, listBottom, listWidth - design.progressBar.width() - 8,
                              design.fileStatusHeight);

    places.newFlash =
        QRect(places.addFile.x(), buttonTop,
              places.addFolderButton.x() + places.addFolderButton.width() - places.addFile.x(),
              design.syncButton.height());
    places.appCopy =
        QRect(QPoint(places.newFlash.x(), places.newFlash.y() + places.newFlash.height() + 5),
              design.appCopy);

    places.update = rightAligned(design.update, 10);
    // Where the box would come near the emblem (a narrow window, a long caption), it goes up
    // to the link's row, left of the link.
    if (places.startAtLogin.left() < EmblemRight + EmblemGap)
        places.startAtLogin.moveTopLeft(
            QPoint(places.update.left() - 16 - design.startAtLogin.width(),
                   places.update.center().y() - design.startAtLogin.height() / 2));

    const int newFlashBottom = places.newFlash.y() + places.newFlash.height();
    places.refreshTime = QRect(places.removeFile.x(), newFlashBottom - design.refreshTimeHeight,
                               places.removeFile.width(), design.refreshTimeHeight);
    places.refreshLabel =
        QRect(QPoint(places.refreshTime.x(), places.newFlash.y()), design.refreshLabel);
    return places;
}

} // namespace quillet
