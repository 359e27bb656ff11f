#pragma once

namespace quillet::platform {

// Lowers the calling thread's share of the processor below the threads that serve the user
// (the window's, the display server's): for helpers whose work may wait a moment. Best
// effort; the thread's work is unchanged.
void yieldToForeground();

} // namespace quillet::platform
