#pragma once

#include "DibSection.h"
#include "JpegDecodeLimits.h"
#include "JpegError.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace BrevantJPEG {

// Between sections and JPEG data, on libjpeg-turbo. The section's own layout (blue-green-
// red, bottom-up, rows of BytesPerScanLine) is handed to the codec as it stands.
// Qualities outside 0 to 100 are taken as the nearest end.
namespace JpegCodecBinding {

constexpr std::int32_t ErrorNumber = 26001;
inline const char* const ErrorSource = "BrevantJPEG.JpegCodecBinding";

// A missing, unreadable or undecodable file returns false and leaves the section unchanged;
// so does a header that claims more than the decode limits allow. Data that fails past its
// header leaves the section empty, and the first warning of the codec (a truncated tail,
// a corrupt segment) is a failure: decoding stops there.
bool DecodeFileToSection(DibSection& section, const QString& fileName);
// Written whole or not at all: a failed encode leaves no file behind.
bool EncodeSectionToFile(const DibSection& section, const QString& fileName, std::int32_t quality);
// Pixels the encoders read where they are: a section's, or a picture's own rows.
struct PixelSource {
    enum class Order { Bgr, Rgb, Bgrx, Rgbx }; // bytes of one pixel, in memory order
    const std::uint8_t* Bits = nullptr;        // nullptr: nothing to encode
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t BytesPerLine = 0;
    Order Pixel = Order::Bgr;
    bool BottomUp = false;
};
PixelSource PixelsOf(const DibSection& section);

// As EncodeSectionToFile and EncodeSectionToText, for pixels held elsewhere.
bool EncodePixelsToFile(const PixelSource& pixels, const QString& fileName, std::int32_t quality);
QByteArray EncodePixelsToText(const PixelSource& pixels, std::int32_t quality);

// size: capacity in, bytes written out (only on success). Too small a buffer fails.
bool EncodeSectionToBuffer(const DibSection& section, std::uint8_t* address, std::int32_t& size,
                           std::int32_t quality);
// Exactly the encoded bytes, whatever their size; empty when encoding fails.
QByteArray EncodeSectionToText(const DibSection& section, std::int32_t quality);
// Grey pictures come out as three equal channels; four-channel (CMYK) pictures are
// converted to colour.
bool DecodeBufferToSection(DibSection& section, const std::uint8_t* address, std::int32_t length);

// Process-wide, for every decoding routine on every thread.
void SetDecodeLimits(const JpegDecodeLimits& limits);
JpegDecodeLimits DecodeLimits();

JpegError LastError();
void ClearLastError();

} // namespace JpegCodecBinding
} // namespace BrevantJPEG
