#pragma once

namespace quillet::platform {

// The console a program runs in: whether its streams are a terminal, and the user's
// request to stop it (Ctrl+C, or a terminate signal from the system).
enum class Stream { Input, Output, Error };
bool isTerminal(Stream stream);

// Calls handler when the user or the system asks the process to stop. The handler runs in
// a signal context: it may only set a flag.
void onStopRequest(void (*handler)());

} // namespace quillet::platform
