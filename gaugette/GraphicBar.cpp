#include "GraphicBar.h"
#include "GaugetteModule.h"

#include <ComponentKit.h>

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QResizeEvent>

#include <cmath>
#include <limits>

namespace {

// Round to nearest, a half to the even neighbour, whatever the floating-point mode.
double roundHalfToEven(double x) {
    const double lower = std::floor(x);
    const double diff = x - lower;
    if (diff < 0.5)
        return lower;
    if (diff > 0.5)
        return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

} // namespace

GraphicBar::GraphicBar(QWidget* parent) : QWidget(parent) {
    gaugette::module().objectCreated();
    // The surface's own design colours until the host sets its own.
    m_backColor = toColorRef(palette().color(QPalette::Window));
    m_foreColor = toColorRef(palette().color(QPalette::WindowText));
    // We paint every pixel from the retained image.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

GraphicBar::~GraphicBar() {
    gaugette::module().objectDestroyed();
}

QColor GraphicBar::toQColor(int colorRef) {
    const auto c = static_cast<quint32>(colorRef);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

int GraphicBar::toColorRef(const QColor& color) {
    const QColor rgb = color.toRgb();
    return rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16);
}

void GraphicBar::setValue(int value) {
    m_value = value;
    DrawBar();
}

void GraphicBar::setBackColor(int color) {
    m_backColor = color;
    DrawBar();
}

void GraphicBar::setForeColor(int color) {
    m_foreColor = color;
    DrawBar();
}

QSize GraphicBar::sizeHint() const {
    return {150, 17};
}

void GraphicBar::DrawBar() {
    const int v = m_value;
    fitSurface();
    if (m_surface.isNull()) // an empty control has nothing to draw on
        return;
    const int w = width();
    const int h = height();

    QPainter painter(&m_surface);
    painter.fillRect(QRect(0, 0, w, h), toQColor(m_backColor));
    if (v >= 1 && v <= 100) {
        const double x = roundHalfToEven(double(w) * double(v) / 100.0);
        // The edge is a 16-bit value; a band that does not fit is not drawn.
        if (x >= std::numeric_limits<qint16>::min() && x <= std::numeric_limits<qint16>::max()) {
            const auto edge = static_cast<qint16>(x);
            painter.fillRect(QRect(0, 0, edge, h), toQColor(m_foreColor));
        }
    }
    painter.end();
    update();
}

// Keeps the retained image the size of the control. Pixels already drawn stay where they
// are; uncovered ones take the background colour, as a window's surface would.
void GraphicBar::fitSurface() {
    const qreal ratio = devicePixelRatioF();
    const QSize wanted = size() * ratio;
    if (m_surface.size() == wanted && m_surface.devicePixelRatio() == ratio)
        return;
    QImage grown(wanted, QImage::Format_RGB32);
    grown.setDevicePixelRatio(ratio);
    grown.fill(toQColor(m_backColor));
    if (!m_surface.isNull()) {
        QPainter painter(&grown);
        painter.drawImage(QPoint(0, 0), m_surface);
    }
    m_surface = std::move(grown);
}

void GraphicBar::resizeEvent(QResizeEvent* event) {
    fitSurface();
    QWidget::resizeEvent(event);
}

void GraphicBar::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    fitSurface();
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_surface);
}
