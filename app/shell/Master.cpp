#include "Master.h"

#include "DropTarget.h"
#include "ItemPickers.h"
#include "LogWindow.h"
#include "NewSync.h"
#include "Pictures.h"
#include "ShowAgain.h"
#include "Splash.h"
#include "SyncListModel.h"
#include "base/Format.h"
#include "base/Translate.h"
#include "controls/NotifyIconShell.h"
#include "controls/SystemTray.h"
#include "controls/XPButton.h"
#include "platform/AppPaths.h"
#include "platform/AutostartEntry.h"
#include "platform/ProcessStarter.h"
#include "sync/SyncSession.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStorageInfo>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeView>
#include <QWindow>

#include <algorithm>

namespace quillet {

Master::Master(SyncSession& session, QString logPath, MasterServices services)
    : m_session(session), m_logPath(std::move(logPath)),
      m_pickers(services.pickers ? *services.pickers : ItemPickers::system()),
      m_questions(this, m_pickers), m_controller(session, m_questions),
      m_processes(services.processes ? *services.processes : platform::ProcessStarter::system()),
      m_commandLine(std::move(services.CommandLine)),
      m_tray(std::make_unique<SystemTray>(nullptr, std::move(services.trayShell))),
      m_passView(*this, m_ui, *m_tray,
                 PassView::Window{
                     [this](QLabel* label, const QString& text) { setLabelText(label, text); },
                     [this] { return driveSizeText(); }, [this] { return freeSpaceText(); },
                     [this] { rowsRebuilt(); }}),
      m_engine(session, m_passView, m_logPath, services.clock ? *services.clock : Clock::system()),
      m_freeSpace(std::move(services.freeSpace)) {
    if (!m_freeSpace)
        m_freeSpace = [](const QString& root) -> std::optional<qint64> {
            const QStorageInfo volume(root);
            if (!volume.isValid() || !volume.isReady())
                return std::nullopt;
            return volume.bytesAvailable();
        };
    setObjectName(QStringLiteral("Master"));
    m_controller.onListEdited = [this] { listEdited(); };
    createControls();
    load();
}

Master::~Master() {
    // The watch must not call back into a window that is gone.
    DriveWatch& watch = m_session.watch();
    watch.onSearchTimerChanged = nullptr;
    watch.runPass = nullptr;
    watch.onSearching = nullptr;
    watch.onFound = nullptr;
    watch.onNotFound = nullptr;
}

void Master::createControls() {
    m_ui.create(*this, m_session.list());
    // Files dropped from the desktop are added; not during a pass or another add: their
    // lists would change under them.
    new DropTarget(
        *m_ui.syncFiles->viewport(),
        [this] { return !m_engine.isRunning() && !m_controller.editing(); },
        [this](const QStringList& paths) { filesDropped(paths); });
    m_tray->setObjectName(QStringLiteral("tray"));
    m_emblem = Pictures::picture(QStringLiteral("emblem"));

    // Commands.
    connect(m_ui.addFile, &XPButton::Click, this, [this] { AddNewFile(QString()); });
    connect(m_ui.addFolderButton, &XPButton::Click, this, [this] { chooseFolderToAdd(); });
    connect(m_ui.removeFile, &XPButton::Click, this, [this] { removeSelected(); });
    connect(m_ui.update, &QLabel::linkActivated, this, [this] { checkForUpgrades(); });
    connect(m_ui.syncButton, &XPButton::Click, this, [this] { syncButtonClicked(); });
    connect(m_ui.syncIt, &QAction::triggered, this, [this] { Syncronize(); });
    connect(m_ui.stopButton, &XPButton::Click, this, [this] { stopPass(); });
    connect(m_ui.viewLog, &XPButton::Click, this, [this] { showLog(); });
    connect(m_ui.newFlash, &XPButton::Click, this, [this] { pairNewDrive(); });
    connect(m_ui.conflictsResolution, &QComboBox::activated, this,
            [this](int index) { optionChosen(m_session.selectConflictMode(index)); });
    connect(m_ui.refreshTime, &QComboBox::activated, this,
            [this](int index) { optionChosen(m_session.selectRefreshTime(index)); });
    connect(m_ui.startAtLogin, &QCheckBox::clicked, this,
            [this](bool checked) { startAtLoginChosen(checked); });
    connect(m_ui.searchTimer, &QTimer::timeout, this, [this] { searchTick(); });
    // The icon: the left button shows or hides the window, any other pops the menu up.
    connect(m_tray.get(), &SystemTray::MouseDown, this, [this](short mouseButton) {
        if (mouseButton == 1)
            toggleShown();
        else
            m_ui.menuTray->popup(QCursor::pos());
    });
    connect(m_tray.get(), &SystemTray::BalloonClick, this, [this] { showLog(); });
    connect(m_ui.qltShow, &QAction::triggered, this, [this] { toggleShown(); });
    connect(m_ui.qltExit, &QAction::triggered, this, [this] { exitProgram(); });

    // The watch runs on the session; the window mirrors its timer and shows its states.
    DriveWatch& watch = m_session.watch();
    watch.onSearchTimerChanged = [this](bool on) {
        if (on && !m_unloaded)
            m_ui.searchTimer->start();
        else
            m_ui.searchTimer->stop();
    };
    watch.onSearching = [this] {
        // Another program (the command line tool) may have changed the settings: each search
        // and the pass after it work on them as they are stored now.
        m_session.reloadSettings();
        showOptions();
        m_passView.showSearching();
    };
    watch.onFound = [this] { m_ui.syncButton->SetEnabled(true); };
    // Plugged in again, the drive's failures are news again.
    watch.onNotFound = [this] { m_notices.driveGone(); };
    watch.runPass = [this] { Syncronize(); };
}

void Master::load() {
    const BuildVersion version = BuildVersion::current();
    // 1. The caption.
    m_caption = Captions::mainCaption(version);
    setWindowTitle(m_caption);
    resize(MasterDesign::DesignClient);
    // 3. The columns were made with the model. 4. The tray menu.
    m_ui.qltShow->setText(Translate(QStringLiteral("Show/Hide")) + QLatin1Char(' ') + m_caption);
    QFont bold = m_ui.qltShow->font();
    bold.setBold(true);
    m_ui.qltShow->setFont(bold);
    m_ui.qltExit->setText(Translate(QStringLiteral("Exit")));
    // 5. to 10. The captions and the two lists. Access keys are added in order of
    // importance, each the first free letter of its caption.
    QString keys;
    const QString syncNow = Translate(QStringLiteral("Synchronize Now"));
    const QString syncNowKeyed = Captions::withAccessKey(syncNow, keys);
    const QString stopKeyed = Captions::withAccessKey(Translate(QStringLiteral("Stop")), keys);
    const QString addFileKeyed =
        Captions::withAccessKey(Translate(QStringLiteral("Add file to sync...")), keys);
    const QString addFolderKeyed =
        Captions::withAccessKey(Translate(QStringLiteral("Add folder to sync...")), keys);
    const QString removeKeyed =
        Captions::withAccessKey(Translate(QStringLiteral("Remove Sync...")), keys);
    m_ui.viewLog->SetCaption(Captions::withAccessKey(Translate(QStringLiteral("View Log")), keys));
    m_ui.labels[0]->setText(
        Captions::withAccessKey(Translate(QStringLiteral("Conflicts resolution:")), keys));
    m_ui.labels[1]->setText(
        Captions::withAccessKey(Translate(QStringLiteral("Refresh Time:")), keys));
    m_ui.refreshTime->clear();
    m_ui.refreshTime->addItems(Captions::refreshEntries());
    m_ui.addFile->SetCaption(addFileKeyed);
    m_ui.removeFile->SetCaption(removeKeyed);
    m_ui.addFolderButton->SetCaption(addFolderKeyed);
    m_passView.setStopCaption(stopKeyed);
    m_ui.stopButton->SetCaption(stopKeyed);
    m_ui.stopButton->hide();
    m_passView.setFileStatus(QString());
    m_ui.conflictsResolution->clear();
    m_ui.conflictsResolution->addItems(Captions::conflictEntries());
    MasterControls::fitPopup(m_ui.conflictsResolution);
    MasterControls::fitPopup(m_ui.refreshTime);
    m_ui.syncButton->SetCaption(syncNowKeyed);
    m_ui.syncIt->setText(syncNow);
    m_ui.update->setText(QStringLiteral("<a href=\"update\">%1</a>")
                             .arg(Translate(QStringLiteral("Check for upgrades")).toHtmlEscaped()));
    m_ui.appCopy->setText(Captions::aboutLine(version));
    m_newFlashKeys = keys;
    // 11. Settings, options, the list and the watch; then the command line's item, after
    // which the program ends without an icon or a window.
    GoLoad();
    if (GoAdds()) {
        m_endedByAdd = true;
        return;
    }
    // 12. The icon.
    m_tray->SetToolTip(m_caption);
    m_tray->Add();
}

void Master::GoLoad() {
    // The choices stored back are those read: a store that cannot take them keeps what it
    // had, and says so at the first edit the person makes.
    (void)m_session.GoLoad();
    showOptions();
    QString keys = m_newFlashKeys;
    m_ui.newFlash->SetCaption(
        Captions::withAccessKey(Translate(QStringLiteral("Setup a new drive")), keys));
    m_ui.startAtLogin->setText(
        Captions::withAccessKey(Translate(QStringLiteral("Start at login")), keys));
    showStartAtLogin();
    centreOnScreen();
    rowsRebuilt();
}

void Master::showOptions() {
    // The session chose (and stored) the entries; the lists show its choice.
    const QSignalBlocker conflictsQuiet(m_ui.conflictsResolution);
    const QSignalBlocker refreshQuiet(m_ui.refreshTime);
    m_ui.refreshTime->setCurrentIndex(m_session.refreshSelection().value_or(-1));
    m_ui.conflictsResolution->setCurrentIndex(m_session.conflictSelection().value_or(-1));
}

void Master::optionChosen(const EditOutcome& outcome) {
    if (outcome.ok())
        return;
    // Not stored: the list goes back to what is in force, and the person learns why.
    showOptions();
    if (!outcome.message.isEmpty())
        QMessageBox::warning(this, windowTitle(), outcome.message);
}

void Master::startAtLoginChosen(bool on) {
    // The entry is the stored choice: the desktop reads it at login, the command line tool
    // switches it too.
    platform::AutostartEntry entry(QCoreApplication::applicationFilePath());
    const platform::Status done = on ? entry.turnOn() : entry.turnOff();
    showStartAtLogin();
    if (!done)
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(done.error().message));
}

void Master::showStartAtLogin() {
    const QSignalBlocker quiet(m_ui.startAtLogin);
    m_ui.startAtLogin->setChecked(
        platform::AutostartEntry(QCoreApplication::applicationFilePath()).isOn());
}

void Master::RefreshFiles() {
    m_session.RefreshFiles();
    rowsRebuilt();
}

void Master::SaveFiles() {
    m_session.SaveFiles();
}

void Master::listEdited() {
    rowsRebuilt();
}

void Master::rowsRebuilt() {
    m_ui.model->rowsReplaced();
    showTotals();
    applyLayout();
}

namespace {
QString inBytes(qint64 count) {
    return formatBytes(count) + QLatin1Char(' ') + Translate(QStringLiteral("bytes"));
}
} // namespace

QString Master::filesSizeText() const {
    // Summed from the rows as they stand: an add shows in the total at once.
    qint64 total = 0;
    for (const SyncItem& item : m_session.list().rows())
        total += item.length;
    return Translate(QStringLiteral("Total size of files to sync:")) + QLatin1Char(' ') +
           inBytes(total);
}

QString Master::driveSizeText() const {
    return Translate(QStringLiteral("Disk Size:")) + QLatin1Char(' ') +
           inBytes(static_cast<qint64>(m_session.drive.DriveSize));
}

QString Master::freeSpaceText() const {
    // What the volume has available, as the system reports it; unknown while it is away.
    const std::optional<qint64> free =
        m_session.driveFound() ? m_freeSpace(m_session.FoundLetter()) : std::nullopt;
    return Translate(QStringLiteral("Disk Free Space:")) + QLatin1Char(' ') +
           (free ? inBytes(*free) : QStringLiteral("?"));
}

void Master::showTotals() {
    setLabelText(m_ui.drvFilesSize, filesSizeText());
    setLabelText(m_ui.drvSize, driveSizeText());
    setLabelText(m_ui.drvFreeSpace, freeSpaceText());
}

void Master::Syncronize() {
    // Not while an add waits for its answers: the list under the dialog would change.
    if (m_controller.editing() || m_engine.isRunning())
        return;
    // Another program (the command line tool) may have changed the list or the options
    // since the last search: the pass works on them as they are stored now.
    m_session.reloadSettings();
    showOptions();
    m_passView.forgetPass();
    m_engine.Syncronize();
    if (m_session.passBusy())
        m_passView.showPassBusy(m_session.driveFound());
    if (m_passView.passRan())
        tellFailures();
}

void Master::syncButtonClicked() {
    // The button stands where Stop stood: a click aimed at Stop that arrives just after the
    // pass ended would otherwise start a whole new pass.
    if (m_passView.endedJustNow())
        return;
    Syncronize();
}

void Master::stopPass() {
    if (!m_engine.isRunning())
        return;
    m_engine.requestStop();
    // The copy in hand ends first: the button says at once that the stop is under way.
    m_ui.stopButton->SetCaption(Translate(QStringLiteral("Stopping\u2026")));
    m_ui.stopButton->SetEnabled(false);
    m_ui.stopButton->repaint();
    QCoreApplication::processEvents();
}

void Master::searchTick() {
    m_session.watch().tick();
}

void Master::pairNewDrive() {
    m_session.watch().setSearchTimer(false);
    m_session.list().clear();
    m_ui.model->rowsReplaced();
    {
        NewSync dialog(m_controller, this);
        dialog.exec();
    }
    GoLoad();
}

void Master::showLog() {
    if (!m_logWindow) {
        m_logWindow = new LogWindow(m_logPath);
        m_logWindow->setAttribute(Qt::WA_DeleteOnClose);
        // Over the main window, where the person who asked for it is looking.
        m_logWindow->move(frameGeometry().center() - m_logWindow->rect().center());
    }
    m_logWindow->setWindowTitle(windowTitle());
    m_logWindow->show();
    m_logWindow->raise();
    m_logWindow->activateWindow();
}

void Master::showSplash() {
    auto* splash = new Splash;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
}

void Master::setLabelText(QLabel* label, const QString& text) {
    if (label->text() == text)
        return;
    label->setText(text);
    // Labels take the size of their text; the layout places them by it.
    applyLayout();
}

void Master::applyLayout() {
    if (m_inLayout)
        return;
    m_inLayout = true;
    const QSize outer = frameGeometry().size();
    const QSize frame = outer - size();
    m_laidOutFrame = frame;
    const MasterGeometry places = layoutMaster(outer, m_ui.design());
    if (places.window != outer && !isMinimized())
        resize(places.window - frame); // its resize event lays out again
    m_ui.place(places);
    m_passView.showFileStatus();
    m_inLayout = false;
}

void Master::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    applyLayout();
}

void Master::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // The layout reads the outer size: a window shown before the window manager framed it
    // (the first showing, a return from the notification area) was laid out without its
    // frame. The frame arrives with a move.
    if (frameGeometry().size() - size() != m_laidOutFrame)
        applyLayout();
}

void Master::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    applyLayout();
}

bool Master::notificationAreaAvailable() const {
    return m_notificationArea ? m_notificationArea() : QSystemTrayIcon::isSystemTrayAvailable();
}

bool Master::iconReachable() const {
    return m_tray->IconShown() && notificationAreaAvailable();
}

void Master::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // Minimised, the window goes to the notification area, when there is one to bring it
    // back from; otherwise it stays an ordinary minimised window.
    if (!iconReachable())
        return;
    // Only hidden here: setting the state back to normal now would map the window again on
    // X, an empty frame on screen while the window counts as hidden. It goes back to normal
    // when it is shown again.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized())
            hide();
    });
}

void Master::toggleShown() {
    if (isVisible()) {
        hide();
        return;
    }
    bringBack();
}

void Master::bringBack() {
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void Master::centreOnScreen() {
    const QScreen* where = screen();
    if (!where)
        return;
    const QRect area = where->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

void Master::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    if (at.x() < SplashCorner.width() && at.y() < SplashCorner.height())
        showSplash();
}

void Master::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (m_emblem.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(10, 12, m_emblem);
}

bool Master::GoAdds() {
    m_session.watch().setSearchTimer(false);
    const CommandLineAdd add = CommandLineAdd::parse(m_commandLine);
    if (add.kind == CommandLineAdd::Kind::None) {
        m_session.watch().setSearchTimer(true);
        return false;
    }
    // Where the drive is now, without a pass.
    m_session.SearchLetter();
    {
        const SyncController::WatchRest rest(m_controller);
        showRefusal(m_controller.addNamed(add));
    }
    // The program ends here: no search, no pass.
    m_session.watch().setSearchTimer(false);
    return true;
}

void Master::handedOver(const QString& commandLine) {
    if (!m_unloaded)
        bringBack();
    const CommandLineAdd add = CommandLineAdd::parse(commandLine);
    if (add.kind == CommandLineAdd::Kind::None || m_unloaded)
        return;
    // Not into a pass or another add: their lists would change under them. It waits.
    if (m_engine.isRunning() || m_controller.editing()) {
        QTimer::singleShot(500, this, [this, commandLine] { handedOver(commandLine); });
        return;
    }
    const SyncController::WatchRest rest(m_controller);
    showRefusal(m_controller.addNamed(add));
}

void Master::showMessage(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
}

void Master::showRefusal(const EditOutcome& outcome) {
    if (outcome.ok() || outcome.message.isEmpty())
        return;
    // A destination off the drive, and what the system refused, are errors; the rest are
    // warnings about what was chosen.
    const bool error = outcome.code == EditOutcome::Code::NotSaved ||
                       outcome.code == EditOutcome::Code::RemoteNotDeleted ||
                       outcome.message == Translate(QStringLiteral("Folder should be on the "
                                                                   "remote drive !!"));
    showMessage(error ? QMessageBox::Critical : QMessageBox::Warning, outcome.message);
}

// Each edit's outcome is told while the watch still rests: no pass starts under the message.
void Master::AddNewFile(const QString& path) {
    const SyncController::WatchRest rest(m_controller);
    showRefusal(m_controller.addFile(path));
}

void Master::AddNewFolder(const QString& path) {
    const SyncController::WatchRest rest(m_controller);
    showRefusal(m_controller.addFolder(path));
}

void Master::chooseFolderToAdd() {
    const SyncController::WatchRest rest(m_controller);
    showRefusal(m_controller.addFolder(QString()));
}

void Master::removeSelected() {
    const QModelIndexList selected = m_ui.syncFiles->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    const SyncController::WatchRest rest(m_controller);
    showRefusal(m_controller.removeRow(selected.first().row()));
}

void Master::filesDropped(const QStringList& paths) {
    for (const QString& path : paths)
        AddNewFile(path);
    // Also when nothing dropped was a file.
    Syncronize();
}

void Master::checkForUpgrades() {
    // Nothing is said when it is missing: the program goes on as it was.
    m_processes.startDetached(platform::UpdaterPath(),
                              {QStringLiteral("qlt&") + QCoreApplication::applicationFilePath()});
}

void Master::tellFailures() {
    const SyncEngine::Summary& pass = m_engine.lastPass();
    if (const std::optional<QString> notice =
            m_notices.afterPass(pass.conflicts, pass.failures, describe(pass.firstReason)))
        m_tray->ShowBalloon(m_caption, *notice);
}

void Master::closeEvent(QCloseEvent* event) {
    // The person's close box sends the window to the notification area, when there is one
    // to bring it back from. Exit, the end of the session and a desktop without one close it.
    if (!m_exiting && event->spontaneous() && iconReachable()) {
        event->ignore();
        if (m_session.exitWarningShown()) {
            ShowAgain notice(m_session, this);
            notice.exec();
        }
        hide();
        return;
    }
    QWidget::closeEvent(event);
    unload();
}

void Master::exitProgram() {
    m_exiting = true;
    close();
}

void Master::unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    // The watch ends with the window; a pass under way stops at its next check.
    m_controller.keepWatchStopped();
    m_session.watch().setSearchTimer(false);
    m_ui.searchTimer->stop();
    if (m_engine.isRunning())
        m_engine.requestStop();
    m_tray->Delete();
    // An open log viewer keeps the program until it is closed.
    if (m_logWindow) {
        connect(m_logWindow, &QObject::destroyed, this, [this] { Q_EMIT ended(); });
        return;
    }
    Q_EMIT ended();
}

} // namespace quillet
