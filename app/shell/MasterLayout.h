#pragma once

#include <QRect>
#include <QSize>

#include <array>

namespace quillet {

// What the layout reads and never sets: the sizes the controls were designed with (pixels)
// and the sizes the labels take for their texts.
struct MasterDesign {
    int listTop = 88;
    QSize addFile{114, 33};
    QSize addFolderButton{114, 33};
    QSize removeFile{114, 33};
    QSize syncButton{129, 33};
    QSize viewLog{98, 33};
    QSize conflictsResolution{273, 21};
    int refreshTimeHeight = 20;
    // Labels, sized to their captions.
    QSize conflictsLabel;
    QSize refreshLabel;
    QSize drvFilesSize;
    QSize drvSize;
    QSize drvFreeSpace;
    int fileStatusHeight = 16; // its width follows the list
    QSize appCopy;
    QSize update;
    // The bar that shows a long copy, beside the file status under the list.
    QSize progressBar{160, 12};
    // The check box that starts the program at login, sized to its caption.
    QSize startAtLogin;

    // The client area the window is created with.
    static constexpr QSize DesignClient{697, 482};
};

// The emblem in the top left corner ends here; nothing is placed closer to it than the gap.
inline constexpr int EmblemRight = 193;
inline constexpr int EmblemGap = 8;

// Where everything goes for one window size.
struct MasterGeometry {
    QSize window; // the outer size after the minimum-size rule
    QRect syncFiles;
    QRect addFile;
    QRect addFolderButton;
    QRect removeFile;
    QRect conflictsLabel;
    QRect conflictsResolution;
    QRect drvFilesSize;
    QRect drvSize;
    QRect drvFreeSpace;
    QRect syncButton;
    QRect stopButton;
    QRect viewLog;
    QRect fileStatus;
    QRect progressBar;
    QRect newFlash;
    QRect appCopy;
    QRect update;
    QRect refreshTime;
    QRect refreshLabel;
    QRect startAtLogin;
    std::array<int, 4> columns{};
};

// The main window's layout as a function of its outer size (frame included); positions are
// in the client area. Pure: the same size always gives the same places.
MasterGeometry layoutMaster(QSize window, const MasterDesign& design);

} // namespace quillet
