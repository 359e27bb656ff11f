#pragma once

#include "DibSection.h"
#include "TestPictures.h"

#include <QByteArray>
#include <QImage>
#include <QRandomGenerator>
#include <cstdint>
#include <cstdlib>
#include <sys/resource.h>

// Pictures and helpers shared by the JPEG suites.
namespace jpegtest {

struct Bgr {
    int b = 0, g = 0, r = 0;
};

// Reads pixel (x, y) in picture coordinates (y = 0 is the top row) straight from the bits,
// so the storage order is checked rather than assumed.
inline Bgr pixelAt(const BrevantJPEG::DibSection& s, int x, int y) {
    const std::uint8_t* p =
        s.DIBSectionBitsPtr() + std::int64_t{s.Height() - 1 - y} * s.BytesPerScanLine() + 3 * x;
    return {p[0], p[1], p[2]};
}

inline int distance(const Bgr& a, QRgb c) {
    return std::abs(a.r - qRed(c)) + std::abs(a.g - qGreen(c)) + std::abs(a.b - qBlue(c));
}

using quillet::test::quadrants;

// Smooth diagonal gradients: what JPEG keeps well.
inline QImage gradient(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y,
                           qRgb(x * 255 / (w - 1), y * 255 / (h - 1), (x + y) * 255 / (w + h - 2)));
    return image;
}

// Independent random pixels: what JPEG keeps worst.
inline QImage noise(int w, int h, quint32 seed) {
    QRandomGenerator random(seed);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, 0xFF000000u | (random.generate() & 0xFFFFFFu));
    return image;
}

inline BrevantJPEG::DibSection sectionOf(const QImage& image) {
    BrevantJPEG::DibSection section;
    std::int32_t w = 0, h = 0;
    section.CreateFromPictureX(image, w, h);
    return section;
}

// The same JPEG with its frame header claiming width x height: what a hostile file looks
// like. Empty when the data has no frame header.
inline QByteArray claimingSize(QByteArray jpeg, int width, int height) {
    for (qsizetype i = 2; i + 8 < jpeg.size(); ++i) {
        const auto marker = static_cast<std::uint8_t>(jpeg[i + 1]);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (static_cast<std::uint8_t>(jpeg[i]) == 0xFF && frame) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    return {};
}

// The most memory this process has held so far, in megabytes.
inline long peakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace jpegtest
