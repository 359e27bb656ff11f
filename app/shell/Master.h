#pragma once

#include "Captions.h"
#include "LogWindow.h"
#include "MasterLayout.h"
#include "base/Clock.h"
#include "controls/NotifyIconShell.h"
#include "controls/SystemTray.h"
#include "sync/SyncEngine.h"
#include "sync/SyncView.h"

#include <QStringList>

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class GraphicBar;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QTimer;
class QTreeView;

namespace quillet {

namespace platform {
class ProcessStarter;
}
class ItemPickers;
class SyncListModel;
class SyncSession;
class XPButton;

// What the main window works with besides the session. Each part left empty is the
// desktop's own.
struct MasterServices {
    const Clock* clock = nullptr;
    std::unique_ptr<NotifyIconShell> trayShell; // the notification area
    ItemPickers* pickers = nullptr;             // the dialogs that choose what to add
    platform::ProcessStarter* processes = nullptr;
    // An item named on the command line ("/f " and a folder, or a file): loading adds it,
    // and the program is then to end without showing the window.
    QString CommandLine;
    // The free space of the volume mounted at a root; none when it cannot be read.
    std::function<std::optional<qint64>(const QString& root)> freeSpace;
};

// The main window: the sync list with its totals, the two options, the commands, the drive
// watch's timer and the notification-area icon. It shows the pass as it runs.
class Master : public QWidget, public SyncView {
    Q_OBJECT

public:
    // logPath is the log of the last pass.
    Master(SyncSession& session, QString logPath, MasterServices services = {});
    ~Master() override;

    // The controls, by the names the program has always given them.
    QTreeView* syncFiles() const { return m_syncFiles; }
    QLabel* DrvFilesSize() const { return m_drvFilesSize; }
    QLabel* DrvSize() const { return m_drvSize; }
    QLabel* DrvFreeSpace() const { return m_drvFreeSpace; }
    QLabel* FileStatus() const { return m_fileStatus; }
    QLabel* AppCopy() const { return m_appCopy; }
    QLabel* Labels(int index) const { return m_labels.at(static_cast<std::size_t>(index)); }
    QComboBox* ConflictsResolution() const { return m_conflictsResolution; }
    QComboBox* RefreshTime() const { return m_refreshTime; }
    XPButton* AddFile() const { return m_addFile; }
    XPButton* AddFolderButton() const { return m_addFolderButton; }
    XPButton* RemoveFile() const { return m_removeFile; }
    XPButton* SyncButton() const { return m_syncButton; }
    XPButton* StopButton() const { return m_stopButton; }
    XPButton* ViewLog() const { return m_viewLog; }
    XPButton* NewFlash() const { return m_newFlash; }
    QLabel* Update() const { return m_update; }
    // Starts the program in the notification area at login; checked while the entry is on.
    QCheckBox* StartAtLogin() const { return m_startAtLogin; }
    QTimer* SearchTimer() const { return m_searchTimer; }
    SystemTray* tray() const { return m_tray.get(); }
    QMenu* MenuTray() const { return m_menuTray; }
    QAction* qlt_show() const { return m_qltShow; }
    QAction* SyncIt() const { return m_syncIt; }
    QAction* qlt_exit() const { return m_qltExit; }
    // The bar that shows how far a long copy has come.
    GraphicBar* CopyBar() const { return m_copyBar; }

    SyncListModel* listModel() const { return m_model; }
    SyncEngine& engine() { return m_engine; }
    SyncSession& session() { return m_session; }
    // The full text of FileStatus (the label shortens a long path to fit).
    QString fileStatusText() const { return m_fileStatusText; }
    // The log window while it is open.
    LogWindow* logWindow() const { return m_logWindow; }

    // Settings, options and the list; the watch starts.
    void GoLoad();
    // The list again from the store, its totals, and the layout.
    void RefreshFiles();
    void SaveFiles();
    // After rows were added or removed in the session: the view and totals follow.
    void listEdited();
    // One pass now, on the settings as they are stored at its start; nothing happens while
    // the drive is absent or a pass runs. A pass with failures says so beside the icon.
    void Syncronize();
    // The Stop command: the pass stops at its next check; the button says so at once.
    void stopPass();
    // Another start of the program reached this one: the window comes forward, and an item
    // on that start's command line is added as if given to this one.
    void handedOver(const QString& commandLine);
    // Pairs a new drive: the watch pauses, the pairing dialog, then everything reloads.
    void pairNewDrive();
    // The log of the last pass, in its own window; an open one is only brought forward.
    void showLog();
    // The splash window, without waiting for it.
    void showSplash();
    // One tick of the drive watch (what SearchTimer runs every second).
    void searchTick();

    // The three texts under the list, for the list and the drive as they are now.
    QString filesSizeText() const;
    QString driveSizeText() const;
    QString freeSpaceText() const;

    // Loading added the item the command line named: the program is to end now.
    bool endedByAdd() const { return m_endedByAdd; }

    // Adds a file: xfile, or the one the person picks when it is empty; then where it goes
    // on the drive. Every refusal is said in a message box.
    void AddNewFile(const QString& xfile);
    // Adds a local folder, asking where on the drive it goes.
    void AddNewFolder(const QString& path);
    // The AddFolderButton command: the folder to add, then AddNewFolder.
    void chooseFolderToAdd();
    // The RemoveFile command: the selected item leaves the list; for a file, the person may
    // have its copy on the drive deleted too.
    void removeSelected();
    // Files dropped on the list: each is added in turn, then a pass runs.
    void filesDropped(const QStringList& paths);
    // The "Check for upgrades" link: starts the updater beside the program, if it is there.
    void checkForUpgrades();
    // Shown when hidden, hidden when shown (the icon's left button and Show/Hide).
    void toggleShown();
    // The Exit command: the window unloads, the icon goes, and the program ends once the
    // log viewer (when open) is closed too.
    void exitProgram();
    // Shown again, not minimised, in front and active.
    void bringBack();
    // Whether a hidden window can be brought back through the notification area.
    bool iconReachable() const;

    // Whether the desktop has a notification area: only then do minimising and the close
    // box hide the window. Defaults to asking the desktop.
    void setNotificationArea(std::function<bool()> available) {
        m_notificationArea = std::move(available);
    }
    // How long a copy runs before its bar appears.
    static constexpr int ProgressDelayMs = 500;
    // Presses above and left of this point show the splash window (2895 x 1230 twips).
    static constexpr QSize SplashCorner{193, 82};

    // The pass, shown in the window.
    void passStarted() override;
    void passEnded() override;
    void rowsRebuilt() override;
    void setRowBold(int row, bool bold) override;
    void setRowStatus(int row, const QString& status) override;
    void setRowReason(int row, const QString& reason) override;
    void setFileStatus(const QString& text) override;
    bool confirmReplacement(const QString& title, const QString& question) override;
    void copyProgress(const QString& file, qint64 done, qint64 total) override;
    void yield() override;

Q_SIGNALS:
    // The window has unloaded and nothing keeps the program: it is to end now.
    void ended();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class WatchPause;
    // The command line's item, added with its dialogs; true when there was one.
    bool GoAdds();
    // Adds the item a command line names: a folder, a file (also after "/f "), or says why
    // neither can be added.
    void addNamed(const CommandLineAdd& add);
    void showTotals();
    // The Synchronize Now button: a click meant for Stop that lands after the pass ended
    // starts nothing.
    void syncButtonClicked();
    // Says why an edit was refused, when there is something to say.
    void showRefusal(const EditOutcome& outcome);
    void showMessage(QMessageBox::Icon icon, const QString& text);
    // After a pass: failures are told beside the icon, once while they stay.
    void tellFailures();
    // The window goes: the watch stops, the icon goes, and the program ends.
    void unload();
    void createControls();
    void load();
    void applyLayout();
    MasterDesign design() const;
    void setLabelText(QLabel* label, const QString& text);
    void showFileStatus();
    void showSearching();
    void showPassBusy();
    void showOptions();
    void optionChosen(const EditOutcome& outcome);
    void startAtLoginChosen(bool on);
    void showStartAtLogin();
    void hideCopyBar();
    void centreOnScreen();
    bool notificationAreaAvailable() const;

    SyncSession& m_session;
    QString m_logPath;
    ItemPickers& m_pickers;
    platform::ProcessStarter& m_processes;
    QString m_commandLine;
    SyncEngine m_engine;
    QString m_caption;

    QTreeView* m_syncFiles = nullptr;
    SyncListModel* m_model = nullptr;
    QLabel* m_drvFilesSize = nullptr;
    QLabel* m_drvSize = nullptr;
    QLabel* m_drvFreeSpace = nullptr;
    QLabel* m_fileStatus = nullptr;
    QLabel* m_appCopy = nullptr;
    std::array<QLabel*, 2> m_labels{};
    QComboBox* m_conflictsResolution = nullptr;
    QComboBox* m_refreshTime = nullptr;
    XPButton* m_addFile = nullptr;
    XPButton* m_addFolderButton = nullptr;
    XPButton* m_removeFile = nullptr;
    XPButton* m_syncButton = nullptr;
    XPButton* m_stopButton = nullptr;
    XPButton* m_viewLog = nullptr;
    XPButton* m_newFlash = nullptr;
    QLabel* m_update = nullptr;
    QCheckBox* m_startAtLogin = nullptr;
    QTimer* m_searchTimer = nullptr;
    // Not a child: the icon needs a native window, and a native child would make every
    // control of the window native too.
    std::unique_ptr<SystemTray> m_tray;
    QMenu* m_menuTray = nullptr;
    QAction* m_qltShow = nullptr;
    QAction* m_syncIt = nullptr;
    QAction* m_sep = nullptr;
    QAction* m_qltExit = nullptr;
    GraphicBar* m_copyBar = nullptr;
    QPixmap m_emblem;

    std::function<std::optional<qint64>(const QString&)> m_freeSpace;
    QString m_newFlashKeys; // access keys taken before the pairing command's
    QString m_stopCaption;
    QElapsedTimer m_syncShown; // since Synchronize Now took Stop's place
    QString m_fileStatusText;
    QString m_copyFile;
    QElapsedTimer m_copyClock;
    bool m_copyBarShown = false;
    bool m_inLayout = false;
    QSize m_laidOutFrame; // the frame the last layout read
    QPointer<LogWindow> m_logWindow;
    std::function<bool()> m_notificationArea;
    int m_edits = 0;        // adds and removals under way (each pauses the watch)
    bool m_passRan = false; // the last pass asked for did start
    int m_failuresTold = 0; // failures of the last passes told beside the icon
    bool m_endedByAdd = false;
    bool m_exiting = false; // Exit was chosen: the close is not the person's close box
    bool m_unloaded = false;
};

} // namespace quillet
