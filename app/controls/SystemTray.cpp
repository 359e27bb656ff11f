#include "SystemTray.h"

#include "NotifyIconShell.h"
#include "PropertyBag.h"
#include "QtNotifyIconShell.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QSvgRenderer>

#include <cmath>

// The resource initialiser must be called from outside every namespace.
static void initControlsResources() {
    Q_INIT_RESOURCE(controls);
}

namespace quillet {

SystemTray::SystemTray(QWidget* parent, std::unique_ptr<NotifyIconShell> shell)
    : QWidget(parent), m_shell(std::move(shell)) {
    if (!m_shell)
        m_shell = std::make_unique<QtNotifyIconShell>();
    m_shell->SetCallback([this](int message) { ShellCallback(message); });
    // Created: the built-in picture is the fallback for Picture, and what a control
    // that has not been loaded yet shows and puts in the notification area.
    m_defaultPicture = BuiltInIcon();
    m_picture = m_defaultPicture;
    setFixedSize(FaceSize, FaceSize);
}

SystemTray::~SystemTray() {
    m_shell->SetCallback(nullptr);
    // The icon never outlives its control, whatever IconShown says.
    m_shell->ShellNotifyIcon(NotifyIconShell::NIM_DELETE, m_trayIconData);
}

QIcon SystemTray::BuiltInIcon() {
    initControlsResources();
    QIcon icon;
    for (const int size : {16, 22, 32, 48})
        icon.addFile(QStringLiteral(":/quillet/controls/icons/tray-%1.png").arg(size),
                     QSize(size, size));
    // Larger sizes come from the drawing itself.
    QSvgRenderer svg(QStringLiteral(":/quillet/controls/icons/tray.svg"));
    if (svg.isValid()) {
        for (const int size : {64, 128, 256}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            svg.render(&p);
            p.end();
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

void SystemTray::SetPicture(const QIcon& picture) {
    m_picture = picture.isNull() ? m_defaultPicture : picture;
    update();
    Q_EMIT PropertyChanged(QStringLiteral("Picture"));
}

void SystemTray::SetToolTip(const QString& toolTip) {
    m_toolTip = toolTip.isNull() ? QString(QLatin1String("")) : toolTip;
    Q_EMIT PropertyChanged(QStringLiteral("ToolTip"));
}

bool SystemTray::Add() {
    // A picture without a handle leaves the record's icon as it was.
    if (!m_picture.isNull()) {
        m_trayIconData.hIcon = IconHandle(m_picture);
        m_trayIconData.icon = m_picture;
    }
    m_trayIconData.hWnd = quint32(winId());
    if (m_toolTip.isEmpty()) {
        m_trayIconData.uFlags = NotifyIconShell::NIF_MESSAGE | NotifyIconShell::NIF_ICON;
    } else {
        m_trayIconData.uFlags =
            NotifyIconShell::NIF_MESSAGE | NotifyIconShell::NIF_ICON | NotifyIconShell::NIF_TIP;
        m_trayIconData.szTip = TrayIconData::FixedTip(m_toolTip);
    }
    m_trayIconData.uCallbackMessage = CallbackMessage;
    if (!m_picture.isNull())
        m_trayIconData.uID = IconHandle(m_picture);
    m_trayIconData.cbSize = TrayIconData::RecordSize;
    m_iconShown = m_shell->ShellNotifyIcon(NotifyIconShell::NIM_ADD, m_trayIconData);
    return m_iconShown;
}

bool SystemTray::Delete() {
    const bool result = m_shell->ShellNotifyIcon(NotifyIconShell::NIM_DELETE, m_trayIconData);
    m_iconShown = false;
    return result;
}

bool SystemTray::Update(const QIcon& New_Picture, const QString& New_ToolTip) {
    if (!m_iconShown)
        return false;
    if (!New_Picture.isNull()) {
        m_trayIconData.hIcon = IconHandle(New_Picture);
        m_trayIconData.icon = New_Picture;
    }
    if (!New_ToolTip.isEmpty())
        m_trayIconData.szTip = TrayIconData::FixedTip(New_ToolTip);
    return m_shell->ShellNotifyIcon(NotifyIconShell::NIM_MODIFY, m_trayIconData);
}

bool SystemTray::Restore() {
    if (!m_picture.isNull()) {
        m_trayIconData.hIcon = IconHandle(m_picture);
        m_trayIconData.icon = m_picture;
    }
    m_trayIconData.szTip = TrayIconData::FixedTip(m_toolTip);
    return m_shell->ShellNotifyIcon(NotifyIconShell::NIM_MODIFY, m_trayIconData);
}

bool SystemTray::ShowBalloon(const QString& title, const QString& text) {
    if (!m_iconShown)
        return false;
    // The message goes with this one modify only: later ones must not show it again.
    TrayIconData withMessage = m_trayIconData;
    withMessage.uFlags |= NotifyIconShell::NIF_INFO;
    withMessage.szInfoTitle = title;
    withMessage.szInfo = text;
    return m_shell->ShellNotifyIcon(NotifyIconShell::NIM_MODIFY, withMessage);
}

void SystemTray::InitProperties() {
    m_picture = m_defaultPicture;
    update();
}

void SystemTray::ReadProperties(const PropertyBag& bag) {
    const QVariant picture =
        bag.ReadProperty(QStringLiteral("Picture"), QVariant::fromValue(m_defaultPicture));
    const QIcon icon = picture.value<QIcon>();
    m_picture = icon.isNull() ? m_defaultPicture : icon;
    m_toolTip = bag.ReadProperty(QStringLiteral("ToolTip"), QString()).toString();
    if (m_toolTip.isNull())
        m_toolTip = QLatin1String(""); // never null
    update();
}

void SystemTray::WriteProperties(PropertyBag& bag) const {
    // The built-in picture is not stored: reading gives it back as the default.
    if (IconHandle(m_picture) == IconHandle(m_defaultPicture))
        bag.WriteProperty(QStringLiteral("Picture"), QVariant(), QVariant());
    else
        bag.WriteProperty(QStringLiteral("Picture"), QVariant::fromValue(m_picture), QVariant());
    if (!m_toolTip.isEmpty())
        bag.WriteProperty(QStringLiteral("ToolTip"), m_toolTip);
}

void SystemTray::ShellCallback(int message) {
    // A handler that runs its own message loop (a pop-up menu) lets further messages
    // in before it returns; the first of them is swallowed.
    if (m_inEvent) {
        m_inEvent = false;
        return;
    }
    m_inEvent = true;
    const QPointer<SystemTray> self(this); // a handler may close the form and this control
    switch (message) {
    case 513:
        Q_EMIT MouseDown(1);
        break;
    case 514:
        Q_EMIT MouseUp(1);
        break;
    case 515:
        Q_EMIT DblClick(1);
        break;
    case 516:
        Q_EMIT MouseDown(2);
        break;
    case 517:
        Q_EMIT MouseUp(2);
        break;
    case 518:
        Q_EMIT DblClick(2);
        break;
    case NotifyIconShell::NIN_BALLOONUSERCLICK:
        Q_EMIT BalloonClick();
        break;
    default:
        break;
    }
    if (self)
        m_inEvent = false;
}

void SystemTray::paintEvent(QPaintEvent*) {
    QPainter p(this);
    m_picture.paint(&p, rect());
}

void SystemTray::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (width() != FaceSize || height() != FaceSize)
        resize(FaceSize, FaceSize);
    update();
}

void SystemTray::mouseMoveEvent(QMouseEvent* e) {
    // Over the face itself the "message number" is just the pointer's x (0 to 36).
    ShellCallback(int(std::lround(e->position().x())));
}

} // namespace quillet
