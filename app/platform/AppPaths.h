#pragma once

#include <QString>

namespace quillet::platform {

// The program's folder, ending in exactly one separator.
QString AppPath();

// Per-user folder for the log and other state, created when missing; ends in a separator.
QString UserDataPath();

// The log of the last pass.
QString LogFilePath();

// The updater beside the program; it may be missing.
QString UpdaterPath();

} // namespace quillet::platform
