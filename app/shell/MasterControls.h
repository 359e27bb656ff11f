#pragma once

#include <array>

class GraphicBar;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QTimer;
class QTreeView;
class QWidget;

namespace quillet {

class SyncList;
struct MasterDesign;
struct MasterGeometry;
class SyncListModel;
class XPButton;

// The main window's controls. Each has the object name the program has always given it
// (Labels0, AddFile, qlt_show, ...), by which tests and tools find it.
struct MasterControls {
    QTreeView* syncFiles = nullptr;
    SyncListModel* model = nullptr;
    QLabel* drvFilesSize = nullptr;
    QLabel* drvSize = nullptr;
    QLabel* drvFreeSpace = nullptr;
    QLabel* fileStatus = nullptr;
    QLabel* appCopy = nullptr;
    std::array<QLabel*, 2> labels{};
    QComboBox* conflictsResolution = nullptr;
    QComboBox* refreshTime = nullptr;
    XPButton* addFile = nullptr;
    XPButton* addFolderButton = nullptr;
    XPButton* removeFile = nullptr;
    XPButton* syncButton = nullptr;
    XPButton* stopButton = nullptr;
    XPButton* viewLog = nullptr;
    XPButton* newFlash = nullptr;
    QLabel* update = nullptr;
    // Starts the program in the notification area at login; checked while the entry is on.
    QCheckBox* startAtLogin = nullptr;
    QTimer* searchTimer = nullptr;
    QMenu* menuTray = nullptr;
    QAction* qltShow = nullptr;
    QAction* syncIt = nullptr;
    QAction* sep = nullptr;
    QAction* qltExit = nullptr;
    // The bar that shows how far a long copy has come.
    GraphicBar* copyBar = nullptr;

    // Makes them, children of window, in reading order; the list shows list.
    void create(QWidget& window, SyncList& list);
    // The sizes the layout works from, measured on the controls as they are now.
    MasterDesign design() const;
    // Puts each control where the layout placed it.
    void place(const MasterGeometry& places);
    // The entries of box are longer than the box is wide: its open list fits the longest.
    static void fitPopup(QComboBox* box);
};

} // namespace quillet
