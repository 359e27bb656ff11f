#include "TestPictures.h"

namespace quillet::test {

std::optional<int> bandEdge(const QImage& image, QRgb fore, QRgb back) {
    if (image.isNull())
        return std::nullopt;
    int edge = 0;
    while (edge < image.width() && image.pixel(edge, 0) == fore)
        ++edge;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != (x < edge ? fore : back))
                return std::nullopt;
        }
    }
    return edge;
}

QImage quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            image.setPixel(x, y,
                           !bottom ? (right ? qRgb(0, 255, 0) : qRgb(255, 0, 0))
                                   : (right ? qRgb(255, 255, 255) : qRgb(0, 0, 255)));
        }
    }
    return image;
}

} // namespace quillet::test
