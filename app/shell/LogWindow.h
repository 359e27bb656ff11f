#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <optional>

class QPlainTextEdit;

namespace quillet {

// The log of the last pass, read once when the window opens: a window left open keeps the
// text it loaded; the next one reads the file again.
class LogWindow : public QWidget {
    Q_OBJECT

public:
    explicit LogWindow(const QString& logPath, QWidget* parent = nullptr);

    QPlainTextEdit* LogView() const { return m_logView; }

    // Where the text box goes for the window's outer size: 200 twips from the left, 1320
    // from the top, the width less 450 and the height less 2000 (15 twips to a pixel). None
    // when a size would come out negative.
    static std::optional<QRect> logViewGeometry(const QSize& window);
    static constexpr QSize InitialSize{620, 440};

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPlainTextEdit* m_logView;
    QPixmap m_picture;
};

} // namespace quillet
