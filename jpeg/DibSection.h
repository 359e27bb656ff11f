#pragma once

#include "DeviceContext.h"

#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace BrevantJPEG {

// The 40-byte bitmap-information header that describes a section's pixels.
struct BitmapInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0; // positive: rows are stored bottom-up
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// Pixel memory of a section: from calloc (mapped == 0) or, for large bitmaps, mapped on
// its own (see AllocateDibBits); either way zero-filled and free until written.
struct DibBitsDeleter {
    std::size_t mapped = 0;
    void operator()(std::uint8_t* p) const;
};
using DibBits = std::unique_ptr<std::uint8_t[], DibBitsDeleter>;

// size zero-filled bytes; empty when the memory cannot be had.
DibBits AllocateDibBits(std::size_t size);

// Asks for large pages in the whole large pages that [start, start + length) covers, for
// big buffers of fresh memory: they are then faulted in a few steps instead of thousands.
// Only a hint; nothing changes for buffers under a few megabytes.
void AdviseLargePages(void* start, std::size_t length);

// One 24-bit bitmap in memory: Height rows of BytesPerScanLine bytes, bottom row first,
// blue-green-red per pixel, each row padded to a multiple of 4 bytes. This layout is what
// the codec reads and writes in place.
//
// Coordinates given to the transfer members are those of the picture as seen: (0, 0) is
// its top-left pixel, whatever the storage order.
class DibSection {
public:
    DibSection() = default;
    ~DibSection() { ClearUp(); }
    DibSection(const DibSection&) = delete;
    DibSection& operator=(const DibSection&) = delete;
    DibSection(DibSection&& other) noexcept;
    DibSection& operator=(DibSection&& other) noexcept;

    // Replaces whatever the section holds by a zero-filled lWidth x lHeight bitmap.
    // Only 3 channels are supported; sizes must be positive and the bitmap must fit a
    // 32-bit byte count.
    bool Create(std::int32_t lWidth, std::int32_t lHeight, std::int32_t lChannels);
    // Fills the header and allocates the bits; the new pixel memory goes to hDib.
    bool CreateDIB(std::int32_t lWidth, std::int32_t lHeight, std::int32_t lChannels,
                   DibBits& hDib);

    // Copies the picture pixel for pixel at x x Y; a 0 becomes the picture's own size and
    // is written back. Smaller crops to the top-left part, larger pads with black.
    void CreateFromPictureX(const QImage& picThis, std::int32_t& x, std::int32_t& Y);

    // From lhDC at (lSrcLeft, lSrcTop) into the section at (0, 0). Negative size: the
    // section's own.
    void LoadPictureBlt(const DeviceContext& lhDC, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                        std::int32_t lSrcWidth, std::int32_t lSrcHeight,
                        std::uint32_t eRop = Rop::SrcCopy);
    // From the section at (lSrcLeft, lSrcTop) onto lhDC. Negative size: the section's own.
    void PaintPicture(DeviceContext& lhDC, std::int32_t lDestLeft, std::int32_t lDestTop,
                      std::int32_t lDestWidth = -1, std::int32_t lDestHeight = -1,
                      std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                      std::uint32_t eRop = Rop::SrcCopy);
    // Stretches the section's full size from (lSrcLeft, lSrcTop) into the destination.
    // Switches lhDC to halftone when asked, or when the destination is smaller than the
    // section in either direction; the mode is left set.
    void Stretch(DeviceContext& lhDC, std::int32_t lDestLeft, std::int32_t lDestTop,
                 std::int32_t lDestWidth = -1, std::int32_t lDestHeight = -1,
                 std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                 std::uint32_t eRop = Rop::SrcCopy, bool AlwaysSmooth = false);

    // Nearest-lower-neighbour copy at a new size (height first); nullptr when it cannot
    // be made. The section itself is unchanged.
    std::unique_ptr<DibSection> Resample2(std::int32_t lNewHeight, std::int32_t lNewWidth) const;

    void ClearUp();

    std::int32_t Width() const { return m_header.biWidth; }
    std::int32_t Height() const { return m_header.biHeight; }
    std::int32_t BytesPerScanLine() const { return ScanLineBytes(m_header.biWidth); }
    std::uint8_t* DIBSectionBitsPtr() { return m_bits.get(); }
    const std::uint8_t* DIBSectionBitsPtr() const { return m_bits.get(); }
    const BitmapInfoHeader& Header() const { return m_header; }
    bool IsEmpty() const { return !m_bits; }

    // The picture top-down, for drawing and inspection; a null image when empty.
    QImage ToImage() const;

    static std::int32_t ScanLineBytes(std::int32_t width) {
        return width <= 0 ? 0 : static_cast<std::int32_t>((3 * std::int64_t{width} + 3) & ~3);
    }

private:
    void storeTopDown(const QImage& image); // same size as the section
    void copyRows(const QImage& source, const QRect& from, const QPoint& to);

    BitmapInfoHeader m_header;
    DibBits m_bits;
};

} // namespace BrevantJPEG
