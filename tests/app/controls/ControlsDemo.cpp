// A window with the push button in each of its looks and the tray icon at each size.
// Run with --quit-after <ms> to close by itself (for screenshots).
#include "controls/SystemTray.h"
#include "controls/XPButton.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTimer>

using namespace quillet;

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Quillet controls"));
    window.setStyleSheet(QStringLiteral("QWidget#window { background: #ece9d8; }"));
    window.setObjectName(QStringLiteral("window"));
    auto* grid = new QGridLayout(&window);
    grid->setHorizontalSpacing(14);

    const QStringList captions{QStringLiteral("&Remove"), QStringLiteral("&Add File"),
                               QStringLiteral("&Synchronize"), QStringLiteral("Sa&ve && Exit"),
                               QStringLiteral("&Cancel")};
    const QStringList looks{QStringLiteral("0 disabled"), QStringLiteral("1 normal"),
                            QStringLiteral("2 focused"), QStringLiteral("3 hot"),
                            QStringLiteral("4 pressed")};
    QList<XPButton*> buttons;
    for (int s = 0; s < 5; ++s) {
        auto* b = new XPButton(&window);
        b->SetCaption(captions[s]);
        b->setFixedSize(105, 25);
        grid->addWidget(b, 0, s, Qt::AlignCenter);
        grid->addWidget(new QLabel(looks[s], &window), 1, s, Qt::AlignCenter);
        buttons << b;
    }
    auto* defaultButton = new XPButton(&window);
    defaultButton->SetCaption(QStringLiteral("&OK"));
    defaultButton->setFixedSize(75, 23);
    grid->addWidget(defaultButton, 2, 0, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("default"), &window), 3, 0, Qt::AlignCenter);
    auto* small = new XPButton(&window);
    small->SetCaption(QStringLiteral("&No"));
    small->setFixedSize(40, 18);
    grid->addWidget(small, 2, 1, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("40 x 18"), &window), 3, 1, Qt::AlignCenter);

    auto* tray = new SystemTray(&window);
    tray->SetToolTip(QStringLiteral("Quillet"));
    const QIcon icon = tray->DefaultPicture();
    int column = 0;
    for (const int size : {16, 22, 32, 48}) {
        auto* light = new QLabel(&window);
        light->setPixmap(icon.pixmap(size, size));
        light->setAlignment(Qt::AlignCenter);
        light->setMinimumSize(56, 56);
        auto* dark = new QLabel(&window);
        dark->setPixmap(icon.pixmap(size, size));
        dark->setAlignment(Qt::AlignCenter);
        dark->setMinimumSize(56, 56);
        dark->setStyleSheet(QStringLiteral("background: #2b2b2b;"));
        auto* label = new QLabel(QStringLiteral("%1 px").arg(size), &window);
        grid->addWidget(light, 4, column, Qt::AlignCenter);
        grid->addWidget(dark, 5, column, Qt::AlignCenter);
        grid->addWidget(label, 6, column, Qt::AlignCenter);
        ++column;
    }
    grid->addWidget(tray, 4, 4, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("control face"), &window), 6, 4, Qt::AlignCenter);
    auto* status = new QLabel(&window);
    grid->addWidget(status, 7, 0, 1, 5);

    auto* events = new QLabel(QStringLiteral("Tray events: none yet"), &window);
    grid->addWidget(events, 8, 0, 1, 5);
    auto report = [events](const QString& name) {
        return [events, name](short button) {
            events->setText(events->text() + QStringLiteral(" %1(%2)").arg(name).arg(button));
        };
    };
    QObject::connect(tray, &SystemTray::MouseDown, events, report(QStringLiteral("MouseDown")));
    QObject::connect(tray, &SystemTray::MouseUp, events, report(QStringLiteral("MouseUp")));
    QObject::connect(tray, &SystemTray::DblClick, events, report(QStringLiteral("DblClick")));

    window.show();
    window.move(40, 40);
    window.activateWindow(); // without a window manager nobody else activates it

    // Once the window is up and active, put each button in its look.
    QTimer::singleShot(600, &window, [&] {
        buttons[0]->SetEnabled(false);
        buttons[2]->setFocus();
        buttons[3]->DrawState(XPButton::Hot);
        buttons[4]->DrawState(XPButton::Pressed);
        defaultButton->SetDisplayAsDefault(true);
        const bool added = tray->Add();
        status->setText(QStringLiteral("Notification area: %1; Add returned %2")
                            .arg(QSystemTrayIcon::isSystemTrayAvailable()
                                     ? QStringLiteral("available")
                                     : QStringLiteral("not available"))
                            .arg(added ? QStringLiteral("true") : QStringLiteral("false")));
    });

    const QStringList args = app.arguments();
    const qsizetype quit = args.indexOf(QStringLiteral("--quit-after"));
    if (quit >= 0 && quit + 1 < args.size())
        QTimer::singleShot(args[quit + 1].toInt(), &app, &QApplication::quit);
    return app.exec();
}
