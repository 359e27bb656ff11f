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

SystemTray::SystemTray(QWidget* parent, std::unique_ptr<NotifyIconShell> shell)
    : QWidget(parent), shell_(std::move(shell)) {
    if (!shell_)
        shell_ = std::make_unique<QtNotifyIconShell>();
    shell_->SetCallback([this](int message) { ShellCallback(message); });
    // Created: the built-in picture is the fallback for Picture, and what a control
    // that has not been loaded yet shows and puts in the notification area.
    defaultPicture_ = BuiltInIcon();
    picture_ = defaultPicture_;
    setFixedSize(FaceSize, FaceSize);
}

SystemTray::~SystemTray() {
    shell_->SetCallback(nullptr);
    // The icon never outlives its control, whatever IconShown says.
    shell_->ShellNotifyIcon(NotifyIconShell::NIM_DELETE, trayIconData_);
}

QIcon SystemTray::BuiltInIcon() {
    Q_INIT_RESOURCE(controls);
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
    picture_ = picture.isNull() ? defaultPicture_ : picture;
    update();
    Q_EMIT PropertyChanged(QStringLiteral("Picture"));
}

void SystemTray::SetToolTip(const QString& toolTip) {
    toolTip_ = toolTip.isNull() ? QString(QLatin1String("")) : toolTip;
    Q_EMIT PropertyChanged(QStringLiteral("ToolTip"));
}

bool SystemTray::Add() {
    // A picture without a handle leaves the record's icon as it was.
    if (!picture_.isNull()) {
        trayIconData_.hIcon = IconHandle(picture_);
        trayIconData_.icon = picture_;
    }
    trayIconData_.hWnd = quint32(winId());
    if (toolTip_.isEmpty()) {
        trayIconData_.uFlags = NotifyIconShell::NIF_MESSAGE | NotifyIconShell::NIF_ICON;
    } else {
        trayIconData_.uFlags =
            NotifyIconShell::NIF_MESSAGE | NotifyIconShell::NIF_ICON | NotifyIconShell::NIF_TIP;
        trayIconData_.szTip = TrayIconData::FixedTip(toolTip_);
    }
    trayIconData_.uCallbackMessage = CallbackMessage;
    if (!picture_.isNull())
        trayIconData_.uID = IconHandle(picture_);
    trayIconData_.cbSize = TrayIconData::RecordSize;
    iconShown_ = shell_->ShellNotifyIcon(NotifyIconShell::NIM_ADD, trayIconData_);
    return iconShown_;
}

bool SystemTray::Delete() {
    const bool result = shell_->ShellNotifyIcon(NotifyIconShell::NIM_DELETE, trayIconData_);
    iconShown_ = false;
    return result;
}

bool SystemTray::Update(const QIcon& New_Picture, const QString& New_ToolTip) {
    if (!iconShown_)
        return false;
    if (!New_Picture.isNull()) {
        trayIconData_.hIcon = IconHandle(New_Picture);
        trayIconData_.icon = New_Picture;
    }
    if (!New_ToolTip.isEmpty())
        trayIconData_.szTip = TrayIconData::FixedTip(New_ToolTip);
    return shell_->ShellNotifyIcon(NotifyIconShell::NIM_MODIFY, trayIconData_);
}

bool SystemTray::Restore() {
    if (!picture_.isNull()) {
        trayIconData_.hIcon = IconHandle(picture_);
        trayIconData_.icon = picture_;
    }
    trayIconData_.szTip = TrayIconData::FixedTip(toolTip_);
    return shell_->ShellNotifyIcon(NotifyIconShell::NIM_MODIFY, trayIconData_);
}

void SystemTray::InitProperties() {
    picture_ = defaultPicture_;
    update();
}

void SystemTray::ReadProperties(const PropertyBag& bag) {
    const QVariant picture =
        bag.ReadProperty(QStringLiteral("Picture"), QVariant::fromValue(defaultPicture_));
    const QIcon icon = picture.value<QIcon>();
    picture_ = icon.isNull() ? defaultPicture_ : icon;
    toolTip_ = bag.ReadProperty(QStringLiteral("ToolTip"), QString()).toString();
    if (toolTip_.isNull())
        toolTip_ = QLatin1String(""); // never null
    update();
}

void SystemTray::WriteProperties(PropertyBag& bag) const {
    // The built-in picture is not stored: reading gives it back as the default.
    if (IconHandle(picture_) == IconHandle(defaultPicture_))
        bag.WriteProperty(QStringLiteral("Picture"), QVariant(), QVariant());
    else
        bag.WriteProperty(QStringLiteral("Picture"), QVariant::fromValue(picture_), QVariant());
    if (!toolTip_.isEmpty())
        bag.WriteProperty(QStringLiteral("ToolTip"), toolTip_);
}

void SystemTray::ShellCallback(int message) {
    // A handler that runs its own message loop (a pop-up menu) lets further messages
    // in before it returns; the first of them is swallowed.
    if (inEvent_) {
        inEvent_ = false;
        return;
    }
    inEvent_ = true;
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
    default:
        break;
    }
    if (self)
        inEvent_ = false;
}

void SystemTray::paintEvent(QPaintEvent*) {
    QPainter p(this);
    picture_.paint(&p, rect());
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
