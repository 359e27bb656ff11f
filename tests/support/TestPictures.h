#pragma once

#include <QImage>

#include <optional>

// Pictures the drawing tests make and read.
namespace quillet::test {

// The right edge of the band when the picture is exactly a band of `fore` from the left over
// `back`, every row alike; none for anything else, a null picture included.
std::optional<int> bandEdge(const QImage& image, QRgb fore, QRgb back);

// Four flat quadrants: red, green / blue, white (top row first).
QImage quadrants(int width, int height);

} // namespace quillet::test
