#include "MasterControls.h"

#include "Captions.h"
#include "CellTips.h"
#include "MasterLayout.h"
#include "SyncListModel.h"
#include "controls/XPButton.h"

#include <GraphicBar.h>

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace quillet {

namespace {
// The copy bar's colours, as 0x00BBGGRR.
constexpr int BarForeColor = 0x00D77800; // the blue of the emblem's arrow
constexpr int BarBackColor = 0x00EAE0D8;
} // namespace

void MasterControls::create(QWidget& window, SyncList& list) {
    // The small type of a utility window; every caption is designed to fit it.
    window.setFont(Captions::windowFont());
    model = new SyncListModel(list, &window);
    syncFiles = new QTreeView(&window);
    syncFiles->setObjectName(QStringLiteral("syncFiles"));
    syncFiles->setModel(model);
    syncFiles->setRootIsDecorated(false);
    syncFiles->setItemsExpandable(false);
    syncFiles->setUniformRowHeights(true);
    syncFiles->setAllColumnsShowFocus(true);
    syncFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    syncFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    syncFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    syncFiles->setTextElideMode(Qt::ElideMiddle);
    // A cut cell can still be read whole, in its tooltip.
    syncFiles->setItemDelegate(new CellTips(syncFiles));
    // The last column takes what the frame and scroll bar leave, so that a list that fits
    // has no horizontal scroll bar.
    syncFiles->header()->setStretchLastSection(true);
    syncFiles->header()->setSectionsMovable(false);
    // Files dropped from the desktop are added; the list itself takes no drags of its own.
    syncFiles->setAcceptDrops(true);

    auto label = [&window](const char* name) {
        auto* made = new QLabel(&window);
        made->setObjectName(QLatin1String(name));
        return made;
    };
    drvFilesSize = label("DrvFilesSize");
    drvSize = label("DrvSize");
    drvFreeSpace = label("DrvFreeSpace");
    fileStatus = label("FileStatus");
    appCopy = label("AppCopy");
    appCopy->setStyleSheet(QStringLiteral("color: #5a6877;"));
    labels = {label("Labels0"), label("Labels1")};
    update = label("Update");
    update->setTextFormat(Qt::RichText);
    update->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);

    conflictsResolution = new QComboBox(&window);
    conflictsResolution->setObjectName(QStringLiteral("ConflictsResolution"));
    refreshTime = new QComboBox(&window);
    refreshTime->setObjectName(QStringLiteral("RefreshTime"));
    // As narrow as the button above it: little room to spare around the entry.
    refreshTime->setStyleSheet(QStringLiteral(
        "QComboBox#RefreshTime { padding: 0px 0px 0px 3px; }"
        "QComboBox#RefreshTime::drop-down { width: 13px; border: none; }"
        "QComboBox#RefreshTime::down-arrow { image: url(:/quillet/shell/images/down-arrow.svg);"
        " width: 7px; height: 4px; }"));
    startAtLogin = new QCheckBox(&window);
    startAtLogin->setObjectName(QStringLiteral("StartAtLogin"));
    labels[0]->setBuddy(conflictsResolution);
    labels[1]->setBuddy(refreshTime);

    auto button = [&window](const char* name) {
        auto* made = new XPButton(&window);
        made->setObjectName(QLatin1String(name));
        made->SetFont(Captions::buttonFont());
        return made;
    };
    addFile = button("AddFile");
    addFolderButton = button("AddFolderButton");
    removeFile = button("RemoveFile");
    syncButton = button("SyncButton");
    stopButton = button("StopButton");
    viewLog = button("ViewLog");
    newFlash = button("NewFlash");

    copyBar = new GraphicBar(&window);
    copyBar->setObjectName(QStringLiteral("CopyBar"));
    copyBar->setForeColor(BarForeColor);
    copyBar->setBackColor(BarBackColor);
    copyBar->setValue(0);
    copyBar->hide();

    searchTimer = new QTimer(&window);
    searchTimer->setObjectName(QStringLiteral("SearchTimer"));
    searchTimer->setInterval(1000);

    menuTray = new QMenu(&window);
    menuTray->setObjectName(QStringLiteral("MenuTray"));
    qltShow = menuTray->addAction(QString());
    qltShow->setObjectName(QStringLiteral("qlt_show"));
    syncIt = menuTray->addAction(QString());
    syncIt->setObjectName(QStringLiteral("SyncIt"));
    sep = menuTray->addSeparator();
    sep->setObjectName(QStringLiteral("Sep"));
    qltExit = menuTray->addAction(QString());
    qltExit->setObjectName(QStringLiteral("qlt_exit"));
    menuTray->setDefaultAction(qltShow);

    // Reading order: the link, the check box and the option above the list, the list, the
    // first row of buttons, then the second row from left to right.
    QWidget::setTabOrder(update, startAtLogin);
    QWidget::setTabOrder(startAtLogin, conflictsResolution);
    QWidget::setTabOrder(conflictsResolution, syncFiles);
    QWidget::setTabOrder(syncFiles, addFile);
    QWidget::setTabOrder(addFile, addFolderButton);
    QWidget::setTabOrder(addFolderButton, removeFile);
    QWidget::setTabOrder(removeFile, newFlash);
    QWidget::setTabOrder(newFlash, refreshTime);
    QWidget::setTabOrder(refreshTime, viewLog);
    QWidget::setTabOrder(viewLog, syncButton);
    QWidget::setTabOrder(syncButton, stopButton);
}

// The entries are longer than the box is wide (the layout fixes its size): the open list is
// made wide enough for its longest one. The list is a window of its own, which would take
// the desktop's type rather than the box's; it takes the box's, as it was measured.
MasterDesign MasterControls::design() const {
    MasterDesign sizes;
    sizes.conflictsLabel = labels[0]->sizeHint();
    sizes.refreshLabel = labels[1]->sizeHint();
    sizes.drvFilesSize = drvFilesSize->sizeHint();
    sizes.drvSize = drvSize->sizeHint();
    sizes.drvFreeSpace = drvFreeSpace->sizeHint();
    sizes.fileStatusHeight = fileStatus->fontMetrics().height();
    sizes.appCopy = appCopy->sizeHint();
    sizes.update = update->sizeHint();
    sizes.startAtLogin = startAtLogin->sizeHint();
    // A button never cuts its caption (a longer translation): it grows past its design width.
    auto fitted = [](QSize designed, const XPButton* button) {
        const int needed =
            QFontMetrics(button->Font()).horizontalAdvance(Captions::plainText(button->Caption())) +
            8; // clear of the two-pixel rim and the border on each side
        return QSize(std::max(designed.width(), needed), designed.height());
    };
    sizes.addFile = fitted(sizes.addFile, addFile);
    sizes.addFolderButton = fitted(sizes.addFolderButton, addFolderButton);
    sizes.removeFile = fitted(sizes.removeFile, removeFile);
    sizes.syncButton = fitted(fitted(sizes.syncButton, syncButton), stopButton);
    sizes.viewLog = fitted(sizes.viewLog, viewLog);
    return sizes;
}

void MasterControls::place(const MasterGeometry& places) {
    syncFiles->setGeometry(places.syncFiles);
    int used = 0;
    for (int column = 0; column < SyncListModel::ColumnCount - 1; ++column) {
        const int width = places.columns[static_cast<std::size_t>(column)];
        syncFiles->setColumnWidth(column, width);
        used += width;
    }
    // The last column takes what the frame and a vertical scroll bar leave: at its share it
    // would overrun them by a few pixels, and an empty list would get a horizontal bar.
    int room = syncFiles->contentsRect().width();
    if (syncFiles->verticalScrollBar()->isVisible())
        room -= syncFiles->verticalScrollBar()->width();
    syncFiles->setColumnWidth(SyncListModel::ColumnCount - 1,
                              std::max(room - used, syncFiles->header()->minimumSectionSize()));
    addFile->setGeometry(places.addFile);
    addFolderButton->setGeometry(places.addFolderButton);
    removeFile->setGeometry(places.removeFile);
    labels[0]->setGeometry(places.conflictsLabel);
    conflictsResolution->setGeometry(places.conflictsResolution);
    startAtLogin->setGeometry(places.startAtLogin);
    drvFilesSize->setGeometry(places.drvFilesSize);
    drvSize->setGeometry(places.drvSize);
    drvFreeSpace->setGeometry(places.drvFreeSpace);
    syncButton->setGeometry(places.syncButton);
    stopButton->setGeometry(places.stopButton);
    viewLog->setGeometry(places.viewLog);
    fileStatus->setGeometry(places.fileStatus);
    copyBar->setGeometry(places.progressBar);
    newFlash->setGeometry(places.newFlash);
    appCopy->setGeometry(places.appCopy);
    update->setGeometry(places.update);
    refreshTime->setGeometry(places.refreshTime);
    labels[1]->setGeometry(places.refreshLabel);
}

void MasterControls::fitPopup(QComboBox* box) {
    QAbstractItemView* list = box->view();
    list->setFont(box->font());
    const QFontMetrics metrics(box->font());
    int widest = 0;
    for (int row = 0; row < box->count(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(box->itemText(row)));
    // The item's own margins, the list's frame, and a scroll bar when not every entry shows.
    const int margins = 2 * (box->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 6);
    int width = std::max(list->sizeHintForColumn(0), widest + margins) + 2 * list->frameWidth();
    if (box->count() > box->maxVisibleItems())
        width += box->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    list->setMinimumWidth(width);
}

} // namespace quillet
