#include "XPButtonPaint.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quillet {

QColor toQColor(quint32 color) {
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

void drawLine(QPainter& painter, int x1, int y1, int x2, int y2, quint32 color) {
    if (y1 == y2 && x2 > x1)
        painter.fillRect(QRect(x1, y1, x2 - x1, 1), toQColor(color));
    else if (x1 == x2 && y2 > y1)
        painter.fillRect(QRect(x1, y1, 1, y2 - y1), toQColor(color));
}

void drawPixel(QPainter& painter, int x, int y, quint32 color) {
    painter.fillRect(QRect(x, y, 1, 1), toQColor(color));
}

QRect ltrb(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void drawGradient(QPainter& painter, const QRect& area, quint32 top, quint32 bottom) {
    const int rows = area.bottom() + 1 - area.top();
    if (rows <= 0)
        return; // no rows between the edges: nothing to blend
    std::array<float, 3> step{};
    for (int channel = 0; channel < 3; ++channel) {
        const int topLevel = int((top >> (8 * channel)) & 0xFF);
        const int bottomLevel = int((bottom >> (8 * channel)) & 0xFF);
        step[std::size_t(channel)] = float(topLevel - bottomLevel) / float(rows);
    }
    for (int row = 0; row <= rows; ++row) {
        quint32 color = 0;
        for (int channel = 0; channel < 3; ++channel) {
            const int bottomLevel = int((bottom >> (8 * channel)) & 0xFF);
            // nearbyint rounds a half to the even neighbour in the default rounding mode.
            const double level =
                std::nearbyint(double(bottomLevel) + double(step[std::size_t(channel)]) * row);
            color |= quint32(std::clamp(int(level), 0, 255)) << (8 * channel);
        }
        const int y = area.top() + rows - row;
        drawLine(painter, area.left(), y, area.right() + 1, y, color);
    }
}

} // namespace quillet
