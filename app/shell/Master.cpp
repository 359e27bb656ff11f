#include "Master.h"

#include "CellTips.h"
#include "ItemPickers.h"
#include "LogWindow.h"
#include "NewSync.h"
#include "Pictures.h"
#include "ShowAgain.h"
#include "Splash.h"
#include "SyncListModel.h"
#include "base/Format.h"
#include "base/Path.h"
#include "base/Translate.h"
#include "controls/NotifyIconShell.h"
#include "controls/SystemTray.h"
#include "controls/XPButton.h"
#include "platform/AppPaths.h"
#include "platform/AutostartEntry.h"
#include "platform/ProcessStarter.h"
#include "sync/SyncSession.h"

#include <GraphicBar.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStorageInfo>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeView>
#include <QWindow>

#include <algorithm>

namespace quillet {

namespace {
// The copy bar's colours, as 0x00BBGGRR.
constexpr int BarForeColor = 0x00D77800; // the blue of the emblem's arrow
constexpr int BarBackColor = 0x00EAE0D8;
} // namespace

namespace {
// The entries are longer than the box is wide (the layout fixes its size): the open list is
// made wide enough for its longest one. The list is a window of its own, which would take
// the desktop's type rather than the box's; it takes the box's, as it was measured.
void fitPopup(QComboBox* box) {
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
} // namespace

// The drive watch is paused while an add or a removal is under way (its dialogs are
// open), and runs again when the last one ends, however it ended.
class WatchPause {
public:
    explicit WatchPause(Master& window) : m_window(window) {
        ++m_window.m_edits;
        m_window.m_session.watch().setSearchTimer(false);
    }
    ~WatchPause() {
        if (--m_window.m_edits == 0 && !m_window.m_unloaded)
            m_window.m_session.watch().setSearchTimer(true);
    }
    WatchPause(const WatchPause&) = delete;
    WatchPause& operator=(const WatchPause&) = delete;

private:
    Master& m_window;
};

Master::Master(SyncSession& session, QString logPath, MasterServices services)
    : m_session(session), m_logPath(std::move(logPath)),
      m_pickers(services.pickers ? *services.pickers : ItemPickers::system()),
      m_processes(services.processes ? *services.processes : platform::ProcessStarter::system()),
      m_commandLine(std::move(services.CommandLine)),
      m_engine(session, *this, m_logPath, services.clock ? *services.clock : Clock::system()),
      m_freeSpace(std::move(services.freeSpace)) {
    if (!m_freeSpace)
        m_freeSpace = [](const QString& root) -> std::optional<qint64> {
            const QStorageInfo volume(root);
            if (!volume.isValid() || !volume.isReady())
                return std::nullopt;
            return volume.bytesAvailable();
        };
    setObjectName(QStringLiteral("Master"));
    m_tray = std::make_unique<SystemTray>(nullptr, std::move(services.trayShell));
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
    // The small type of a utility window; every caption is designed to fit it.
    setFont(Captions::windowFont());
    m_model = new SyncListModel(m_session.list(), this);
    m_syncFiles = new QTreeView(this);
    m_syncFiles->setObjectName(QStringLiteral("syncFiles"));
    m_syncFiles->setModel(m_model);
    m_syncFiles->setRootIsDecorated(false);
    m_syncFiles->setItemsExpandable(false);
    m_syncFiles->setUniformRowHeights(true);
    m_syncFiles->setAllColumnsShowFocus(true);
    m_syncFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_syncFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    m_syncFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_syncFiles->setTextElideMode(Qt::ElideMiddle);
    // A cut cell can still be read whole, in its tooltip.
    m_syncFiles->setItemDelegate(new CellTips(m_syncFiles));
    // The last column takes what the frame and scroll bar leave, so that a list that fits
    // has no horizontal scroll bar.
    m_syncFiles->header()->setStretchLastSection(true);
    m_syncFiles->header()->setSectionsMovable(false);
    // Files dropped from the desktop are added; the list itself takes no drags of its own.
    m_syncFiles->setAcceptDrops(true);
    m_syncFiles->viewport()->installEventFilter(this);

    auto label = [this](const char* name) {
        auto* made = new QLabel(this);
        made->setObjectName(QLatin1String(name));
        return made;
    };
    m_drvFilesSize = label("DrvFilesSize");
    m_drvSize = label("DrvSize");
    m_drvFreeSpace = label("DrvFreeSpace");
    m_fileStatus = label("FileStatus");
    m_appCopy = label("AppCopy");
    m_appCopy->setStyleSheet(QStringLiteral("color: #5a6877;"));
    m_labels = {label("Labels0"), label("Labels1")};
    m_update = label("Update");
    m_update->setTextFormat(Qt::RichText);
    m_update->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);

    m_conflictsResolution = new QComboBox(this);
    m_conflictsResolution->setObjectName(QStringLiteral("ConflictsResolution"));
    m_refreshTime = new QComboBox(this);
    m_refreshTime->setObjectName(QStringLiteral("RefreshTime"));
    // As narrow as the button above it: little room to spare around the entry.
    m_refreshTime->setStyleSheet(QStringLiteral(
        "QComboBox#RefreshTime { padding: 0px 0px 0px 3px; }"
        "QComboBox#RefreshTime::drop-down { width: 13px; border: none; }"
        "QComboBox#RefreshTime::down-arrow { image: url(:/quillet/shell/images/down-arrow.svg);"
        " width: 7px; height: 4px; }"));
    m_startAtLogin = new QCheckBox(this);
    m_startAtLogin->setObjectName(QStringLiteral("StartAtLogin"));
    m_labels[0]->setBuddy(m_conflictsResolution);
    m_labels[1]->setBuddy(m_refreshTime);

    auto button = [this](const char* name) {
        auto* made = new XPButton(this);
        made->setObjectName(QLatin1String(name));
        made->SetFont(Captions::buttonFont());
        return made;
    };
    m_addFile = button("AddFile");
    m_addFolderButton = button("AddFolderButton");
    m_removeFile = button("RemoveFile");
    m_syncButton = button("SyncButton");
    m_stopButton = button("StopButton");
    m_viewLog = button("ViewLog");
    m_newFlash = button("NewFlash");

    m_copyBar = new GraphicBar(this);
    m_copyBar->setObjectName(QStringLiteral("CopyBar"));
    m_copyBar->setForeColor(BarForeColor);
    m_copyBar->setBackColor(BarBackColor);
    m_copyBar->setValue(0);
    m_copyBar->hide();

    m_searchTimer = new QTimer(this);
    m_searchTimer->setObjectName(QStringLiteral("SearchTimer"));
    m_searchTimer->setInterval(1000);

    m_tray->setObjectName(QStringLiteral("tray"));

    m_menuTray = new QMenu(this);
    m_menuTray->setObjectName(QStringLiteral("MenuTray"));
    m_qltShow = m_menuTray->addAction(QString());
    m_qltShow->setObjectName(QStringLiteral("qlt_show"));
    m_syncIt = m_menuTray->addAction(QString());
    m_syncIt->setObjectName(QStringLiteral("SyncIt"));
    m_sep = m_menuTray->addSeparator();
    m_sep->setObjectName(QStringLiteral("Sep"));
    m_qltExit = m_menuTray->addAction(QString());
    m_qltExit->setObjectName(QStringLiteral("qlt_exit"));
    m_menuTray->setDefaultAction(m_qltShow);

    m_emblem = Pictures::picture(QStringLiteral("emblem"));

    // Reading order: the link, the check box and the option above the list, the list, the
    // first row of buttons, then the second row from left to right.
    setTabOrder(m_update, m_startAtLogin);
    setTabOrder(m_startAtLogin, m_conflictsResolution);
    setTabOrder(m_conflictsResolution, m_syncFiles);
    setTabOrder(m_syncFiles, m_addFile);
    setTabOrder(m_addFile, m_addFolderButton);
    setTabOrder(m_addFolderButton, m_removeFile);
    setTabOrder(m_removeFile, m_newFlash);
    setTabOrder(m_newFlash, m_refreshTime);
    setTabOrder(m_refreshTime, m_viewLog);
    setTabOrder(m_viewLog, m_syncButton);
    setTabOrder(m_syncButton, m_stopButton);

    // Commands.
    connect(m_addFile, &XPButton::Click, this, [this] { AddNewFile(QString()); });
    connect(m_addFolderButton, &XPButton::Click, this, [this] { chooseFolderToAdd(); });
    connect(m_removeFile, &XPButton::Click, this, [this] { removeSelected(); });
    connect(m_update, &QLabel::linkActivated, this, [this] { checkForUpgrades(); });
    connect(m_syncButton, &XPButton::Click, this, [this] { syncButtonClicked(); });
    connect(m_syncIt, &QAction::triggered, this, [this] { Syncronize(); });
    connect(m_stopButton, &XPButton::Click, this, [this] { stopPass(); });
    connect(m_viewLog, &XPButton::Click, this, [this] { showLog(); });
    connect(m_newFlash, &XPButton::Click, this, [this] { pairNewDrive(); });
    connect(m_conflictsResolution, &QComboBox::activated, this,
            [this](int index) { optionChosen(m_session.selectConflictMode(index)); });
    connect(m_refreshTime, &QComboBox::activated, this,
            [this](int index) { optionChosen(m_session.selectRefreshTime(index)); });
    connect(m_startAtLogin, &QCheckBox::clicked, this,
            [this](bool checked) { startAtLoginChosen(checked); });
    connect(m_searchTimer, &QTimer::timeout, this, [this] { searchTick(); });
    // The icon: the left button shows or hides the window, any other pops the menu up.
    connect(m_tray.get(), &SystemTray::MouseDown, this, [this](short mouseButton) {
        if (mouseButton == 1)
            toggleShown();
        else
            m_menuTray->popup(QCursor::pos());
    });
    connect(m_tray.get(), &SystemTray::BalloonClick, this, [this] { showLog(); });
    connect(m_qltShow, &QAction::triggered, this, [this] { toggleShown(); });
    connect(m_qltExit, &QAction::triggered, this, [this] { exitProgram(); });

    // The watch runs on the session; the window mirrors its timer and shows its states.
    DriveWatch& watch = m_session.watch();
    watch.onSearchTimerChanged = [this](bool on) {
        if (on && !m_unloaded)
            m_searchTimer->start();
        else
            m_searchTimer->stop();
    };
    watch.onSearching = [this] {
        // Another program (the command line tool) may have changed the settings: each search
        // and the pass after it work on them as they are stored now.
        m_session.reloadSettings();
        showOptions();
        showSearching();
    };
    watch.onFound = [this] { m_syncButton->SetEnabled(true); };
    // Plugged in again, the drive's failures are news again.
    watch.onNotFound = [this] { m_failuresTold = 0; };
    watch.runPass = [this] { Syncronize(); };
}

void Master::load() {
    const BuildVersion version = BuildVersion::current();
    // 1. The caption.
    m_caption = Captions::mainCaption(version);
    setWindowTitle(m_caption);
    resize(MasterDesign::DesignClient);
    // 3. The columns were made with the model. 4. The tray menu.
    m_qltShow->setText(Translate(QStringLiteral("Show/Hide")) + QLatin1Char(' ') + m_caption);
    QFont bold = m_qltShow->font();
    bold.setBold(true);
    m_qltShow->setFont(bold);
    m_qltExit->setText(Translate(QStringLiteral("Exit")));
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
    m_viewLog->SetCaption(Captions::withAccessKey(Translate(QStringLiteral("View Log")), keys));
    m_labels[0]->setText(
        Captions::withAccessKey(Translate(QStringLiteral("Conflicts resolution:")), keys));
    m_labels[1]->setText(Captions::withAccessKey(Translate(QStringLiteral("Refresh Time:")), keys));
    m_refreshTime->clear();
    m_refreshTime->addItems(Captions::refreshEntries());
    m_addFile->SetCaption(addFileKeyed);
    m_removeFile->SetCaption(removeKeyed);
    m_addFolderButton->SetCaption(addFolderKeyed);
    m_stopCaption = stopKeyed;
    m_stopButton->SetCaption(stopKeyed);
    m_stopButton->hide();
    setFileStatus(QString());
    m_conflictsResolution->clear();
    m_conflictsResolution->addItems(Captions::conflictEntries());
    fitPopup(m_conflictsResolution);
    fitPopup(m_refreshTime);
    m_syncButton->SetCaption(syncNowKeyed);
    m_syncIt->setText(syncNow);
    m_update->setText(QStringLiteral("<a href=\"update\">%1</a>")
                          .arg(Translate(QStringLiteral("Check for upgrades")).toHtmlEscaped()));
    m_appCopy->setText(Captions::aboutLine(version));
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
    m_session.GoLoad();
    showOptions();
    QString keys = m_newFlashKeys;
    m_newFlash->SetCaption(
        Captions::withAccessKey(Translate(QStringLiteral("Setup a new drive")), keys));
    m_startAtLogin->setText(
        Captions::withAccessKey(Translate(QStringLiteral("Start at login")), keys));
    showStartAtLogin();
    centreOnScreen();
    rowsRebuilt();
}

void Master::showOptions() {
    // The session chose (and stored) the entries; the lists show its choice.
    const QSignalBlocker conflictsQuiet(m_conflictsResolution);
    const QSignalBlocker refreshQuiet(m_refreshTime);
    m_refreshTime->setCurrentIndex(m_session.refreshSelection().value_or(-1));
    m_conflictsResolution->setCurrentIndex(m_session.conflictSelection().value_or(-1));
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
    const QSignalBlocker quiet(m_startAtLogin);
    m_startAtLogin->setChecked(
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
    m_model->rowsReplaced();
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
    setLabelText(m_drvFilesSize, filesSizeText());
    setLabelText(m_drvSize, driveSizeText());
    setLabelText(m_drvFreeSpace, freeSpaceText());
}

void Master::Syncronize() {
    // Not while an add waits for its answers: the list under the dialog would change.
    if (m_edits > 0 || m_engine.isRunning())
        return;
    // Another program (the command line tool) may have changed the list or the options
    // since the last search: the pass works on them as they are stored now.
    m_session.reloadSettings();
    showOptions();
    m_passRan = false;
    m_engine.Syncronize();
    if (m_session.passBusy())
        showPassBusy();
    if (m_passRan)
        tellFailures();
}

void Master::syncButtonClicked() {
    // The button stands where Stop stood: a click aimed at Stop that arrives just after the
    // pass ended would otherwise start a whole new pass.
    if (m_syncShown.isValid() && m_syncShown.elapsed() < QApplication::doubleClickInterval())
        return;
    Syncronize();
}

void Master::showPassBusy() {
    // The pass did not start: another program of this user is passing. The window leaves
    // the searching state it may be in, and says so where it says the drive is missing.
    m_addFile->SetEnabled(true);
    m_removeFile->SetEnabled(true);
    m_conflictsResolution->setEnabled(true);
    m_syncButton->SetEnabled(m_session.driveFound());
    for (QLabel* label : {m_drvFilesSize, m_drvSize, m_drvFreeSpace})
        label->setEnabled(true);
    setLabelText(m_drvFilesSize, Translate(QStringLiteral(
                                     "Another pass is running; waiting for the next search.")));
    setLabelText(m_drvSize, driveSizeText());
    setLabelText(m_drvFreeSpace, freeSpaceText());
}

void Master::stopPass() {
    if (!m_engine.isRunning())
        return;
    m_engine.requestStop();
    // The copy in hand ends first: the button says at once that the stop is under way.
    m_stopButton->SetCaption(Translate(QStringLiteral("Stopping\u2026")));
    m_stopButton->SetEnabled(false);
    m_stopButton->repaint();
    QCoreApplication::processEvents();
}

void Master::searchTick() {
    m_session.watch().tick();
}

void Master::pairNewDrive() {
    m_session.watch().setSearchTimer(false);
    m_session.list().clear();
    m_model->rowsReplaced();
    {
        NewSync dialog(m_session, this);
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

void Master::showSearching() {
    m_addFile->SetEnabled(false);
    m_removeFile->SetEnabled(false);
    m_drvFilesSize->setEnabled(false);
    m_drvFreeSpace->setEnabled(false);
    setLabelText(m_drvFilesSize,
                 Translate(QStringLiteral("The selected removable drive was not found.")));
    setLabelText(m_drvSize, QString());
    setLabelText(m_drvFreeSpace, QString());
    m_conflictsResolution->setEnabled(false);
    m_syncButton->SetEnabled(false);
    m_drvSize->setEnabled(false);
}

void Master::passStarted() {
    m_passRan = true;
    const bool keyboardOnSync = m_syncButton->hasFocus();
    m_addFile->SetEnabled(false);
    m_removeFile->SetEnabled(false);
    m_addFolderButton->SetEnabled(false);
    m_newFlash->SetEnabled(false);
    m_syncButton->hide();
    m_drvFilesSize->setEnabled(false);
    m_drvFreeSpace->setEnabled(false);
    setLabelText(m_drvFilesSize, QString());
    m_conflictsResolution->setEnabled(false);
    m_drvSize->setEnabled(false);
    m_viewLog->SetEnabled(false);
    m_stopButton->show();
    if (keyboardOnSync)
        m_stopButton->setFocus(); // the keyboard stays where the command was
}

void Master::passEnded() {
    const bool keyboardOnStop = m_stopButton->hasFocus();
    m_addFile->SetEnabled(true);
    m_removeFile->SetEnabled(true);
    m_drvFilesSize->setEnabled(true);
    m_drvFreeSpace->setEnabled(true);
    setLabelText(m_drvFilesSize, QString());
    m_conflictsResolution->setEnabled(true);
    m_syncButton->show();
    m_drvSize->setEnabled(true);
    m_addFolderButton->SetEnabled(true);
    m_viewLog->SetEnabled(true);
    m_newFlash->SetEnabled(true);
    m_stopButton->hide();
    m_stopButton->SetCaption(m_stopCaption);
    m_stopButton->SetEnabled(true);
    m_syncShown.start();
    setFileStatus(QString());
    // The pass changed what the drive holds.
    setLabelText(m_drvFreeSpace, freeSpaceText());
    hideCopyBar();
    if (keyboardOnStop)
        m_syncButton->setFocus();
}

void Master::setRowBold(int row, bool bold) {
    m_model->setRowBold(row, bold);
    if (bold)
        m_syncFiles->scrollTo(m_model->index(row, 0));
}

// The model reads the status from the list.
void Master::setRowStatus(int row, const QString& /*status*/) {
    m_model->rowStatusChanged(row);
}

void Master::setRowReason(int row, const QString& reason) {
    m_model->setRowReason(row, reason);
}

void Master::setFileStatus(const QString& text) {
    m_fileStatusText = text;
    showFileStatus();
}

void Master::showFileStatus() {
    const int room = m_fileStatus->width();
    const QString shown =
        room > 0 ? m_fileStatus->fontMetrics().elidedText(m_fileStatusText, Qt::ElideMiddle, room)
                 : m_fileStatusText;
    m_fileStatus->setText(shown);
    m_fileStatus->setToolTip(shown == m_fileStatusText ? QString() : m_fileStatusText);
}

// The window's caption titles its questions.
bool Master::confirmReplacement(const QString& /*title*/, const QString& question) {
    QString text = question;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Question, windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                    this);
    return box.exec() != QMessageBox::No;
}

void Master::copyProgress(const QString& file, qint64 done, qint64 total) {
    if (done == 0 || file != m_copyFile) {
        m_copyFile = file;
        m_copyClock.start();
    }
    if (done >= total) {
        hideCopyBar();
        return;
    }
    // A quick copy comes and goes without a bar flashing by.
    if (m_copyClock.elapsed() < ProgressDelayMs)
        return;
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
    // Drawn again only when the figure changes: the pass reports many times a second.
    if (m_copyBarShown && percent == m_copyBar->value())
        return;
    m_copyBar->setValue(percent);
    if (!m_copyBarShown) {
        m_copyBarShown = true;
        m_copyBar->show();
        m_copyBar->raise();
    }
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    m_tray->Update(QIcon(), QStringLiteral("%1% ").arg(percent) +
                                Translate(QStringLiteral("Copying...")) + QLatin1Char(' ') +
                                file.mid(slash + 1));
}

void Master::hideCopyBar() {
    if (!m_copyBarShown)
        return;
    m_copyBarShown = false;
    m_copyBar->hide();
    m_copyBar->setValue(0);
    m_tray->Restore();
}

void Master::yield() {
    QCoreApplication::processEvents();
}

void Master::setLabelText(QLabel* label, const QString& text) {
    if (label->text() == text)
        return;
    label->setText(text);
    // Labels take the size of their text; the layout places them by it.
    applyLayout();
}

MasterDesign Master::design() const {
    MasterDesign sizes;
    sizes.conflictsLabel = m_labels[0]->sizeHint();
    sizes.refreshLabel = m_labels[1]->sizeHint();
    sizes.drvFilesSize = m_drvFilesSize->sizeHint();
    sizes.drvSize = m_drvSize->sizeHint();
    sizes.drvFreeSpace = m_drvFreeSpace->sizeHint();
    sizes.fileStatusHeight = m_fileStatus->fontMetrics().height();
    sizes.appCopy = m_appCopy->sizeHint();
    sizes.update = m_update->sizeHint();
    sizes.startAtLogin = m_startAtLogin->sizeHint();
    // A button never cuts its caption (a longer translation): it grows past its design width.
    auto fitted = [](QSize designed, const XPButton* button) {
        const int needed =
            QFontMetrics(button->Font()).horizontalAdvance(Captions::plainText(button->Caption())) +
            8; // clear of the two-pixel rim and the border on each side
        return QSize(std::max(designed.width(), needed), designed.height());
    };
    sizes.addFile = fitted(sizes.addFile, m_addFile);
    sizes.addFolderButton = fitted(sizes.addFolderButton, m_addFolderButton);
    sizes.removeFile = fitted(sizes.removeFile, m_removeFile);
    sizes.syncButton = fitted(fitted(sizes.syncButton, m_syncButton), m_stopButton);
    sizes.viewLog = fitted(sizes.viewLog, m_viewLog);
    return sizes;
}

void Master::applyLayout() {
    if (m_inLayout)
        return;
    m_inLayout = true;
    const QSize outer = frameGeometry().size();
    const QSize frame = outer - size();
    m_laidOutFrame = frame;
    const MasterGeometry places = layoutMaster(outer, design());
    if (places.window != outer && !isMinimized())
        resize(places.window - frame); // its resize event lays out again
    m_syncFiles->setGeometry(places.syncFiles);
    int used = 0;
    for (int column = 0; column < SyncListModel::ColumnCount - 1; ++column) {
        const int width = places.columns[static_cast<std::size_t>(column)];
        m_syncFiles->setColumnWidth(column, width);
        used += width;
    }
    // The last column takes what the frame and a vertical scroll bar leave: at its share it
    // would overrun them by a few pixels, and an empty list would get a horizontal bar.
    int room = m_syncFiles->contentsRect().width();
    if (m_syncFiles->verticalScrollBar()->isVisible())
        room -= m_syncFiles->verticalScrollBar()->width();
    m_syncFiles->setColumnWidth(SyncListModel::ColumnCount - 1,
                                std::max(room - used, m_syncFiles->header()->minimumSectionSize()));
    m_addFile->setGeometry(places.addFile);
    m_addFolderButton->setGeometry(places.addFolderButton);
    m_removeFile->setGeometry(places.removeFile);
    m_labels[0]->setGeometry(places.conflictsLabel);
    m_conflictsResolution->setGeometry(places.conflictsResolution);
    m_startAtLogin->setGeometry(places.startAtLogin);
    m_drvFilesSize->setGeometry(places.drvFilesSize);
    m_drvSize->setGeometry(places.drvSize);
    m_drvFreeSpace->setGeometry(places.drvFreeSpace);
    m_syncButton->setGeometry(places.syncButton);
    m_stopButton->setGeometry(places.stopButton);
    m_viewLog->setGeometry(places.viewLog);
    m_fileStatus->setGeometry(places.fileStatus);
    m_copyBar->setGeometry(places.progressBar);
    m_newFlash->setGeometry(places.newFlash);
    m_appCopy->setGeometry(places.appCopy);
    m_update->setGeometry(places.update);
    m_refreshTime->setGeometry(places.refreshTime);
    m_labels[1]->setGeometry(places.refreshLabel);
    showFileStatus();
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
    addNamed(add);
    // The program ends here: no search, no pass.
    m_session.watch().setSearchTimer(false);
    return true;
}

void Master::addNamed(const CommandLineAdd& add) {
    if (add.kind == CommandLineAdd::Kind::File) {
        AddNewFile(add.path);
        return;
    }
    const QString path = withoutSeparator(add.path);
    if (m_session.probe().IsFolder(path) || !m_session.driveFound()) {
        AddNewFolder(add.path);
        return;
    }
    // "/f " and a file: added as a file, with the drive folder dialog.
    if (m_session.probe().FileExists(path)) {
        AddNewFile(path);
        return;
    }
    const bool exists = m_session.fileSystem().stat(Path::fromText(path).native()).exists;
    showMessage(QMessageBox::Warning,
                exists ? Translate(QStringLiteral("%1 cannot be synchronized: it is a link, "
                                                  "hidden or read-only."))
                             .arg(path)
                       : Translate(QStringLiteral("%1 was not found.")).arg(path));
}

void Master::handedOver(const QString& commandLine) {
    if (!m_unloaded)
        bringBack();
    const CommandLineAdd add = CommandLineAdd::parse(commandLine);
    if (add.kind == CommandLineAdd::Kind::None || m_unloaded)
        return;
    // Not into a pass or another add: their lists would change under them. It waits.
    if (m_engine.isRunning() || m_edits > 0) {
        QTimer::singleShot(500, this, [this, commandLine] { handedOver(commandLine); });
        return;
    }
    addNamed(add);
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

void Master::AddNewFile(const QString& xfile) {
    const WatchPause pause(*this);
    // The drive first: with it away, nothing is asked.
    if (const EditOutcome drive = m_session.checkNewFile(xfile);
        drive.code == EditOutcome::Code::DriveAbsent) {
        showRefusal(drive);
        return;
    }
    QString path = xfile;
    if (path.isEmpty()) {
        const std::optional<QString> chosen = m_pickers.ShowOpen(this, windowTitle());
        if (!chosen)
            return;
        path = *chosen;
    }
    if (const EditOutcome checked = m_session.checkNewFile(path); !checked.ok()) {
        showRefusal(checked);
        return;
    }
    const QString whereto = Translate(QStringLiteral("Where do you want to place ")) + path +
                            QStringLiteral(" in the removable drive ?");
    const QString destFolder = m_pickers.ShowCopyFile(this, whereto, m_session.FoundLetter());
    if (destFolder.isEmpty())
        return;
    const EditOutcome added = m_session.AddNewFile(path, destFolder);
    listEdited();
    showRefusal(added);
}

void Master::AddNewFolder(const QString& path) {
    const WatchPause pause(*this);
    // A path that is no folder is no add: nothing is said.
    if (const EditOutcome checked = m_session.checkNewFolder(path); !checked.ok()) {
        showRefusal(checked);
        return;
    }
    // Opens on the drive, where the new folder may be made.
    // The title names the folder being added: the picker shows only the drive.
    const QString destination =
        m_pickers.BrowseForFolder(this,
                                  Translate(QStringLiteral("Choose destination folder")) +
                                      QStringLiteral(": ") + withoutSeparator(path),
                                  true, m_session.FoundLetter());
    const EditOutcome added = m_session.AddNewFolder(path, destination);
    listEdited();
    showRefusal(added);
}

void Master::chooseFolderToAdd() {
    const WatchPause pause(*this);
    const QString folder = m_pickers.BrowseForFolder(
        this, Translate(QStringLiteral("Choose the Folder to Sync")), false, QDir::homePath());
    if (folder.isEmpty())
        return;
    AddNewFolder(folder);
}

void Master::removeSelected() {
    const QModelIndexList selected = m_syncFiles->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    const int row = selected.first().row();
    if (row < 0 || row >= m_session.list().rows().size())
        return;
    const WatchPause pause(*this);
    const SyncItem item = m_session.list().rows().at(row);
    const EditOutcome removed = m_session.RemoveItem(row, false);
    listEdited();
    if (!removed.ok()) {
        showRefusal(removed);
        return;
    }
    // A folder item goes without a question; nothing of it is deleted.
    if (item.isFolder || item.sizeText == Translate(QStringLiteral("Folder")))
        return;
    QMessageBox question(
        QMessageBox::Information, windowTitle(),
        Translate(QStringLiteral("File removed for synchronization.")) + QLatin1Char('\n') +
            Translate(QStringLiteral("This don't delete the file on Local Computer or in "
                                     "Removable Drive, do you wish to remove on the Removable "
                                     "drive ? ")),
        QMessageBox::Yes | QMessageBox::No, this);
    // Which item went, and which copy the answer is about.
    question.setInformativeText(
        item.localPath + QLatin1Char('\n') +
        Translate(QStringLiteral("Copy on the drive: %1")).arg(item.remotePath));
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() == QMessageBox::Yes) {
        // Only a copy on the drive found now: "?" stands first while it is away, and such a
        // path would name a file of the current folder instead.
        if (!m_session.driveFound() || !item.remotePath.startsWith(m_session.FoundLetter())) {
            showMessage(QMessageBox::Critical,
                        Translate(QStringLiteral("The removable drive was not found, so the "
                                                 "file was not deleted on it.")));
        } else if (const platform::Status gone =
                       m_session.fileSystem().remove(Path::fromText(item.remotePath).native());
                   !gone) {
            showMessage(QMessageBox::Critical, QString::fromStdString(gone.error().message));
        }
    }
    RefreshFiles();
}

void Master::filesDropped(const QStringList& paths) {
    for (const QString& path : paths)
        AddNewFile(path);
    // Also when nothing dropped was a file.
    Syncronize();
}

bool Master::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_syncFiles->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        // Not during a pass or another add: their lists would change under them.
        if (drag->mimeData()->hasUrls() && !m_engine.isRunning() && m_edits == 0)
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasUrls() || m_engine.isRunning() || m_edits > 0) {
            drop->ignore();
            return true;
        }
        QStringList paths;
        for (const QUrl& url : drop->mimeData()->urls()) {
            if (url.isLocalFile())
                paths << url.toLocalFile();
        }
        drop->acceptProposedAction();
        // The dialogs open once the drop is over: the program the files came from is
        // waiting for it to end.
        QTimer::singleShot(0, this, [this, paths] { filesDropped(paths); });
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void Master::checkForUpgrades() {
#ifdef Q_OS_WIN
    const QString updater = QStringLiteral("BrevantUpdate.exe");
#else
    const QString updater = QStringLiteral("BrevantUpdate");
#endif
    // Nothing is said when it is missing: the program goes on as it was.
    m_processes.startDetached(AppPath() + updater,
                              {QStringLiteral("qlt&") + QCoreApplication::applicationFilePath()});
}

void Master::tellFailures() {
    // Files whose replaced version was kept beside them: told at the pass that kept them,
    // which happens once for each such change.
    const int kept = m_engine.lastPass().conflicts;
    const QString keptText =
        kept == 0 ? QString()
        : kept == 1
            ? Translate(QStringLiteral("1 file changed on both sides: both copies were kept."))
            : Translate(QStringLiteral("%1 files changed on both sides: both copies were kept."))
                  .arg(formatBytes(kept));
    // Told once: the same failures at every pass of the watch would bring the message back
    // every few seconds. Told again when their number changes.
    const int failed = m_engine.lastPass().failures;
    if (failed == m_failuresTold || failed <= 0) {
        m_failuresTold = failed;
        if (!keptText.isEmpty())
            m_tray->ShowBalloon(m_caption,
                                keptText + QLatin1Char('\n') +
                                    Translate(QStringLiteral("Click here to see the log.")));
        return;
    }
    m_failuresTold = failed;
    // With the first reason: the rows, which say the rest, may be out of sight.
    const QString reason = describe(m_engine.lastPass().firstReason);
    QString text = keptText.isEmpty() ? QString() : keptText + QLatin1Char('\n');
    if (reason.isEmpty())
        text += failed == 1
                    ? Translate(QStringLiteral("1 file could not be synchronized. Click here to "
                                               "see the log."))
                    : Translate(QStringLiteral("%1 files could not be synchronized. Click here "
                                               "to see the log."))
                          .arg(formatBytes(failed));
    else
        text += (failed == 1
                     ? Translate(QStringLiteral("1 file could not be synchronized: %1")).arg(reason)
                     : Translate(QStringLiteral("%1 files could not be synchronized: %2"))
                           .arg(formatBytes(failed), reason)) +
                QLatin1Char('\n') + Translate(QStringLiteral("Click here to see the log."));
    m_tray->ShowBalloon(m_caption, text);
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
    m_session.watch().setSearchTimer(false);
    m_searchTimer->stop();
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
