#include "ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace quillet::platform {

void yieldToForeground() {
    // On Linux a nice value belongs to one thread: the caller's id names just this thread.
    constexpr int Background = 5;
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), Background);
}

} // namespace quillet::platform
