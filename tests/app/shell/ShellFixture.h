#pragma once

#include "EngineFixture.h"
#include "FakePickers.h"
#include "RecordingProcessStarter.h"
#include "controls/NotifyIconShell.h"
#include "controls/XPButton.h"
#include "shell/Master.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <memory>

namespace quillet::test {

// A notification area that takes every icon and remembers the last record it was given.
class RecordingIconShell : public NotifyIconShell {
public:
    bool ShellNotifyIcon(quint32 dwMessage, const TrayIconData& data) override {
        (void)dwMessage;
        lastTip = data.szTip.trimmed();
        return true;
    }
    QString lastTip;
};

// Runs action on the next modal window of type T as soon as it is up (inside its exec).
template <typename T>
void whenModal(std::function<void(T*)> action) {
    auto* poll = new QTimer(QCoreApplication::instance());
    poll->setObjectName(QStringLiteral("modal-poll")); // a test that ends first removes it
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        // Up and active, so that it takes clicks as a person's.
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal && modal->isActiveWindow()) {
            poll->stop();
            poll->deleteLater();
            action(modal);
        }
    });
    poll->start();
}

// The control of that object name among the window's children, as a person finds it on
// screen; with no name, the only one of its type.
template <typename T>
T* control(const QObject& window, const char* name = nullptr) {
    T* found = name ? window.findChild<T*>(QLatin1String(name)) : window.findChild<T*>();
    EXPECT_NE(found, nullptr) << (name ? name : "") << " is missing";
    return found;
}

// Clicks an owner-drawn button as a person does: the pointer comes over it, presses and
// releases.
void clickButton(XPButton* button);

// What a message box showed before it was answered.
struct SeenBox {
    bool shown = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Answers the next message box with the given button.
inline std::shared_ptr<SeenBox> answerNextBox(QMessageBox::StandardButton answer) {
    auto seen = std::make_shared<SeenBox>();
    whenModal<QMessageBox>([seen, answer](QMessageBox* box) {
        seen->shown = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        seen->buttons = box->standardButtons();
        box->button(answer)->click();
    });
    return seen;
}

// The engine fixture's paired drive and settings, under a main window made on demand.
class ShellFixture : public EngineFixture {
protected:
    ShellFixture();
    ~ShellFixture() override;
    // Builds the window (loading it, with commandLine) over the fixture's session.
    Master& master();
    RecordingIconShell* iconShell = nullptr;
    FakePickers pickers;
    RecordingProcessStarter processes;
    QString commandLine;
    // What the drive's volume reports as free, and the roots it was asked for.
    std::optional<qint64> freeBytes = 2916265984;
    QStringList freeSpaceAsked;

private:
    std::unique_ptr<Master> m_master;
};

} // namespace quillet::test
