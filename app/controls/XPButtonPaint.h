#pragma once

#include <QColor>
#include <QRect>

#include <array>

class QPainter;

namespace quillet {

// The colours and the drawing primitives of XPButton's face. Colours are 0x00BBGGRR.
constexpr quint32 rgb(int red, int green, int blue) {
    return quint32(red) | (quint32(green) << 8) | (quint32(blue) << 16);
}

QColor toQColor(quint32 color);

// The colour table, by state 0..4; zero marks an entry the state does not use.
struct Palette {
    std::array<quint32, 5> border, rimTop, rimBottom, top1, top2, bottom1, bottom2;
    std::array<quint32, 5> corner1, corner2, corner3;
};

constexpr quint32 Blue = rgb(0, 60, 116);
constexpr Palette Colors{
    {rgb(201, 199, 186), Blue, Blue, Blue, Blue},
    {0, rgb(252, 252, 251), rgb(189, 211, 247), rgb(225, 223, 156), 0},
    {0, rgb(236, 235, 230), rgb(140, 174, 231), rgb(255, 182, 48), 0},
    {0, rgb(255, 255, 255), rgb(206, 231, 255), rgb(255, 243, 206), 0},
    {0, rgb(254, 254, 254), rgb(189, 215, 247), rgb(255, 219, 140), 0},
    {0, rgb(226, 223, 214), rgb(140, 174, 231), rgb(255, 178, 49), 0},
    {0, rgb(214, 208, 197), rgb(107, 130, 239), rgb(230, 150, 0), 0},
    {rgb(196, 177, 140), rgb(33, 85, 132), rgb(33, 85, 132), rgb(33, 85, 132), rgb(33, 85, 132)},
    {rgb(206, 199, 189), rgb(123, 150, 173), rgb(123, 150, 173), rgb(123, 150, 173),
     rgb(123, 150, 173)},
    {rgb(196, 177, 140), rgb(82, 125, 165), rgb(82, 125, 165), rgb(82, 125, 165),
     rgb(82, 125, 165)},
};

constexpr quint32 FaceTop = rgb(252, 252, 251);
constexpr quint32 FaceBottom = rgb(236, 235, 230);
constexpr quint32 PressedFace = rgb(231, 227, 222);
constexpr quint32 DisabledFace = rgb(245, 244, 234);

// A one-pixel line from (x1, y1) up to, not including, (x2, y2); the button only
// draws horizontal and vertical ones.
void drawLine(QPainter& painter, int x1, int y1, int x2, int y2, quint32 color);
void drawPixel(QPainter& painter, int x, int y, quint32 color);
// Rectangles here are given as left, top, right, bottom with right and bottom excluded.
QRect ltrb(int left, int top, int right, int bottom);
// Blends the rows of area from top (its first row) to bottom (its last).
void drawGradient(QPainter& painter, const QRect& area, quint32 top, quint32 bottom);

} // namespace quillet
