#pragma once

#include "FileTransfer.h"
#include "SyncFailure.h"
#include "base/Path.h"
#include "platform/FileSystem.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace quillet {

// The failure of a copy. towardDrive: it was written to the drive; fromDrive: read from there.
SyncFailure::Reason reasonOf(const TransferFailure& failure, bool towardDrive, bool fromDrive);
// Why a folder could not be listed.
SyncFailure::Reason reasonOf(const platform::Error& error);

// The words of a failure, in the user's language: for the window and the terminal.
QString describe(const SyncFailure& failure);
// None for no failure.
QString describe(const std::optional<SyncFailure>& failure);
QString describe(const RowReason& reason);
// The same in English, as the log has always said it.
QString logText(const SyncFailure& failure);

// Why the walk does not enter a folder with these attributes (for the log).
QString leftOutReason(std::uint32_t attributes);

// The replacement question's facts: the two files, and their times where they are files.
struct Replacement {
    Path from;
    Path to;
    std::optional<QDateTime> fromTime;
    std::optional<QDateTime> toTime;
    std::int64_t fromLength = 0;
    std::int64_t toLength = 0;
};
// The two files as they are now.
Replacement replacementOf(platform::FileSystem& fs, const Path& from, const Path& to);
// The question, line by line, joined with CR LF.
QString replacementQuestion(const Replacement& facts);

} // namespace quillet
