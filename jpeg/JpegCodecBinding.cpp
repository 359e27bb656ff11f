#include "JpegCodecBinding.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <turbojpeg.h>

namespace BrevantJPEG::JpegCodecBinding {

namespace {

thread_local JpegError lastError;

std::atomic<std::int64_t> maxPixels{JpegDecodeLimits{}.MaxPixels};
std::atomic<std::int64_t> maxPixelsPerByte{JpegDecodeLimits{}.MaxPixelsPerByte};

// Claims up to this many pixels are believed whatever the data: 12 MB of bitmap at most,
// and the decode stops at the first warning when the data runs out.
constexpr std::int64_t TrustedPixels = std::int64_t{4} * 1024 * 1024;

bool claimIsBelievable(int width, int height, unsigned long length) {
    const std::int64_t pixels = std::int64_t{width} * height;
    if (pixels > maxPixels.load(std::memory_order_relaxed))
        return false;
    const std::int64_t perByte = maxPixelsPerByte.load(std::memory_order_relaxed);
    if (perByte <= 0 || pixels <= TrustedPixels)
        return true;
    // Divided rather than multiplied: no overflow for any length or limit.
    return (pixels - 1) / perByte < static_cast<std::int64_t>(length);
}

void noteError(const QString& description, const QString& detail) {
    lastError = JpegError{ErrorNumber, description, QString::fromLatin1(ErrorSource), detail};
}

class TjHandle {
public:
    explicit TjHandle(tjhandle handle) : m_handle(handle) {}
    ~TjHandle() {
        if (m_handle)
            tjDestroy(m_handle);
    }
    TjHandle(const TjHandle&) = delete;
    TjHandle& operator=(const TjHandle&) = delete;
    tjhandle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    tjhandle m_handle;
};

struct TjFree {
    void operator()(unsigned char* bytes) const { tjFree(bytes); }
};
using TjBuffer = std::unique_ptr<unsigned char, TjFree>;

// The codec's worst case for the picture: a buffer this large is never too small, so the
// codec writes into it without growing (and copying) one of its own.
std::optional<unsigned long> encodedBound(const PixelSource& pixels) {
    const unsigned long bound = tjBufSize(pixels.Width, pixels.Height, TJSAMP_420);
    if (bound == static_cast<unsigned long>(-1) ||
        bound > static_cast<unsigned long>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return bound;
}

int codecFormat(PixelSource::Order order) {
    switch (order) {
    case PixelSource::Order::Rgb:
        return TJPF_RGB;
    case PixelSource::Order::Bgrx:
        return TJPF_BGRX;
    case PixelSource::Order::Rgbx:
        return TJPF_RGBX;
    case PixelSource::Order::Bgr:
        break;
    }
    return TJPF_BGR;
}

enum class EncodeResult { Done, InitFailed, Failed };

// 4:2:0 subsampling, as the codec's default and the usual command-line tools have it. out
// holds at least encodedBound(pixels) bytes; size is what was written.
EncodeResult encode(const PixelSource& pixels, std::int32_t quality, unsigned char* out,
                    unsigned long& size, int& status, QString& detail) {
    status = -1;
    TjHandle handle(tjInitCompress());
    if (!handle) {
        detail = QString::fromUtf8(tjGetErrorStr2(nullptr));
        return EncodeResult::InitFailed;
    }
    if (!pixels.Bits) {
        detail = QStringLiteral("the picture is empty");
        return EncodeResult::Failed;
    }
    status =
        tjCompress2(handle.get(), pixels.Bits, pixels.Width, pixels.BytesPerLine, pixels.Height,
                    codecFormat(pixels.Pixel), &out, &size, TJSAMP_420, std::clamp(quality, 0, 100),
                    TJFLAG_NOREALLOC | (pixels.BottomUp ? TJFLAG_BOTTOMUP : 0));
    if (status != 0) {
        detail = QString::fromUtf8(tjGetErrorStr2(handle.get()));
        return EncodeResult::Failed;
    }
    return EncodeResult::Done;
}

bool encodeToBuffer(const PixelSource& pixels, std::uint8_t* address, std::int32_t& size,
                    std::int32_t quality) {
    const auto bound = !pixels.Bits ? std::optional<unsigned long>(0) : encodedBound(pixels);
    if (!bound) {
        noteError(QStringLiteral("Failed to save to JPG ") + QString::number(-1),
                  QStringLiteral("the picture is too large"));
        return false;
    }
    // A caller's buffer that can hold the worst case is written directly; a smaller one is
    // checked against the encoded size instead of trusting the codec with it.
    const bool direct = address && size >= 0 && static_cast<unsigned long>(size) >= *bound;
    TjBuffer scratch(direct ? nullptr : tjAlloc(static_cast<int>(std::max(*bound, 1UL))));
    unsigned char* out = direct ? address : scratch.get();
    if (!out) {
        noteError(QStringLiteral("Failed to save to JPG ") + QString::number(-1),
                  QStringLiteral("out of memory"));
        return false;
    }
    unsigned long written = 0;
    int status = 0;
    QString detail;
    switch (encode(pixels, quality, out, written, status, detail)) {
    case EncodeResult::InitFailed:
        noteError(QStringLiteral("Failed to initialise the IJL library: ") +
                      QString::number(status),
                  detail);
        return false;
    case EncodeResult::Failed:
        noteError(QStringLiteral("Failed to save to JPG ") + QString::number(status), detail);
        return false;
    case EncodeResult::Done:
        break;
    }
    if (!direct) {
        if (!address || size < 0 || written > static_cast<unsigned long>(size)) {
            noteError(QStringLiteral("Failed to save to JPG ") + QString::number(-1),
                      QStringLiteral("the buffer holds %1 bytes; the picture needs %2")
                          .arg(size)
                          .arg(written));
            return false;
        }
        std::memcpy(address, scratch.get(), written);
    }
    size = static_cast<std::int32_t>(written);
    return true;
}

// Adobe's convention, which nearly every four-channel JPEG follows: the channels are
// stored inverted (255 = no ink), so the colour is the channel times black.
void cmykToSection(const std::uint8_t* cmyk, DibSection& section) {
    const std::int32_t w = section.Width();
    const std::int32_t bpl = section.BytesPerScanLine();
    std::uint8_t* bits = section.DIBSectionBitsPtr();
    for (std::int32_t y = 0; y < section.Height(); ++y) {
        const std::uint8_t* in = cmyk + std::int64_t{y} * w * 4;
        std::uint8_t* out = bits + std::int64_t{y} * bpl;
        for (std::int32_t x = 0; x < w; ++x, in += 4, out += 3) {
            const unsigned k = in[3];
            out[0] = static_cast<std::uint8_t>((in[2] * k + 127) / 255);
            out[1] = static_cast<std::uint8_t>((in[1] * k + 127) / 255);
            out[2] = static_cast<std::uint8_t>((in[0] * k + 127) / 255);
        }
    }
}

bool decode(DibSection& section, const std::uint8_t* data, unsigned long length) {
    TjHandle handle(tjInitDecompress());
    if (!handle)
        return false;
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    if (tjDecompressHeader3(handle.get(), data, length, &width, &height, &subsampling,
                            &colourSpace) != 0)
        return false;
    // A stream that ends inside its tables "succeeds" without any size.
    if (width <= 0 || height <= 0)
        return false;
    if (!claimIsBelievable(width, height, length))
        return false;
    if (!section.Create(width, height, 3))
        return false;

    // Bounded scan count: a crafted progressive file cannot keep the decoder busy forever.
    // Stopping at the first warning: otherwise data that runs out early is decoded to the
    // last row as grey, which for a huge claimed size means filling gigabytes.
    const int flags = TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS | TJFLAG_STOPONWARNING;
    int status = 0;
    if (colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK) {
        const std::size_t size = std::size_t(width) * std::size_t(height) * 4;
        DibBits cmyk(static_cast<std::uint8_t*>(std::malloc(size)));
        if (!cmyk) {
            section.ClearUp();
            return false;
        }
        status = tjDecompress2(handle.get(), data, length, cmyk.get(), width, width * 4, height,
                               TJPF_CMYK, flags);
        if (status == 0)
            cmykToSection(cmyk.get(), section);
    } else {
        status = tjDecompress2(handle.get(), data, length, section.DIBSectionBitsPtr(), width,
                               section.BytesPerScanLine(), height, TJPF_BGR, flags);
    }
    // A warning is a failure too: no partial picture is trusted.
    if (status != 0) {
        section.ClearUp(); // never hand on a half-decoded picture
        return false;
    }
    return true;
}

} // namespace

bool DecodeFileToSection(DibSection& section, const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() <= 0 || file.size() > std::numeric_limits<std::int32_t>::max())
        return false;
    QByteArray data(file.size(), Qt::Uninitialized);
    AdviseLargePages(data.data(), std::size_t(data.size()));
    if (file.read(data.data(), data.size()) != data.size())
        return false;
    return decode(section, reinterpret_cast<const std::uint8_t*>(data.constData()),
                  static_cast<unsigned long>(data.size()));
}

PixelSource PixelsOf(const DibSection& section) {
    if (section.IsEmpty())
        return {};
    return {section.DIBSectionBitsPtr(), section.Width(),         section.Height(),
            section.BytesPerScanLine(),  PixelSource::Order::Bgr, true};
}

bool EncodePixelsToFile(const PixelSource& pixels, const QString& fileName, std::int32_t quality) {
    if (!pixels.Bits)
        return false;
    const auto bound = encodedBound(pixels);
    if (!bound)
        return false;
    // Untouched pages of the worst-case buffer cost nothing.
    const TjBuffer buffer(tjAlloc(static_cast<int>(*bound)));
    if (!buffer)
        return false;
    AdviseLargePages(buffer.get(), *bound);
    unsigned long size = 0;
    int status = 0;
    QString detail;
    if (encode(pixels, quality, buffer.get(), size, status, detail) != EncodeResult::Done)
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(reinterpret_cast<const char*>(buffer.get()), qint64(size)) != qint64(size)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QByteArray EncodePixelsToText(const PixelSource& pixels, std::int32_t quality) {
    if (!pixels.Bits) {
        noteError(QStringLiteral("Failed to save to JPG ") + QString::number(-1),
                  QStringLiteral("the picture is empty"));
        return {};
    }
    const auto bound = encodedBound(pixels);
    if (!bound) {
        noteError(QStringLiteral("Failed to save to JPG ") + QString::number(-1),
                  QStringLiteral("the picture is too large"));
        return {};
    }
    QByteArray text(static_cast<qsizetype>(*bound), Qt::Uninitialized);
    AdviseLargePages(text.data(), *bound);
    std::int32_t size = static_cast<std::int32_t>(*bound);
    if (!encodeToBuffer(pixels, reinterpret_cast<std::uint8_t*>(text.data()), size, quality))
        return {};
    // The worst case is many times the usual size: give the rest back.
    text.truncate(size);
    text.squeeze();
    return text;
}

bool EncodeSectionToFile(const DibSection& section, const QString& fileName, std::int32_t quality) {
    return EncodePixelsToFile(PixelsOf(section), fileName, quality);
}

bool EncodeSectionToBuffer(const DibSection& section, std::uint8_t* address, std::int32_t& size,
                           std::int32_t quality) {
    return encodeToBuffer(PixelsOf(section), address, size, quality);
}

QByteArray EncodeSectionToText(const DibSection& section, std::int32_t quality) {
    return EncodePixelsToText(PixelsOf(section), quality);
}

bool DecodeBufferToSection(DibSection& section, const std::uint8_t* address, std::int32_t length) {
    if (!address || length <= 0)
        return false;
    return decode(section, address, static_cast<unsigned long>(length));
}

void SetDecodeLimits(const JpegDecodeLimits& limits) {
    maxPixels.store(limits.MaxPixels, std::memory_order_relaxed);
    maxPixelsPerByte.store(limits.MaxPixelsPerByte, std::memory_order_relaxed);
}

JpegDecodeLimits DecodeLimits() {
    return {maxPixels.load(std::memory_order_relaxed),
            maxPixelsPerByte.load(std::memory_order_relaxed)};
}

JpegError LastError() {
    return lastError;
}

void ClearLastError() {
    lastError = JpegError{};
}

} // namespace BrevantJPEG::JpegCodecBinding
