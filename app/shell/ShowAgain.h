#pragma once

#include <QDialog>
#include <QPoint>

class QCheckBox;
class QLabel;

namespace quillet {

class SyncSession;
class XPButton;

// The notice shown when the window is closed: the program goes on in the notification
// area. Its check box stores at once whether the notice comes again; the dialog moves with
// the mouse dragged anywhere on it.
class ShowAgain : public QDialog {
    Q_OBJECT

public:
    explicit ShowAgain(SyncSession& session, QWidget* parent = nullptr);

    QLabel* Image1() const { return m_image1; }
    QLabel* Labels() const { return m_labels; }
    // The check box the program has always called ShowAgain, like the dialog.
    QCheckBox* ShowAgainBox() const { return m_showAgain; }
    XPButton* bExit() const { return m_exit; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void storeChoice(bool checked);

    SyncSession& m_session;
    QLabel* m_image1;
    QLabel* m_labels;
    QCheckBox* m_showAgain;
    XPButton* m_exit;
    bool m_dragging = false;
    QPoint m_grip; // where the pointer holds the window, from its top-left corner
};

} // namespace quillet
