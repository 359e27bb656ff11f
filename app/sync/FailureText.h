#pragma once

#include "FileTransfer.h"
#include "platform/FileSystem.h"

#include <QString>

#include <cstdint>

namespace quillet {

// Why a copy failed, in words for the log, the window and the terminal. towardDrive: the
// copy was written to the drive; fromDrive: it was read from there.
QString transferReason(const TransferFailure& failure, bool towardDrive, bool fromDrive);
// Why a folder could not be listed.
QString cannotRead(const platform::Error& error);
// Why the walk does not enter a folder with these attributes.
QString leftOutReason(std::uint32_t attributes);

} // namespace quillet
