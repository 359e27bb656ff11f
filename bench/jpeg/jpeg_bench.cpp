// Encodes and decodes a 12-megapixel picture with the library and with cjpeg/djpeg from
// libjpeg-turbo-progs, in the same run, on the same picture and settings (quality 75,
// 4:2:0, the default DCT). Prints the median of several runs and the ratios.
#include "DibSection.h"
#include "JpegCodecBinding.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace BrevantJPEG;

namespace {

constexpr int Width = 4000, Height = 3000, Quality = 75, Runs = 7;

// Photo-like content: smooth shading, edges and fine grain, so that neither the entropy
// coder nor the DCT has an unusually easy time.
void fill(DibSection& s) {
    QRandomGenerator random(42);
    for (int y = 0; y < Height; ++y) {
        std::uint8_t* row = s.DIBSectionBitsPtr() + std::int64_t{y} * s.BytesPerScanLine();
        for (int x = 0; x < Width; ++x) {
            const double shade = 0.5 + 0.5 * std::sin(x / 300.0) * std::cos(y / 220.0);
            const int grain = int(random.bounded(24)) - 12;
            const int edge = ((x / 250 + y / 250) % 2) ? 40 : 0;
            row[3 * x] = std::uint8_t(std::clamp(int(shade * 200) + grain + edge, 0, 255));
            row[3 * x + 1] = std::uint8_t(std::clamp(int(x * 255 / Width) + grain, 0, 255));
            row[3 * x + 2] = std::uint8_t(std::clamp(int(y * 255 / Height) + grain - edge, 0, 255));
        }
    }
}

// The same pixels as a binary PPM (top-down RGB), the input cjpeg reads.
bool writePpm(const DibSection& s, const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QByteArray("P6\n") + QByteArray::number(Width) + ' ' + QByteArray::number(Height) +
            "\n255\n");
    QByteArray row(3 * Width, '\0');
    for (int y = Height - 1; y >= 0; --y) {
        const std::uint8_t* in = s.DIBSectionBitsPtr() + std::int64_t{y} * s.BytesPerScanLine();
        for (int x = 0; x < Width; ++x) {
            row[3 * x] = char(in[3 * x + 2]);
            row[3 * x + 1] = char(in[3 * x + 1]);
            row[3 * x + 2] = char(in[3 * x]);
        }
        f.write(row);
    }
    return true;
}

double medianMs(const std::function<bool()>& run) {
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!run()) {
            std::fprintf(stderr, "a run failed\n");
            std::exit(1);
        }
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool tool(const QString& program, const QStringList& args) {
    return QProcess::execute(program, args) == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    DibSection picture;
    if (!dir.isValid() || !picture.Create(Width, Height, 3))
        return 1;
    fill(picture);
    const QString ppm = dir.filePath(QStringLiteral("in.ppm"));
    const QString ours = dir.filePath(QStringLiteral("ours.jpg"));
    const QString theirs = dir.filePath(QStringLiteral("theirs.jpg"));
    const QString bmp = dir.filePath(QStringLiteral("out.bmp"));
    if (!writePpm(picture, ppm))
        return 1;

    const double encodeOurs =
        medianMs([&] { return JpegCodecBinding::EncodeSectionToFile(picture, ours, Quality); });
    const double encodeTheirs = medianMs([&] {
        return tool(QStringLiteral("cjpeg"), {QStringLiteral("-quality"), QString::number(Quality),
                                              QStringLiteral("-outfile"), theirs, ppm});
    });
    // Both decoders read the same file.
    const double decodeOurs = medianMs([&] {
        DibSection s;
        return JpegCodecBinding::DecodeFileToSection(s, theirs) && s.Width() == Width;
    });
    const double decodeTheirs = medianMs([&] {
        return tool(QStringLiteral("djpeg"),
                    {QStringLiteral("-bmp"), QStringLiteral("-outfile"), bmp, theirs});
    });

    std::printf("picture: %d x %d (%.1f MP), quality %d, median of %d runs\n", Width, Height,
                Width * Height / 1e6, Quality, Runs);
    std::printf("sizes: library %lld bytes, cjpeg %lld bytes\n",
                static_cast<long long>(QFile(ours).size()),
                static_cast<long long>(QFile(theirs).size()));
    std::printf("encode: library %.1f ms, cjpeg %.1f ms, ratio %.2f\n", encodeOurs, encodeTheirs,
                encodeOurs / encodeTheirs);
    std::printf("decode: library %.1f ms, djpeg %.1f ms, ratio %.2f\n", decodeOurs, decodeTheirs,
                decodeOurs / decodeTheirs);
    return 0;
}
