#include "Clock.h"

namespace quillet {

const Clock& Clock::system() {
    static const Clock clock;
    return clock;
}

} // namespace quillet
