// Draws a GraphicBar, saves what it shows as JPEG bytes with BrevantJPEG and draws them back:
// both libraries, through their installed headers only. Says what it found; 1 on a mismatch.
#include "GraphicBar.h"
#include "JPEG.h"

#include <QApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

namespace {

bool near(QColor seen, QColor wanted) {
    // JPEG is lossy: a flat band comes back within a few steps of its colour.
    return std::abs(seen.red() - wanted.red()) < 24 &&
           std::abs(seen.green() - wanted.green()) < 24 &&
           std::abs(seen.blue() - wanted.blue()) < 24;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    GraphicBar bar;
    bar.resize(200, 20);
    bar.setForeColor(0x0000FF); // 0x00BBGGRR: red
    bar.setBackColor(0xFF0000); // blue
    bar.setValue(50);
    const QImage shown = bar.grab().toImage();

    const QByteArray bytes = BrevantJPEG::JPEG::Global().SaveJPEGToMemory(shown, 95);
    if (bytes.size() < 4 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xD8) {
        std::fprintf(stderr, "consumer: BrevantJPEG gave no JPEG (%d bytes)\n",
                     static_cast<int>(bytes.size()));
        return 1;
    }

    QImage back(shown.size(), QImage::Format_RGB32);
    back.fill(Qt::black);
    BrevantJPEG::DeviceContext context(back);
    if (!BrevantJPEG::JPEG::Global().LoadJPEGFromRAM2Picture(
            context, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<int>(bytes.size()))) {
        std::fprintf(stderr, "consumer: BrevantJPEG did not decode its own bytes\n");
        return 1;
    }
    const QColor left = back.pixelColor(back.width() / 4, back.height() / 2);
    const QColor right = back.pixelColor(back.width() * 3 / 4, back.height() / 2);
    if (!near(left, Qt::red) || !near(right, Qt::blue)) {
        std::fprintf(stderr, "consumer: the bar came back as %s | %s, not red | blue\n",
                     qPrintable(left.name()), qPrintable(right.name()));
        return 1;
    }
    std::printf("consumer: a half-full GraphicBar, %d JPEG bytes, drawn back red | blue\n",
                static_cast<int>(bytes.size()));
    return 0;
}
