#include "LogWindow.h"

#include "Pictures.h"
#include "sync/SyncLog.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QShortcut>

namespace quillet {

namespace {
constexpr int TwipsPerPixel = 15;
int pixels(int twips) {
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}
} // namespace

LogWindow::LogWindow(const QString& logPath, QWidget* parent)
    : QWidget(parent, Qt::Window), m_logView(new QPlainTextEdit(this)),
      m_picture(Pictures::picture(QStringLiteral("logbanner"))) {
    setObjectName(QStringLiteral("LogWindow"));
    m_logView->setObjectName(QStringLiteral("LogView"));
    // Nothing typed here would ever be saved, so nothing can be typed.
    m_logView->setReadOnly(true);
    m_logView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_logView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_logView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont fixed(QStringLiteral("DejaVu Sans Mono"));
    fixed.setStyleHint(QFont::Monospace);
    m_logView->setFont(fixed);
    QString text = ReadTextFile(logPath);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_logView->setPlainText(text);
    resize(InitialSize);
    // Nothing here to lose: Escape closes it, as it closes a dialog.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

std::optional<QRect> LogWindow::logViewGeometry(const QSize& window) {
    const int width = window.width() * TwipsPerPixel - 450;
    const int height = window.height() * TwipsPerPixel - 2000;
    if (width < 0 || height < 0)
        return std::nullopt;
    return QRect(pixels(200), pixels(1320), pixels(width), pixels(height));
}

void LogWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (const auto place = logViewGeometry(frameGeometry().size()))
        m_logView->setGeometry(*place);
}

void LogWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // Our picture fills the band above the text box.
    QPainter painter(this);
    const int band = pixels(1320);
    QLinearGradient shade(0, 0, 0, band);
    shade.setColorAt(0, QColor(0x2f, 0x5f, 0x9e));
    shade.setColorAt(1, QColor(0x13, 0x29, 0x4a));
    painter.fillRect(QRect(0, 0, width(), band - 6), shade);
    if (!m_picture.isNull())
        painter.drawPixmap(pixels(200), (band - 6 - m_picture.height()) / 2, m_picture);
}

} // namespace quillet
