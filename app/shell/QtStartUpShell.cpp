#include "QtStartUpShell.h"

#include "Captions.h"
#include "ItemPickers.h"
#include "NewSync.h"
#include "Splash.h"
#include "WindowQuestions.h"
#include "base/Translate.h"
#include "platform/MountTable.h"
#include "platform/SettingsStore.h"
#include "platform/UserLock.h"
#include "sync/SettingsKeys.h"
#include "sync/SyncController.h"
#include "sync/SyncSession.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <utility>

namespace quillet {

QtStartUpShell::QtStartUpShell(SyncSession& session, platform::SettingsStore& store,
                               QString logPath)
    : m_session(session), m_store(store), m_logPath(std::move(logPath)) {}

QtStartUpShell::~QtStartUpShell() {
    // The window goes first: its watch must not outlive the mount table it asks.
    m_master.reset();
    m_session.watch().setMountTable(nullptr);
}

QString QtStartUpShell::instanceLockName(const platform::SettingsStore& store) {
    return platform::UserLock::nameFor(QStringLiteral("window"), store.location());
}

QString QtStartUpShell::channelName(const platform::SettingsStore& store) {
    return InstanceChannel::nameFor(instanceLockName(store));
}

bool QtStartUpShell::firstInstance() {
    m_instance = std::make_unique<platform::UserLock>(instanceLockName(m_store));
    // Where no lock file can be made, one instance too many is better than none.
    if (m_instance->take() == platform::UserLock::Take::Busy)
        return false;
    // Later starts find this one; without the channel they end as before, silently.
    m_channel = std::make_unique<InstanceChannel>(channelName(m_store));
    QObject::connect(m_channel.get(), &InstanceChannel::received, m_channel.get(),
                     [this](const QString& commandLine) {
                         if (m_master)
                             m_master->handedOver(commandLine);
                         else
                             m_handedOver << commandLine;
                     });
    m_channel->listen();
    return true;
}

bool QtStartUpShell::handOver(const QString& commandLine) {
    return InstanceChannel::send(channelName(m_store), commandLine);
}

void QtStartUpShell::showSplash() {
    Splash splash;
    splash.exec();
}

bool QtStartUpShell::drivePaired() {
    if (!m_storeChecked) {
        m_storeChecked = true;
        if (m_store.health() != platform::SettingsStore::Health::Ok)
            QMessageBox::warning(nullptr, Captions::programTitle(),
                                 Translate(QStringLiteral("The settings file %1 cannot be read; "
                                                          "nothing will be changed in it."))
                                     .arg(m_store.location()));
    }
    return !m_store.read(keys::SyncInfo, keys::SN, QString()).isEmpty();
}

void QtStartUpShell::pairDrive() {
    // No window yet: the pairing question stands on its own.
    WindowQuestions questions(nullptr, ItemPickers::system());
    SyncController controller(m_session, questions);
    NewSync pairing(controller);
    pairing.exec();
}

bool QtStartUpShell::openMaster(const QString& commandLine) {
    // A drive plugged in is seen at the next tick, whatever the interval.
    if (!m_mounts)
        m_mounts = platform::MountTable::open();
    m_session.watch().setMountTable(m_mounts.get());
    MasterServices services;
    services.CommandLine = commandLine;
    m_master = std::make_unique<Master>(m_session, m_logPath, std::move(services));
    QObject::connect(m_master.get(), &Master::ended, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
    return !m_master->endedByAdd();
}

bool QtStartUpShell::iconReachable() {
    return m_master && m_master->iconReachable();
}

void QtStartUpShell::showMaster(Show how) {
    if (!m_master)
        return;
    switch (how) {
    case Show::Visible:
        m_master->show();
        m_master->activateWindow(); // a desktop without a window manager leaves it inactive
        break;
    case Show::Minimised:
        m_master->showMinimized();
        break;
    case Show::Hidden:
        break;
    }
    // What later starts handed over while the splash or the pairing was up.
    for (const QString& commandLine : std::exchange(m_handedOver, {}))
        m_master->handedOver(commandLine);
}

} // namespace quillet
