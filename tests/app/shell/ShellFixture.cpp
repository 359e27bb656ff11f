#include "ShellFixture.h"

#include <QMouseEvent>
#include <QTest>

namespace quillet::test {

ShellFixture::ShellFixture() {
    pickers.watchRunning = [this] { return session->watch().searchTimerEnabled(); };
}

ShellFixture::~ShellFixture() {
    m_master.reset();
    // Windows a test left open (the log, the splash) go with it.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            widget->close();
    }
    QApplication::processEvents();
    // A modal window a test waited for in vain must not be answered in the next test.
    qDeleteAll(QCoreApplication::instance()->findChildren<QTimer*>(QStringLiteral("modal-poll")));
}

void clickButton(XPButton* button) {
    // Moves without a button reach the test platform's windows by the pointer's place, which
    // finds the first window there rather than the top one; a dialog over the main window
    // would never see the pointer. The move is handed to the button as the window would.
    // A press on a window that is not active makes it active first.
    if (!button->window()->isActiveWindow()) {
        button->window()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(button->window()));
    }
    const QPoint middle(button->width() / 2, button->height() / 2);
    QMouseEvent move(QEvent::MouseMove, middle, button->mapToGlobal(middle), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button, &move);
    QTest::mouseClick(button, Qt::LeftButton, {}, middle);
}

Master& ShellFixture::master() {
    if (!m_master) {
        auto shell = std::make_unique<RecordingIconShell>();
        iconShell = shell.get();
        MasterServices services;
        services.clock = &clock;
        services.trayShell = std::move(shell);
        services.pickers = &pickers;
        services.processes = &processes;
        services.CommandLine = commandLine;
        services.freeSpace = [this](const QString& root) {
            freeSpaceAsked << root;
            return freeBytes;
        };
        m_master = std::make_unique<Master>(*session, logPath, std::move(services));
    }
    return *m_master;
}

} // namespace quillet::test
