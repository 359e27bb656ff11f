#pragma once

#include <QString>

#include <optional>

namespace quillet {

// Why a file, a folder or a row could not be synchronised: a reason and its data, as the
// engine found it. Its words come from FailureText: English in the log, the user's language
// in the views.
struct SyncFailure {
    enum class Reason {
        DriveRemoved,
        LocalFileMissing,
        DriveFileMissing,
        SourceUnreadable, // message: the system's words, if any
        SourceChanged,
        NotAFile,
        ReadOnly,
        DestinationUnreadable,
        OffVolume,
        NameTaken,
        DestinationChanged,
        LinkOnDrive,
        NameTooLongForDrive,
        NameTooLongForDisk,
        NameTooLong,
        NameNotAllowedOnDrive,
        NameNotAllowedOnDisk,
        NoSpaceOnDrive,
        NoSpaceOnDisk,
        DriveReadOnly,
        DiskReadOnly,
        PermissionDenied,
        DriveReadWriteError,
        DiskReadWriteError,
        System, // message: the system's words ("unknown error" without any)
        PathTooLongToRead,
        FolderPermissionDenied,
        FolderUnreadable, // message: the system's words
        SameTimeButDiffer,
        CaseClash,
        NotKeptAside,
        ItemProblem, // message: what the sync list found wrong with the item, in English
    };
    Reason reason = Reason::System;
    QString subject; // the file or folder as the log names it
    int code = 0;    // the errno-style code behind it, when there is one
    QString message;
};

// What a row's tooltip says: why it failed, and the versions kept beside their files.
struct RowReason {
    std::optional<SyncFailure> failure;
    // Files of a folder row that failed; the failure is then the first of them, named with
    // its file. 0 for a row that failed as a whole.
    int failures = 0;
    // Files of a folder row changed on both sides, both versions kept.
    int kept = 0;
    // A file row whose replaced version was kept beside it.
    bool keptOne = false;
};

} // namespace quillet
