#include "Master.h"

#include "LogWindow.h"
#include "NewSync.h"
#include "Pictures.h"
#include "Splash.h"
#include "SyncListModel.h"
#include "base/Translate.h"
#include "controls/NotifyIconShell.h"
#include "controls/SystemTray.h"
#include "controls/XPButton.h"
#include "platform/AutostartEntry.h"
#include "sync/SyncSession.h"

#include <GraphicBar.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeView>
#include <QWindow>

namespace quillet {

namespace {
// The copy bar's colours, as 0x00BBGGRR.
constexpr int BarForeColor = 0x00D77800; // the blue of the emblem's arrow
constexpr int BarBackColor = 0x00EAE0D8;
} // namespace

Master::Master(SyncSession& session, QString logPath, const Clock& clock,
               std::unique_ptr<NotifyIconShell> trayShell)
    : m_session(session), m_logPath(std::move(logPath)),
      m_engine(session, *this, m_logPath, clock) {
    setObjectName(QStringLiteral("Master"));
    m_tray = std::make_unique<SystemTray>(nullptr, std::move(trayShell));
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
    // The last column takes what the frame and scroll bar leave, so that a list that fits
    // has no horizontal scroll bar.
    m_syncFiles->header()->setStretchLastSection(true);
    m_syncFiles->header()->setSectionsMovable(false);

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
    connect(m_syncButton, &XPButton::Click, this, [this] { Syncronize(); });
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
    // The icon brings the window back; the rest of its behaviour comes with start-up.
    connect(m_tray.get(), &SystemTray::MouseDown, this, [this](short mouseButton) {
        if (mouseButton == 1)
            toggleShown();
        else
            m_menuTray->popup(QCursor::pos());
    });
    connect(m_qltShow, &QAction::triggered, this, [this] { toggleShown(); });
    connect(m_qltExit, &QAction::triggered, qApp, &QCoreApplication::quit);

    // The watch runs on the session; the window mirrors its timer and shows its states.
    DriveWatch& watch = m_session.watch();
    watch.onSearchTimerChanged = [this](bool on) {
        if (on)
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
    m_stopButton->SetCaption(stopKeyed);
    m_stopButton->hide();
    setFileStatus(QString());
    m_conflictsResolution->clear();
    m_conflictsResolution->addItems(Captions::conflictEntries());
    // The entries are longer than the list is wide; the open list shows them whole.
    m_conflictsResolution->view()->setMinimumWidth(
        m_conflictsResolution->view()->sizeHintForColumn(0) + 24);
    m_syncButton->SetCaption(syncNowKeyed);
    m_syncIt->setText(syncNow);
    m_update->setText(QStringLiteral("<a href=\"update\">%1</a>")
                          .arg(Translate(QStringLiteral("Check for upgrades")).toHtmlEscaped()));
    m_appCopy->setText(Captions::aboutLine(version));
    m_newFlashKeys = keys;
    // 11. Settings, options, the list and the watch.
    GoLoad();
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
    m_model->rowsReplaced();
    setLabelText(m_drvFilesSize, m_session.list().DrvFilesSize());
    setLabelText(m_drvSize, m_session.list().DrvSize());
    setLabelText(m_drvFreeSpace, m_session.list().DrvFreeSpace());
    applyLayout();
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
    setLabelText(m_drvFilesSize, m_session.list().DrvFilesSize());
    setLabelText(m_drvSize, m_session.list().DrvSize());
    setLabelText(m_drvFreeSpace, m_session.list().DrvFreeSpace());
    applyLayout();
}

void Master::Syncronize() {
    m_engine.Syncronize();
    if (m_session.passBusy())
        showPassBusy();
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
    setLabelText(m_drvSize, m_session.list().DrvSize());
    setLabelText(m_drvFreeSpace, m_session.list().DrvFreeSpace());
}

void Master::stopPass() {
    m_engine.requestStop();
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
    setFileStatus(QString());
    hideCopyBar();
    if (keyboardOnStop)
        m_syncButton->setFocus();
}

void Master::setRowBold(int row, bool bold) {
    m_model->setRowBold(row, bold);
    if (bold)
        m_syncFiles->scrollTo(m_model->index(row, 0));
}

void Master::setRowStatus(int row, const QString& status) {
    (void)status; // the model reads it from the list
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

bool Master::confirmReplacement(const QString& title, const QString& question) {
    (void)title; // the window's caption titles its questions
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
    return sizes;
}

void Master::applyLayout() {
    if (m_inLayout)
        return;
    m_inLayout = true;
    const QSize outer = frameGeometry().size();
    const QSize frame = outer - size();
    const MasterGeometry places = layoutMaster(outer, design());
    if (places.window != outer && !isMinimized())
        resize(places.window - frame); // its resize event lays out again
    m_syncFiles->setGeometry(places.syncFiles);
    for (int column = 0; column < SyncListModel::ColumnCount; ++column)
        m_syncFiles->setColumnWidth(column, places.columns[static_cast<std::size_t>(column)]);
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

bool Master::notificationAreaAvailable() const {
    return m_notificationArea ? m_notificationArea() : QSystemTrayIcon::isSystemTrayAvailable();
}

void Master::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // Minimised, the window goes to the notification area, when there is one to bring it
    // back from; otherwise it stays an ordinary minimised window.
    if (!notificationAreaAvailable())
        return;
    QTimer::singleShot(0, this, [this] {
        hide();
        setWindowState(windowState() & ~Qt::WindowMinimized);
    });
}

void Master::toggleShown() {
    if (isVisible()) {
        hide();
        return;
    }
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
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

} // namespace quillet
