#pragma once

#include <QImage>
#include <cstdint>

namespace BrevantJPEG {

// Raster operations, by the values the automation interface has always used.
namespace Rop {
constexpr std::uint32_t SrcCopy = 0x00CC0020;
constexpr std::uint32_t SrcPaint = 0x00EE0086;
constexpr std::uint32_t SrcAnd = 0x008800C6;
constexpr std::uint32_t SrcInvert = 0x00660046;
constexpr std::uint32_t SrcErase = 0x00440328;
constexpr std::uint32_t NotSrcCopy = 0x00330008;
constexpr std::uint32_t NotSrcErase = 0x001100A6;
constexpr std::uint32_t MergePaint = 0x00BB0226;
constexpr std::uint32_t DstInvert = 0x00550009;
constexpr std::uint32_t Blackness = 0x00000042;
constexpr std::uint32_t Whiteness = 0x00FF0062;
} // namespace Rop

// How stretched transfers onto a context scale. Halftone is smooth (area-averaging when
// shrinking, bilinear when enlarging); the others pick the nearest pixel.
enum class StretchMode : int { BlackOnWhite = 1, WhiteOnBlack = 2, ColorOnColor = 3, Halftone = 4 };

// A device context is a drawing target the caller owns: a QImage, plus the stretch mode
// that stays set on it between calls, as a context's mode does. The context only points
// at the image; the image must outlive it. Transfers are clipped to the image.
class DeviceContext {
public:
    explicit DeviceContext(QImage& target) : m_target(&target) {}

    QImage& image() const { return *m_target; }
    StretchMode stretchMode() const { return m_mode; }
    void setStretchMode(StretchMode mode) { m_mode = mode; }

private:
    QImage* m_target;
    StretchMode m_mode = StretchMode::BlackOnWhite;
};

} // namespace BrevantJPEG
