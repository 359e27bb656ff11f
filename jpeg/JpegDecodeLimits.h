#pragma once

#include <cstdint>

namespace BrevantJPEG {

// What a decoder believes of a JPEG header before it takes any pixel memory. A header is
// only a claim: 56 KB can announce 26000 x 27000 pixels, about 2 GB of bitmap. A claim
// over either limit is refused before anything is allocated or decoded.
//
// MaxPixels: the ceiling on width x height, 256 megapixels (768 MB of bitmap) by default;
// a caller that opens larger pictures raises it, at most to what a section can hold.
//
// MaxPixelsPerByte: beyond the first 4 megapixels, which are taken on trust, a picture
// needs at least one byte of data per this many pixels. 1024 by default: an entropy-coded
// baseline or progressive JPEG spends at least one bit per 8 x 8 block of each component
// it codes, so real files stay below 512 pixels a byte. Only arithmetic-coded pictures of
// one flat colour go further; 0 switches the check off.
struct JpegDecodeLimits {
    std::int64_t MaxPixels = std::int64_t{256} * 1024 * 1024;
    std::int64_t MaxPixelsPerByte = 1024;
};

} // namespace BrevantJPEG
