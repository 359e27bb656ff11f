// Encodes and decodes a 12-megapixel picture with the library and with libjpeg-turbo's own
// tjbench (package libjpeg-turbo-progs), in the same run, on the same picture and settings:
// quality 90, 4:2:0, the accurate DCT, blue-green-red bottom-up rows as the section keeps
// them. Prints the median of several rounds of each library path and its ratio to tjbench,
// or for the picture savers to encoding the section itself.
#include "DibSection.h"
#include "JPEG.h"
#include "JpegCodecBinding.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

using namespace BrevantJPEG;

namespace {

constexpr int Width = 4000, Height = 3000, Quality = 90, Runs = 11;

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

// The same pixels as a binary PPM (top-down RGB), the input tjbench reads.
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

struct Step {
    const char* name;
    std::function<bool()> run;
    std::vector<double> times;
};

// Every step once per round, in turn, so that what the machine is doing meanwhile (other
// builds, the disk's write-back) falls on all of them alike.
void timeRotated(std::vector<Step>& steps) {
    for (int round = 0; round < Runs; ++round)
        for (Step& step : steps) {
            QElapsedTimer clock;
            clock.start();
            if (!step.run()) {
                std::fprintf(stderr, "%s failed\n", step.name);
                std::exit(1);
            }
            step.times.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// tjbench's time for one picture, from the frame rate it reports for the step named.
std::optional<double> tjbenchMs(const QStringList& args, const QString& step) {
    QProcess tjbench;
    tjbench.start(QStringLiteral("tjbench"), args);
    if (!tjbench.waitForFinished(120000) || tjbench.exitCode() != 0) {
        std::fprintf(stderr, "tjbench %s failed: %s\n", qPrintable(args.join(QLatin1Char(' '))),
                     qPrintable(tjbench.errorString()));
        return std::nullopt;
    }
    const QString said = QString::fromLocal8Bit(tjbench.readAllStandardOutput());
    const auto match =
        QRegularExpression(step + QStringLiteral(R"(\s+--> Frame rate:\s+([0-9.]+) fps)"))
            .match(said);
    if (!match.hasMatch())
        return std::nullopt;
    return 1000.0 / match.captured(1).toDouble();
}

// The picture as a program would hand it over, top-down in the given format.
QImage pictureOf(const DibSection& s, QImage::Format format) {
    return s.ToImage().convertToFormat(format);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    DibSection section;
    if (!dir.isValid() || !section.Create(Width, Height, 3))
        return 1;
    fill(section);
    const QString ppm = dir.filePath(QStringLiteral("in.ppm"));
    const QString jpg = dir.filePath(QStringLiteral("in.jpg"));
    const QString out = dir.filePath(QStringLiteral("out.jpg"));
    if (!writePpm(section, ppm) || !JpegCodecBinding::EncodeSectionToFile(section, jpg, Quality))
        return 1;
    QFile jpgFile(jpg);
    if (!jpgFile.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray jpeg = jpgFile.readAll();

    // The anchor: tjbench on the same picture, from and into bottom-up BGR rows in memory.
    const auto tjEncode = tjbenchMs({ppm, QString::number(Quality), QStringLiteral("-subsamp"),
                                     QStringLiteral("420"), QStringLiteral("-bottomup"),
                                     QStringLiteral("-componly"), QStringLiteral("-nowrite")},
                                    QStringLiteral("Compress"));
    const auto tjDecode = tjbenchMs({jpg, QStringLiteral("-bottomup"), QStringLiteral("-nowrite")},
                                    QStringLiteral("Decompress"));
    if (!tjEncode || !tjDecode) {
        std::fprintf(stderr, "tjbench (package libjpeg-turbo-progs) is needed\n");
        return 1;
    }

    JPEG jpegClass;
    const QImage picture24 = pictureOf(section, QImage::Format_RGB888);
    const QImage picture32 = pictureOf(section, QImage::Format_RGB32);
    const QImage premultiplied = pictureOf(section, QImage::Format_ARGB32_Premultiplied);
    // Not quite opaque: the premultiplication has to be undone on the way.
    QImage translucent = pictureOf(section, QImage::Format_ARGB32);
    for (int y = 0; y < Height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(translucent.scanLine(y));
        for (int x = 0; x < Width; ++x)
            row[x] = (row[x] & 0xFFFFFFu) | 0xF0000000u;
    }
    translucent.convertTo(QImage::Format_ARGB32_Premultiplied);
    const auto saved = [&] { return QFile::exists(out); };
    std::vector<Step> steps = {
        {"encode section -> memory",
         [&] { return !JpegCodecBinding::EncodeSectionToText(section, Quality).isEmpty(); },
         {}},
        {"encode section -> file",
         [&] { return JpegCodecBinding::EncodeSectionToFile(section, out, Quality); },
         {}},
        {"decode memory -> new section",
         [&] {
             DibSection s;
             return JpegCodecBinding::DecodeBufferToSection(
                        s, reinterpret_cast<const std::uint8_t*>(jpeg.constData()),
                        std::int32_t(jpeg.size())) &&
                    s.Width() == Width;
         },
         {}},
        {"decode file -> new section",
         [&] {
             DibSection s;
             return JpegCodecBinding::DecodeFileToSection(s, jpg) && s.Width() == Width;
         },
         {}},
        {"SaveJPEGToMemory, 32-bit picture",
         [&] { return !jpegClass.SaveJPEGToMemory(picture32, Quality).isEmpty(); },
         {}},
        {"SaveJPEG, 24-bit picture -> file",
         [&] {
             jpegClass.SaveJPEG(picture24, out, Quality);
             return saved();
         },
         {}},
        {"SaveJPEG, 32-bit picture -> file",
         [&] {
             jpegClass.SaveJPEG(picture32, out, Quality);
             return saved();
         },
         {}},
        {"SaveJPEG, opaque premultiplied -> file",
         [&] {
             jpegClass.SaveJPEG(premultiplied, out, Quality);
             return saved();
         },
         {}},
        {"SaveJPEG, translucent premultiplied -> file",
         [&] {
             jpegClass.SaveJPEG(translucent, out, Quality);
             return saved();
         },
         {}},
    };
    timeRotated(steps);
    std::vector<double> ms;
    for (const Step& step : steps)
        ms.push_back(median(step.times));

    std::printf("picture: %d x %d (%.1f MP), quality %d, 4:2:0, median of %d rounds\n", Width,
                Height, Width * Height / 1e6, Quality, Runs);
    std::printf("JPEG size: %lld bytes\n", static_cast<long long>(jpeg.size()));
    std::printf("tjbench: compress %.1f ms, decompress %.1f ms\n", *tjEncode, *tjDecode);
    const double anchors[] = {*tjEncode, *tjEncode, *tjDecode, *tjDecode, ms[0],
                              ms[1],     ms[1],     ms[1],     ms[1]};
    const char* anchorNames[] = {"tjbench",         "tjbench",           "tjbench",
                                 "tjbench",         "section -> memory", "section -> file",
                                 "section -> file", "section -> file",   "section -> file"};
    for (std::size_t i = 0; i < steps.size(); ++i)
        std::printf("%-44s %7.1f ms  %5.2f x %s   (fastest %.1f ms)\n", steps[i].name, ms[i],
                    ms[i] / anchors[i], anchorNames[i],
                    *std::min_element(steps[i].times.begin(), steps[i].times.end()));
    return 0;
}
