#include "Console.h"

#include <csignal>
#include <unistd.h>

namespace quillet::platform {

bool isTerminal(Stream stream) {
    switch (stream) {
    case Stream::Input:
        return ::isatty(STDIN_FILENO) == 1;
    case Stream::Output:
        return ::isatty(STDOUT_FILENO) == 1;
    case Stream::Error:
        return ::isatty(STDERR_FILENO) == 1;
    }
    return false;
}

namespace {
void (*g_stopHandler)() = nullptr;

void onSignal(int) {
    if (g_stopHandler)
        g_stopHandler();
}
} // namespace

void onStopRequest(void (*handler)()) {
    g_stopHandler = handler;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace quillet::platform
