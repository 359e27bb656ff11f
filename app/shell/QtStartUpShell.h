#pragma once

#include "InstanceChannel.h"
#include "Master.h"
#include "StartUpShell.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace quillet {

namespace platform {
class MountTable;
class SettingsStore;
class UserLock;
} // namespace platform
class SyncSession;

// The start-up steps on the desktop: the instance lock, the splash, the pairing dialog and
// the main window, which it keeps for the life of the program. When the window has
// unloaded, the application's event loop ends.
class QtStartUpShell : public StartUpShell {
public:
    QtStartUpShell(SyncSession& session, platform::SettingsStore& store, QString logPath);
    ~QtStartUpShell() override;
    QtStartUpShell(const QtStartUpShell&) = delete;
    QtStartUpShell& operator=(const QtStartUpShell&) = delete;

    bool firstInstance() override;
    bool handOver(const QString& commandLine) override;
    void showSplash() override;
    bool drivePaired() override;
    void pairDrive() override;
    bool openMaster(const QString& commandLine) override;
    bool iconReachable() override;
    void showMaster(Show how) override;

    Master* master() const { return m_master.get(); }
    // The name of the lock that keeps one instance per user of this settings store.
    static QString instanceLockName(const platform::SettingsStore& store);
    // The channel through which later starts reach the instance that holds that lock.
    static QString channelName(const platform::SettingsStore& store);

private:
    SyncSession& m_session;
    platform::SettingsStore& m_store;
    QString m_logPath;
    bool m_storeChecked = false;
    std::unique_ptr<platform::UserLock> m_instance;
    std::unique_ptr<platform::MountTable> m_mounts;
    std::unique_ptr<Master> m_master;
    std::unique_ptr<InstanceChannel> m_channel;
    QStringList m_handedOver; // arrived before the window was there
};

} // namespace quillet
