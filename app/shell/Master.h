#pragma once

#include "Captions.h"
#include "LogWindow.h"
#include "MasterControls.h"
#include "MasterLayout.h"
#include "PassNotices.h"
#include "PassView.h"
#include "WindowQuestions.h"
#include "base/Clock.h"
#include "controls/NotifyIconShell.h"
#include "controls/SystemTray.h"
#include "sync/SyncController.h"
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
class Master : public QWidget {
    Q_OBJECT

public:
    // logPath is the log of the last pass.
    Master(SyncSession& session, QString logPath, MasterServices services = {});
    ~Master() override;

    // The notification-area icon: not a child of the window (see m_tray).
    SystemTray* tray() const { return m_tray.get(); }
    SyncEngine& engine() { return m_engine; }
    // What the pass reports to.
    SyncView& passView() { return m_passView; }
    SyncSession& session() { return m_session; }
    // The log window while it is open.
    LogWindow* logWindow() const { return m_logWindow; }

    // Settings, options and the list; the watch starts.
    void GoLoad();
    // The list again from the store, its totals, and the layout.
    void RefreshFiles();
    void SaveFiles();
    // After rows were added or removed in the session: the view and totals follow.
    void listEdited();
    // The rows were read again: the list, its totals and the layout follow.
    void rowsRebuilt();
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

    // Adds a file: path, or the one the person picks when it is empty; then where it goes
    // on the drive. Every refusal is said in a message box.
    void AddNewFile(const QString& path);
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
    // Presses above and left of this point show the splash window (2895 x 1230 twips).
    static constexpr QSize SplashCorner{193, 82};

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

private:
    // The command line's item, added with its dialogs; true when there was one.
    bool GoAdds();
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
    void setLabelText(QLabel* label, const QString& text);
    void showOptions();
    void optionChosen(const EditOutcome& outcome);
    void startAtLoginChosen(bool on);
    void showStartAtLogin();
    void centreOnScreen();
    bool notificationAreaAvailable() const;

    SyncSession& m_session;
    QString m_logPath;
    ItemPickers& m_pickers;
    WindowQuestions m_questions;
    SyncController m_controller;
    platform::ProcessStarter& m_processes;
    QString m_commandLine;
    MasterControls m_ui;
    // Not a child: the icon needs a native window, and a native child would make every
    // control of the window native too.
    std::unique_ptr<SystemTray> m_tray;
    PassView m_passView;
    SyncEngine m_engine;
    QString m_caption;
    QPixmap m_emblem;

    std::function<std::optional<qint64>(const QString&)> m_freeSpace;
    QString m_newFlashKeys; // access keys taken before the pairing command's
    bool m_inLayout = false;
    QSize m_laidOutFrame; // the frame the last layout read
    QPointer<LogWindow> m_logWindow;
    std::function<bool()> m_notificationArea;
    PassNotices m_notices;
    bool m_endedByAdd = false;
    bool m_exiting = false; // Exit was chosen: the close is not the person's close box
    bool m_unloaded = false;
};

} // namespace quillet
