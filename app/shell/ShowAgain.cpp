#include "ShowAgain.h"

#include "Captions.h"
#include "base/Translate.h"
#include "controls/SystemTray.h"
#include "controls/XPButton.h"
#include "sync/SyncSession.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace quillet {

ShowAgain::ShowAgain(SyncSession& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_session(session),
      m_image1(new QLabel(this)), m_labels(new QLabel(this)), m_showAgain(new QCheckBox(this)),
      m_exit(new XPButton(this)) {
    setObjectName(QStringLiteral("ShowAgain"));
    setWindowTitle(Captions::programTitle());
    setFont(Captions::windowFont());
    // Without a title bar, a line marks where the dialog ends.
    setStyleSheet(QStringLiteral("QDialog#ShowAgain { border: 1px solid #6b7c8e; }"));
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_labels->setObjectName(QStringLiteral("Labels"));
    m_showAgain->setObjectName(QStringLiteral("ShowAgain"));
    m_exit->setObjectName(QStringLiteral("bExit"));

    // The icon it speaks of.
    m_image1->setPixmap(SystemTray::BuiltInIcon().pixmap(48, 48));
    m_labels->setText(Translate(QStringLiteral(
        "The application is still running, to terminate you should go to Tray Icon and click "
        "with right button, choose Exit to terminate application.")));
    m_labels->setWordWrap(true);
    m_labels->setFixedWidth(330);
    QString keys;
    m_exit->SetCaption(Captions::withAccessKey(Translate(QStringLiteral("OK")), keys));
    m_exit->SetFont(Captions::buttonFont());
    m_exit->setFixedSize(98, 30);
    m_showAgain->setText(Captions::withAccessKey(
        Translate(QStringLiteral("Don't show this warning next time.")), keys));
    m_showAgain->setChecked(false); // each time it opens

    auto* text = new QVBoxLayout;
    text->addWidget(m_labels);
    text->addSpacing(8);
    text->addWidget(m_showAgain);
    auto* top = new QHBoxLayout;
    top->addWidget(m_image1, 0, Qt::AlignTop);
    top->addSpacing(10);
    top->addLayout(text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_exit);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 12);
    column->addLayout(top);
    column->addSpacing(6);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_showAgain, &QCheckBox::clicked, this, [this](bool checked) { storeChoice(checked); });
    connect(m_exit, &XPButton::Click, this, &QDialog::accept);
}

void ShowAgain::storeChoice(bool checked) {
    const EditOutcome stored = m_session.setExitWarningShown(!checked);
    if (!stored.ok() && !stored.message.isEmpty())
        QMessageBox::warning(this, windowTitle(), stored.message);
}

void ShowAgain::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    setCursor(Qt::SizeAllCursor);
    QCoreApplication::processEvents();
    // The desktop moves it where it can; elsewhere the dialog follows the pointer itself.
    if (windowHandle() && windowHandle()->startSystemMove()) {
        unsetCursor();
        return;
    }
    m_dragging = true;
    m_grip = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void ShowAgain::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    move(event->globalPosition().toPoint() - m_grip);
}

void ShowAgain::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    unsetCursor();
    QCoreApplication::processEvents();
}

} // namespace quillet
