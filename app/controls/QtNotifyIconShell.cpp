#include "QtNotifyIconShell.h"

#include <algorithm>

namespace quillet {

namespace {

// The blank padding of the record is not part of what the user reads.
QString shownTip(const TrayIconData& data) {
    if (!(data.uFlags & NotifyIconShell::NIF_TIP))
        return {};
    QString tip = data.szTip;
    tip.truncate(tip.indexOf(QChar(0)) < 0 ? tip.size() : tip.indexOf(QChar(0)));
    while (tip.endsWith(QLatin1Char(' ')))
        tip.chop(1);
    return tip;
}

} // namespace

QtNotifyIconShell::~QtNotifyIconShell() {
    for (QSystemTrayIcon* icon : std::as_const(m_icons))
        Dispose(icon);
}

void QtNotifyIconShell::Dispose(QSystemTrayIcon* icon) const {
    icon->hide();
    if (m_dispatching > 0)
        icon->deleteLater();
    else
        delete icon;
}

void QtNotifyIconShell::Dispatch(QSystemTrayIcon* icon, const QList<int>& messages) {
    const std::weak_ptr<char> alive = m_alive;
    ++m_dispatching;
    for (const int message : messages) {
        SendCallback(message);
        if (alive.expired())
            return; // the shell went away with its control
        if (std::find(m_icons.cbegin(), m_icons.cend(), icon) == m_icons.cend())
            break; // the icon was deleted
    }
    --m_dispatching;
}

QList<int> QtNotifyIconShell::MessagesFor(QSystemTrayIcon::ActivationReason reason) {
    // Qt reports whole clicks; the control expects the button messages the shell
    // would have posted: a left click is down (513) then up (514), the context request
    // is a right click, down (516) then up (517), a double-click is 515. The middle
    // button gives 519 and 520, which the control ignores.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return {513, 514};
    case QSystemTrayIcon::Context:
        return {516, 517};
    case QSystemTrayIcon::DoubleClick:
        return {515};
    case QSystemTrayIcon::MiddleClick:
        return {519, 520};
    case QSystemTrayIcon::Unknown:
        break;
    }
    return {};
}

QSystemTrayIcon* QtNotifyIconShell::Icon(quint32 hWnd, qint64 uID) const {
    return m_icons.value(Identity(hWnd, uID), nullptr);
}

bool QtNotifyIconShell::ShellNotifyIcon(quint32 dwMessage, const TrayIconData& data) {
    const Identity id(data.hWnd, data.uID);
    QSystemTrayIcon* icon = m_icons.value(id, nullptr);
    switch (dwMessage) {
    case NIM_ADD: {
        // As the shell does: an identity already shown cannot be added again.
        if (icon || !QSystemTrayIcon::isSystemTrayAvailable() || data.icon.isNull())
            return false;
        icon = new QSystemTrayIcon(data.icon);
        icon->setToolTip(shownTip(data));
        QObject::connect(icon, &QSystemTrayIcon::activated, icon,
                         [this, icon](QSystemTrayIcon::ActivationReason reason) {
                             Dispatch(icon, MessagesFor(reason));
                         });
        QObject::connect(icon, &QSystemTrayIcon::messageClicked, icon,
                         [this, icon] { Dispatch(icon, {NIN_BALLOONUSERCLICK}); });
        m_icons.insert(id, icon);
        icon->show();
        return true;
    }
    case NIM_MODIFY:
        if (!icon)
            return false;
        if ((data.uFlags & NIF_ICON) && !data.icon.isNull())
            icon->setIcon(data.icon);
        icon->setToolTip(shownTip(data));
        if (data.uFlags & NIF_INFO)
            icon->showMessage(data.szInfoTitle, data.szInfo, QSystemTrayIcon::Warning,
                              BalloonMilliseconds);
        return true;
    case NIM_DELETE:
        if (!icon)
            return false;
        m_icons.remove(id);
        Dispose(icon);
        return true;
    default:
        return false;
    }
}

} // namespace quillet
