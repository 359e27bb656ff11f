#pragma once

#include <QString>
#include <cstdint>

namespace BrevantJPEG {

// The last error the library noted on this thread. Routines never raise; they return
// false or an empty result and leave the reason here.
struct JpegError {
    std::int32_t Number = 0; // 0: nothing noted
    QString Description;
    QString Source;
    QString Detail; // the codec's own message, when it gave one
};

} // namespace BrevantJPEG
