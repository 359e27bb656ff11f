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
