#pragma once

#include "NotifyIconShell.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QSystemTrayIcon>

#include <memory>

namespace quillet {

// The notification area through QSystemTrayIcon: one tray icon per identity.
class QtNotifyIconShell : public NotifyIconShell {
public:
    QtNotifyIconShell() = default;
    ~QtNotifyIconShell() override;
    QtNotifyIconShell(const QtNotifyIconShell&) = delete;
    QtNotifyIconShell& operator=(const QtNotifyIconShell&) = delete;

    bool ShellNotifyIcon(quint32 dwMessage, const TrayIconData& data) override;

    // The mouse messages the shell would have sent for one activation of the icon.
    static QList<int> MessagesFor(QSystemTrayIcon::ActivationReason reason);

    // The tray icon shown for an identity, or null.
    QSystemTrayIcon* Icon(quint32 hWnd, qint64 uID) const;

    // How long a message beside the icon stays, unless the desktop decides otherwise.
    static constexpr int BalloonMilliseconds = 15000;

private:
    void Dispatch(QSystemTrayIcon* icon, const QList<int>& messages);
    void Dispose(QSystemTrayIcon* icon) const;

    using Identity = QPair<quint32, qint64>;
    QMap<Identity, QSystemTrayIcon*> m_icons;
    // A handler may delete the icon, or this shell with its control, from inside a
    // click; the icon's own signal is then still running.
    int m_dispatching = 0;
    std::shared_ptr<char> m_alive = std::make_shared<char>();
};

} // namespace quillet
