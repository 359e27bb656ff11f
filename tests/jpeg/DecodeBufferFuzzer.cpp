// libFuzzer target for DecodeBufferToSection. Built only with clang (see CMakeLists.txt):
//   build-jpeg-fuzz/tests/jpeg_decode_fuzzer -max_total_time=600 corpus/
#include "DibSection.h"
#include "JpegCodecBinding.h"

#include <cstdint>
#include <cstdlib>
#include <turbojpeg.h>

namespace {

// Pictures above this are legal, but decoding one per input would make the run
// memory-bound rather than exploring the parser.
constexpr long long kMaxPixels = 4LL * 1024 * 1024;

bool tooLarge(const std::uint8_t* data, std::size_t size) {
    tjhandle handle = tjInitDecompress();
    int w = 0, h = 0, subsampling = 0, colourSpace = 0;
    const bool large = handle &&
                       tjDecompressHeader3(handle, data, static_cast<unsigned long>(size), &w, &h,
                                           &subsampling, &colourSpace) == 0 &&
                       static_cast<long long>(w) * h > kMaxPixels;
    if (handle)
        tjDestroy(handle);
    return large;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 20 || tooLarge(data, size))
        return 0;
    BrevantJPEG::DibSection section;
    const bool ok = BrevantJPEG::JpegCodecBinding::DecodeBufferToSection(
        section, data, static_cast<std::int32_t>(size));
    // A success holds a whole picture; a failure holds nothing.
    if (ok != !section.IsEmpty())
        std::abort();
    if (ok) {
        // Touch every byte, so that a short buffer shows up under the sanitizers.
        unsigned sum = 0;
        const std::uint8_t* bits = section.DIBSectionBitsPtr();
        for (std::uint32_t i = 0; i < section.Header().biSizeImage; ++i)
            sum += bits[i];
        if (sum == 0xFFFFFFFFu)
            std::abort();
    }
    return 0;
}
