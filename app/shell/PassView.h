#pragma once

#include "sync/SyncView.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>

class QLabel;
class QWidget;

namespace quillet {

struct MasterControls;
class SystemTray;

// The main window's view of a pass: the commands off while it runs, the row in hand, the
// file being examined, the copy bar and the icon's progress tip, the replacement question.
class PassView : public SyncView {
public:
    // What the window does for the view.
    struct Window {
        // Sets a label's text and lays the window out again when it changed.
        std::function<void(QLabel*, const QString&)> setLabelText;
        std::function<QString()> driveSizeText;
        std::function<QString()> freeSpaceText;
        // The rows were read again: the list, its totals and the layout follow.
        std::function<void()> rowsRebuilt;
    };
    PassView(QWidget& owner, MasterControls& controls, SystemTray& tray, Window window)
        : m_owner(owner), m_ui(controls), m_tray(tray), m_window(std::move(window)) {}

    // How long a copy runs before its bar appears.
    static constexpr int ProgressDelayMs = 500;

    // Whether a pass started since forgetPass().
    bool passRan() const { return m_passRan; }
    void forgetPass() { m_passRan = false; }
    // The pass ended a moment ago: a click aimed at Stop may still land on Synchronize Now.
    bool endedJustNow() const;
    // Stop's caption, put back at the end of each pass.
    void setStopCaption(const QString& caption) { m_stopCaption = caption; }
    // The watch is searching: editing commands off, the drive said missing.
    void showSearching();
    // The pass did not start: another program of this user is passing.
    void showPassBusy(bool driveFound);
    // FileStatus again, shortened to the label's width.
    void showFileStatus();

    void passStarted() override;
    void passEnded() override;
    void rowsRebuilt() override { m_window.rowsRebuilt(); }
    void setRowBold(int row, bool bold) override;
    void setRowStatus(int row, const QString& status) override;
    void setRowReason(int row, const QString& reason) override;
    void setFileStatus(const QString& text) override;
    bool confirmReplacement(const QString& title, const QString& question) override;
    void copyProgress(const QString& file, qint64 done, qint64 total) override;
    void yield() override;

private:
    void hideCopyBar();

    QWidget& m_owner;
    MasterControls& m_ui;
    SystemTray& m_tray;
    Window m_window;
    QString m_stopCaption;
    QElapsedTimer m_syncShown; // since Synchronize Now took Stop's place
    QString m_fileStatusText;
    QString m_copyFile;
    QElapsedTimer m_copyClock;
    bool m_copyBarShown = false;
    bool m_passRan = false;
};

} // namespace quillet
