#include "JPEG.h"

#include "DibSection.h"
#include "JpegCodecBinding.h"
#include "JpegModule.h"

#include <ComponentKit.h>

#include <QSysInfo>

#include <algorithm>
#include <limits>
#include <optional>

namespace BrevantJPEG {

namespace {

constexpr int DefaultQuality = 50;

// Step 1 of both picture savers: the picture, cropped or padded, never scaled.
DibSection sectionFromPicture(const QImage& picture, int& width, int& height) {
    DibSection section;
    std::int32_t w = width, h = height;
    section.CreateFromPictureX(picture, w, h);
    width = w;
    height = h;
    return section;
}

bool isOpaque(const QImage& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        if (!std::all_of(row, row + picture.width(),
                         [](QRgb pixel) { return qAlpha(pixel) == 255; }))
            return false;
    }
    return true;
}

// The picture's own rows, when the codec can read them as they are and no crop or padding
// is asked for: the same pixels as the section would hold, without making it. width and
// height are written back as the section would.
std::optional<JpegCodecBinding::PixelSource> pixelsOfPicture(const QImage& picture, int& width,
                                                             int& height) {
    using Order = JpegCodecBinding::PixelSource::Order;
    std::optional<Order> order;
    switch (picture.format()) {
    case QImage::Format_RGB888:
        order = Order::Rgb;
        break;
    case QImage::Format_BGR888:
        order = Order::Bgr;
        break;
    // Alpha that is not premultiplied is dropped on the way to the section, as the codec
    // ignores it here.
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
        order = Order::Rgbx;
        break;
    case QImage::Format_RGB32: // 0xAARRGGBB words: blue first in memory on little-endian
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: // only when opaque, see below
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            order = Order::Bgrx;
        break;
    default:
        break;
    }
    if (!order || picture.isNull() || (width != 0 && width != picture.width()) ||
        (height != 0 && height != picture.height()) ||
        picture.bytesPerLine() > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    // Opaque premultiplied pixels are their own colour (what a pixmap with an alpha channel
    // usually holds); any other would first have to be divided by its alpha.
    if (picture.format() == QImage::Format_ARGB32_Premultiplied && !isOpaque(picture))
        return std::nullopt;
    width = picture.width();
    height = picture.height();
    return JpegCodecBinding::PixelSource{picture.constBits(),
                                         picture.width(),
                                         picture.height(),
                                         static_cast<std::int32_t>(picture.bytesPerLine()),
                                         *order,
                                         false};
}

// Steps 1 and 2 of both resampling savers.
DibSection sectionFromFile(const QString& file, int width, int height) {
    DibSection section;
    JpegCodecBinding::DecodeFileToSection(section, file); // a failure leaves it empty
    if (width != 0 && height != 0) {
        auto resampled = section.Resample2(height, width);
        if (resampled)
            section = std::move(*resampled);
        else
            section.ClearUp(); // replaced by nothing: there is nothing to encode
    }
    return section;
}

} // namespace

JPEG::JPEG(QObject* parent)
    : QObject(parent), m_live(std::make_unique<componentkit::LiveObject>(module())) {}

JPEG::JPEG(Uncounted, QObject* parent) : QObject(parent) {}

JPEG::~JPEG() = default;

JPEG& JPEG::Global() {
    static JPEG global{Uncounted{}, nullptr};
    return global;
}

void JPEG::SaveJPEG(const QImage& ImageToSave, const QString& xFilename) {
    SaveJPEG(ImageToSave, xFilename, DefaultQuality);
}

void JPEG::SaveJPEG(const QImage& ImageToSave, const QString& xFilename, int JPEGQuality) {
    int width = 0, height = 0;
    SaveJPEG(ImageToSave, xFilename, JPEGQuality, width, height);
}

void JPEG::SaveJPEG(const QImage& ImageToSave, const QString& xFilename, int JPEGQuality,
                    int& FixWidth) {
    int height = 0;
    SaveJPEG(ImageToSave, xFilename, JPEGQuality, FixWidth, height);
}

void JPEG::SaveJPEG(const QImage& ImageToSave, const QString& xFilename, int JPEGQuality,
                    int& FixWidth, int& FixHeight) {
    if (const auto pixels = pixelsOfPicture(ImageToSave, FixWidth, FixHeight)) {
        JpegCodecBinding::EncodePixelsToFile(*pixels, xFilename, JPEGQuality);
        return;
    }
    const DibSection section = sectionFromPicture(ImageToSave, FixWidth, FixHeight);
    JpegCodecBinding::EncodeSectionToFile(section, xFilename, JPEGQuality);
}

QByteArray JPEG::SaveJPEGToMemory(const QImage& ImageToSave) {
    return SaveJPEGToMemory(ImageToSave, DefaultQuality);
}

QByteArray JPEG::SaveJPEGToMemory(const QImage& ImageToSave, int JPEGQuality) {
    int width = 0, height = 0;
    return SaveJPEGToMemory(ImageToSave, JPEGQuality, width, height);
}

QByteArray JPEG::SaveJPEGToMemory(const QImage& ImageToSave, int JPEGQuality, int& FixWidth) {
    int height = 0;
    return SaveJPEGToMemory(ImageToSave, JPEGQuality, FixWidth, height);
}

QByteArray JPEG::SaveJPEGToMemory(const QImage& ImageToSave, int JPEGQuality, int& FixWidth,
                                  int& FixHeight) {
    if (const auto pixels = pixelsOfPicture(ImageToSave, FixWidth, FixHeight))
        return JpegCodecBinding::EncodePixelsToText(*pixels, JPEGQuality);
    const DibSection section = sectionFromPicture(ImageToSave, FixWidth, FixHeight);
    return JpegCodecBinding::EncodeSectionToText(section, JPEGQuality);
}

QImage JPEG::LoadJPEGFromRAMToPicture(const QByteArray& ArrayPointer, int ArraySize, int x, int Y) {
    return LoadJPEGFromRAMToPicture(reinterpret_cast<const std::uint8_t*>(ArrayPointer.data()),
                                    ArraySize, x, Y);
}

QImage JPEG::LoadJPEGFromRAMToPicture(const std::uint8_t*, int, int, int) {
    return {};
}

bool JPEG::LoadJPEGFromRAM2Picture(DeviceContext* Dest_hDC, const QByteArray& ArrayPointer,
                                   int ArraySize, int x, int Y) {
    const int size = static_cast<int>(std::min<qsizetype>(ArraySize, ArrayPointer.size()));
    if (!Dest_hDC) {
        // Nowhere to draw: the decode still decides the result.
        DibSection section;
        return JpegCodecBinding::DecodeBufferToSection(
            section, reinterpret_cast<const std::uint8_t*>(ArrayPointer.constData()), size);
    }
    return LoadJPEGFromRAM2Picture(
        *Dest_hDC, reinterpret_cast<const std::uint8_t*>(ArrayPointer.constData()), size, x, Y);
}

bool JPEG::LoadJPEGFromRAM2Picture(DeviceContext& Dest_hDC, const std::uint8_t* ArrayPointer,
                                   int ArraySize, int x, int Y) {
    DibSection section;
    if (!JpegCodecBinding::DecodeBufferToSection(section, ArrayPointer, ArraySize))
        return false;
    section.PaintPicture(Dest_hDC, 0, 0, section.Width(), section.Height(), 0, 0, Rop::SrcCopy);
    if (x != 0 || Y != 0)
        section.Stretch(Dest_hDC, 0, 0, x, Y, 0, 0, Rop::SrcCopy, true);
    else
        section.Stretch(Dest_hDC, 0, 0, section.Width(), section.Height(), 0, 0, Rop::SrcCopy,
                        true);
    return true;
}

QByteArray JPEG::SaveJPEGToMemoryResampled(const QString& ImageToSave, int JPEGQuality,
                                           int FixWidth, int FixHeight) {
    const DibSection section = sectionFromFile(ImageToSave, FixWidth, FixHeight);
    return JpegCodecBinding::EncodeSectionToText(section, JPEGQuality);
}

QVariant JPEG::SaveJPEGResampled(const QString& ImageToSave, const QString& TargetFile,
                                 int JPEGQuality, int FixWidth, int FixHeight) {
    const DibSection section = sectionFromFile(ImageToSave, FixWidth, FixHeight);
    JpegCodecBinding::EncodeSectionToFile(section, TargetFile, JPEGQuality);
    return {};
}

void JPEG::SetDecodeLimits(const JpegDecodeLimits& limits) {
    JpegCodecBinding::SetDecodeLimits(limits);
}

JpegDecodeLimits JPEG::DecodeLimits() {
    return JpegCodecBinding::DecodeLimits();
}

JpegError JPEG::LastError() {
    return JpegCodecBinding::LastError();
}

void JPEG::ClearLastError() {
    JpegCodecBinding::ClearLastError();
}

} // namespace BrevantJPEG
