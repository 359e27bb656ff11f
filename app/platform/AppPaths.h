#pragma once

#include <QString>

namespace quillet {

// The program's folder, ending in exactly one separator.
QString AppPath();

// Per-user folder for the log and other state, created when missing; ends in a separator.
QString UserDataPath();

// The log of the last pass.
QString LogFilePath();

} // namespace quillet
