// libFuzzer target for DecodeBufferToSection. Built only with clang (see CMakeLists.txt):
//   build-fuzz/tests/jpeg_decode_fuzzer -max_total_time=600 -rss_limit_mb=512 -timeout=10 \
//       corpus/
// Every input is decoded, whatever size its header claims: the decode limits, not the
// fuzzer, keep a small input from taking more than its data can hold, and the run's memory
// and time limits per input check that they do.
#include "DibSection.h"
#include "JpegCodecBinding.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 20)
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
