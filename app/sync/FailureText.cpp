#include "FailureText.h"

#include <cerrno>

namespace quillet {

QString transferReason(const TransferFailure& failure, bool towardDrive, bool fromDrive) {
    using Kind = TransferFailure::Kind;
    const QString system = QString::fromStdString(failure.message);
    switch (failure.kind) {
    case Kind::SourceMissing:
        return fromDrive ? QStringLiteral("the file on the drive is missing")
                         : QStringLiteral("the local file is missing");
    case Kind::SourceUnreadable:
        return QStringLiteral("the file to copy cannot be read") +
               (system.isEmpty() ? QString() : QStringLiteral(": ") + system);
    case Kind::SourceChanged:
        return QStringLiteral("the source changed while it was copied");
    case Kind::NotAFile:
        return QStringLiteral("a folder or special file has this name");
    case Kind::ReadOnly:
        return QStringLiteral("read-only file");
    case Kind::DestinationUnreadable:
        return QStringLiteral("the file to replace cannot be read");
    case Kind::OffVolume:
        return QStringLiteral("the destination is not on the paired drive");
    case Kind::Placed:
        return QStringLiteral("another file took its name meanwhile");
    case Kind::DestinationChanged:
        return QStringLiteral("the file to replace changed during the pass");
    case Kind::LinkOnDrive:
        return QStringLiteral("a link on the drive is not followed");
    case Kind::NameRefused:
        if (failure.code == ENAMETOOLONG)
            return towardDrive ? QStringLiteral("name too long for this drive")
                               : QStringLiteral("name too long for this disk");
        return towardDrive ? QStringLiteral("name not allowed on this drive")
                           : QStringLiteral("name not allowed on this disk");
    case Kind::System:
        break;
    }
    switch (failure.code) {
    case ENOSPC:
        return towardDrive ? QStringLiteral("no space left on the drive")
                           : QStringLiteral("no space left on this computer's disk");
    case EROFS:
        return towardDrive ? QStringLiteral("the drive is read-only")
                           : QStringLiteral("the disk is read-only");
    case EINVAL:
    case EILSEQ:
        if (towardDrive)
            return QStringLiteral("name not allowed on this drive");
        break;
    case ENAMETOOLONG:
        return towardDrive ? QStringLiteral("name too long for this drive")
                           : QStringLiteral("name too long");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    case EIO:
        // Failures of this kind come from the side being written.
        return towardDrive ? QStringLiteral("the drive reported a read or write error")
                           : QStringLiteral("the disk reported a read or write error");
    default:
        break;
    }
    return system.isEmpty() ? QStringLiteral("unknown error") : system;
}

QString cannotRead(const platform::Error& error) {
    switch (error.code) {
    case ENAMETOOLONG:
        return QStringLiteral("the path is too long to be read");
    case EACCES:
    case EPERM:
        return QStringLiteral("the folder cannot be read: permission denied");
    default:
        return QStringLiteral("the folder cannot be read: ") +
               QString::fromStdString(error.message);
    }
}

QString leftOutReason(std::uint32_t attributes) {
    using namespace platform::Attr;
    return (attributes & Reparse)    ? QStringLiteral("a link to a folder")
           : (attributes & Hidden)   ? QStringLiteral("a hidden folder")
           : (attributes & ReadOnly) ? QStringLiteral("a read-only folder")
                                     : QStringLiteral("not a plain folder");
}

} // namespace quillet
