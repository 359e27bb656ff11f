#include "DibSection.h"

#include <QPainter>
#include <QSysInfo>
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <sys/mman.h>
#include <utility>

namespace BrevantJPEG {

namespace {

std::optional<QPainter::CompositionMode> compositionFor(std::uint32_t rop) {
    switch (rop) {
    case Rop::SrcCopy:
        return QPainter::CompositionMode_Source;
    case Rop::SrcPaint:
        return QPainter::RasterOp_SourceOrDestination;
    case Rop::SrcAnd:
        return QPainter::RasterOp_SourceAndDestination;
    case Rop::SrcInvert:
        return QPainter::RasterOp_SourceXorDestination;
    case Rop::SrcErase:
        return QPainter::RasterOp_SourceAndNotDestination;
    case Rop::NotSrcCopy:
        return QPainter::RasterOp_NotSource;
    case Rop::NotSrcErase:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case Rop::MergePaint:
        return QPainter::RasterOp_NotSourceOrDestination;
    case Rop::DstInvert:
        return QPainter::RasterOp_NotDestination;
    case Rop::Blackness:
        return QPainter::RasterOp_ClearDestination;
    case Rop::Whiteness:
        return QPainter::RasterOp_SetDestination;
    default:
        return std::nullopt; // no QPainter equivalent: nothing is drawn
    }
}

// Runs draw with a painter on target set to mode. QPainter does raster operations only on
// 32-bit images and cannot paint on palette images at all, so those go through a
// 32-bit copy that is converted back afterwards.
template <typename Draw>
void paintOn(QImage& target, QPainter::CompositionMode mode, Draw draw) {
    if (target.isNull())
        return;
    const QImage::Format format = target.format();
    const bool native32 = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                          format == QImage::Format_ARGB32_Premultiplied;
    const bool paletted = format == QImage::Format_Mono || format == QImage::Format_MonoLSB ||
                          format == QImage::Format_Indexed8;
    if ((mode != QPainter::CompositionMode_Source && !native32) || paletted) {
        QImage work = target.convertToFormat(QImage::Format_RGB32);
        {
            QPainter painter(&work);
            painter.setCompositionMode(mode);
            draw(painter);
        }
        target = work.convertToFormat(format);
        return;
    }
    QPainter painter(&target);
    painter.setCompositionMode(mode);
    draw(painter);
}

// Large pages pay off from a few megabytes: a fresh 36 MB bitmap costs about 35 ms of
// first-touch page faults in 4 KB pages and about 4 ms in 2 MB ones, which for a decode
// into a new section is a third of the whole time.
constexpr std::size_t LargePage = std::size_t{2} << 20;
constexpr std::size_t MappedFrom = 2 * LargePage;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool MapLargeBitmaps = false; // calloc, so that the sanitizer sees every overrun
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool MapLargeBitmaps = false;
#else
constexpr bool MapLargeBitmaps = true;
#endif
#else
constexpr bool MapLargeBitmaps = true;
#endif

// Whole large pages, aligned to one: the kernel can back every one of them with a large
// page when it has them (transparent huge pages on request), and plain pages otherwise.
DibBits mapLarge(std::size_t size) {
    const std::size_t length = (size + LargePage - 1) & ~(LargePage - 1);
    void* raw = mmap(nullptr, length + LargePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return {};
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + LargePage - 1) & ~std::uintptr_t{LargePage - 1};
    if (aligned > start)
        munmap(raw, aligned - start);
    if (const std::size_t tail = start + length + LargePage - (aligned + length); tail > 0)
        munmap(reinterpret_cast<void*>(aligned + length), tail);
    auto* bits = reinterpret_cast<std::uint8_t*>(aligned);
#if defined(MADV_HUGEPAGE)
    madvise(bits, length, MADV_HUGEPAGE); // a hint: refused, the pages stay small
#endif
    return DibBits(bits, DibBitsDeleter{length});
}

} // namespace

void DibBitsDeleter::operator()(std::uint8_t* p) const {
    if (mapped > 0)
        munmap(p, mapped);
    else
        std::free(p);
}

void AdviseLargePages(void* start, std::size_t length) {
#if defined(MADV_HUGEPAGE)
    if (!start || length < MappedFrom)
        return;
    const auto first = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t begin = (first + LargePage - 1) & ~std::uintptr_t{LargePage - 1};
    const std::uintptr_t end = (first + length) & ~std::uintptr_t{LargePage - 1};
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)start;
    (void)length;
#endif
}

DibBits AllocateDibBits(std::size_t size) {
    if (MapLargeBitmaps && size >= MappedFrom)
        if (DibBits bits = mapLarge(size))
            return bits;
    return DibBits(static_cast<std::uint8_t*>(std::calloc(size, 1)));
}

DibSection::DibSection(DibSection&& other) noexcept
    : m_header(std::exchange(other.m_header, BitmapInfoHeader{})), m_bits(std::move(other.m_bits)) {
}

DibSection& DibSection::operator=(DibSection&& other) noexcept {
    if (this != &other) {
        ClearUp();
        m_header = std::exchange(other.m_header, BitmapInfoHeader{});
        m_bits = std::move(other.m_bits);
    }
    return *this;
}

bool DibSection::Create(std::int32_t lWidth, std::int32_t lHeight, std::int32_t lChannels) {
    ClearUp();
    DibBits dib;
    if (!CreateDIB(lWidth, lHeight, lChannels, dib)) {
        m_header = BitmapInfoHeader{};
        return false;
    }
    m_bits = std::move(dib);
    return true;
}

bool DibSection::CreateDIB(std::int32_t lWidth, std::int32_t lHeight, std::int32_t lChannels,
                           DibBits& hDib) {
    hDib.reset();
    // Pixels are always 3 bytes here; other channel counts are refused rather than given
    // a layout that BytesPerScanLine would not describe.
    if (lChannels != 3 || lWidth <= 0 || lHeight <= 0)
        return false;
    const std::int64_t size = std::int64_t{ScanLineBytes(lWidth)} * lHeight;
    if (3 * std::int64_t{lWidth} + 3 > std::numeric_limits<std::int32_t>::max() ||
        size > std::numeric_limits<std::int32_t>::max())
        return false;

    BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = lWidth;
    header.biHeight = lHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = 0;
    header.biSizeImage = static_cast<std::uint32_t>(size);

    hDib = AllocateDibBits(static_cast<std::size_t>(size));
    if (!hDib)
        return false;
    m_header = header;
    return true;
}

void DibSection::CreateFromPictureX(const QImage& picThis, std::int32_t& x, std::int32_t& Y) {
    const std::int32_t pictureWidth = picThis.isNull() ? 0 : picThis.width();
    const std::int32_t pictureHeight = picThis.isNull() ? 0 : picThis.height();
    if (x == 0)
        x = pictureWidth;
    if (Y == 0)
        Y = pictureHeight;
    if (!Create(x, Y, 3))
        return;
    if (picThis.isNull())
        return;               // nothing to copy: the section stays black
    QImage picture = picThis; // shared, not copied
    const DeviceContext source(picture);
    LoadPictureBlt(source, 0, 0, Width(), Height(), Rop::SrcCopy);
}

void DibSection::LoadPictureBlt(const DeviceContext& lhDC, std::int32_t lSrcLeft,
                                std::int32_t lSrcTop, std::int32_t lSrcWidth,
                                std::int32_t lSrcHeight, std::uint32_t eRop) {
    const QImage& source = lhDC.image();
    if (IsEmpty() || source.isNull())
        return;
    const auto mode = compositionFor(eRop);
    if (!mode)
        return;
    const std::int32_t w = std::min(lSrcWidth < 0 ? Width() : lSrcWidth, Width());
    const std::int32_t h = std::min(lSrcHeight < 0 ? Height() : lSrcHeight, Height());
    // Only what lies inside the source image is transferred.
    const QRect wanted(lSrcLeft, lSrcTop, w, h);
    const QRect from = wanted.intersected(source.rect());
    if (from.isEmpty())
        return;
    const QPoint to = from.topLeft() - wanted.topLeft();

    if (*mode == QPainter::CompositionMode_Source) {
        copyRows(source, from, to);
        return;
    }
    QImage work = ToImage();
    paintOn(work, *mode, [&](QPainter& painter) { painter.drawImage(to, source, from); });
    storeTopDown(work);
}

// Plain copy straight into the bits, bottom row first. The source is converted a band of
// rows at a time, read where it lies: no full-size copy of the picture is ever made.
void DibSection::copyRows(const QImage& source, const QRect& from, const QPoint& to) {
    const std::int32_t bpl = BytesPerScanLine();
    const auto store = [&](const QImage& band, int firstRow) {
        for (int row = 0; row < band.height(); ++row) {
            std::uint8_t* dest = m_bits.get() +
                                 std::int64_t{Height() - 1 - (to.y() + firstRow + row)} * bpl +
                                 3 * to.x();
            std::memcpy(dest, band.constScanLine(row), 3 * std::size_t(band.width()));
        }
    };
    if (source.depth() < 8) { // pixels smaller than a byte cannot be viewed from any column
        store(source.copy(from).convertToFormat(QImage::Format_BGR888), 0);
        return;
    }
    // Qt undoes premultiplied alpha on its way to three bytes a pixel at a third of the speed
    // it does on its way to ARGB32, after which dropping alpha is a plain copy.
    const bool viaArgb32 = source.format() == QImage::Format_ARGB32_Premultiplied &&
                           QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    const auto storeArgb32 = [&](const QImage& band, int firstRow) {
        for (int row = 0; row < band.height(); ++row) {
            const std::uint8_t* in = band.constScanLine(row);
            std::uint8_t* out = m_bits.get() +
                                std::int64_t{Height() - 1 - (to.y() + firstRow + row)} * bpl +
                                3 * to.x();
            for (int x = 0; x < band.width(); ++x, in += 4, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
    };
    constexpr int BandRows = 32;
    const qsizetype pixelBytes = source.depth() / 8;
    for (int first = 0; first < from.height(); first += BandRows) {
        const int rows = std::min(BandRows, from.height() - first);
        // A view of the band, not a copy: the picture outlives it.
        QImage band(source.constScanLine(from.y() + first) + pixelBytes * from.x(), from.width(),
                    rows, source.bytesPerLine(), source.format());
        band.setColorTable(source.colorTable());
        if (viaArgb32)
            storeArgb32(band.convertToFormat(QImage::Format_ARGB32), first);
        else
            store(band.format() == QImage::Format_BGR888
                      ? band
                      : band.convertToFormat(QImage::Format_BGR888),
                  first);
    }
}

void DibSection::PaintPicture(DeviceContext& lhDC, std::int32_t lDestLeft, std::int32_t lDestTop,
                              std::int32_t lDestWidth, std::int32_t lDestHeight,
                              std::int32_t lSrcLeft, std::int32_t lSrcTop, std::uint32_t eRop) {
    if (IsEmpty() || lhDC.image().isNull())
        return;
    const auto mode = compositionFor(eRop);
    if (!mode)
        return;
    const std::int32_t w = lDestWidth < 0 ? Width() : lDestWidth;
    const std::int32_t h = lDestHeight < 0 ? Height() : lDestHeight;
    const QRect wanted(lSrcLeft, lSrcTop, w, h);
    const QRect from = wanted.intersected(QRect(0, 0, Width(), Height()));
    if (from.isEmpty())
        return;
    const QImage part = ToImage().copy(from);
    const QPoint to = QPoint(lDestLeft, lDestTop) + (from.topLeft() - wanted.topLeft());
    paintOn(lhDC.image(), *mode, [&](QPainter& painter) { painter.drawImage(to, part); });
}

void DibSection::Stretch(DeviceContext& lhDC, std::int32_t lDestLeft, std::int32_t lDestTop,
                         std::int32_t lDestWidth, std::int32_t lDestHeight, std::int32_t lSrcLeft,
                         std::int32_t lSrcTop, std::uint32_t eRop, bool AlwaysSmooth) {
    if (IsEmpty())
        return;
    const std::int32_t w = lDestWidth < 0 ? Width() : lDestWidth;
    const std::int32_t h = lDestHeight < 0 ? Height() : lDestHeight;
    if (AlwaysSmooth || w < Width() || h < Height())
        lhDC.setStretchMode(StretchMode::Halftone);
    const auto mode = compositionFor(eRop);
    if (!mode || w == 0 || h == 0 || lhDC.image().isNull())
        return;
    const bool smooth = lhDC.stretchMode() == StretchMode::Halftone;
    // The source rectangle always has the section's full size; outside it reads black.
    QImage source = ToImage();
    if (lSrcLeft != 0 || lSrcTop != 0)
        source = source.copy(lSrcLeft, lSrcTop, Width(), Height());
    paintOn(lhDC.image(), *mode, [&](QPainter& painter) {
        if (w <= Width() && h <= Height()) {
            // Shrinking: Qt's smooth scaling averages areas, as halftone does.
            painter.drawImage(
                QPoint(lDestLeft, lDestTop),
                source.scaled(w, h, Qt::IgnoreAspectRatio,
                              smooth ? Qt::SmoothTransformation : Qt::FastTransformation));
        } else {
            // Enlarging: let the painter scale, so only the visible part is computed.
            painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
            painter.drawImage(QRect(lDestLeft, lDestTop, w, h), source);
        }
    });
}

std::unique_ptr<DibSection> DibSection::Resample2(std::int32_t lNewHeight,
                                                  std::int32_t lNewWidth) const {
    if (IsEmpty())
        return nullptr;
    auto result = std::make_unique<DibSection>();
    if (!result->Create(lNewWidth, lNewHeight, 3))
        return nullptr;
    if (lNewWidth == Width() && lNewHeight == Height()) {
        std::memcpy(result->m_bits.get(), m_bits.get(), m_header.biSizeImage);
        return result;
    }
    // Source size minus one over the destination size: the last source row and column
    // are never reached. Kept as the interface has always resampled.
    const double sx = double(Width() - 1) / lNewWidth;
    const double sy = double(Height() - 1) / lNewHeight;
    const std::int32_t srcLine = BytesPerScanLine();
    const std::int32_t dstLine = result->BytesPerScanLine();
    for (std::int32_t y = 0; y < lNewHeight; ++y) {
        const auto v = static_cast<std::int32_t>(sy * y);
        const std::uint8_t* srcRow = m_bits.get() + std::int64_t{v} * srcLine;
        std::uint8_t* dstRow = result->m_bits.get() + std::int64_t{y} * dstLine;
        for (std::int32_t x = 0; x < lNewWidth; ++x) {
            const auto u = static_cast<std::int32_t>(sx * x);
            const std::uint8_t* s = srcRow + 3 * std::int64_t{u};
            dstRow[3 * std::int64_t{x}] = s[0];
            dstRow[3 * std::int64_t{x} + 1] = s[1];
            dstRow[3 * std::int64_t{x} + 2] = s[2];
        }
    }
    return result;
}

void DibSection::ClearUp() {
    m_bits.reset();
    m_header = BitmapInfoHeader{};
}

QImage DibSection::ToImage() const {
    if (IsEmpty())
        return {};
    QImage image(Width(), Height(), QImage::Format_BGR888);
    if (image.isNull())
        return {};
    const std::int32_t bpl = BytesPerScanLine();
    for (std::int32_t y = 0; y < Height(); ++y)
        std::memcpy(image.scanLine(y), m_bits.get() + std::int64_t{Height() - 1 - y} * bpl,
                    3 * std::size_t(Width()));
    return image;
}

void DibSection::storeTopDown(const QImage& image) {
    if (image.width() != Width() || image.height() != Height())
        return;
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    const std::int32_t bpl = BytesPerScanLine();
    for (std::int32_t y = 0; y < Height(); ++y)
        std::memcpy(m_bits.get() + std::int64_t{Height() - 1 - y} * bpl, bgr.constScanLine(y),
                    3 * std::size_t(Width()));
}

} // namespace BrevantJPEG
