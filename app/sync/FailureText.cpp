#include "FailureText.h"

#include "base/Translate.h"

#include <QLocale>
#include <QStringList>

#include <cerrno>

namespace quillet {

using Reason = SyncFailure::Reason;

Reason reasonOf(const TransferFailure& failure, bool towardDrive, bool fromDrive) {
    using Kind = TransferFailure::Kind;
    switch (failure.kind) {
    case Kind::SourceMissing:
        return fromDrive ? Reason::DriveFileMissing : Reason::LocalFileMissing;
    case Kind::SourceUnreadable:
        return Reason::SourceUnreadable;
    case Kind::SourceChanged:
        return Reason::SourceChanged;
    case Kind::NotAFile:
        return Reason::NotAFile;
    case Kind::ReadOnly:
        return Reason::ReadOnly;
    case Kind::DestinationUnreadable:
        return Reason::DestinationUnreadable;
    case Kind::OffVolume:
        return Reason::OffVolume;
    case Kind::Placed:
        return Reason::NameTaken;
    case Kind::DestinationChanged:
        return Reason::DestinationChanged;
    case Kind::LinkOnDrive:
        return Reason::LinkOnDrive;
    case Kind::NameRefused:
        if (failure.code == ENAMETOOLONG)
            return towardDrive ? Reason::NameTooLongForDrive : Reason::NameTooLongForDisk;
        return towardDrive ? Reason::NameNotAllowedOnDrive : Reason::NameNotAllowedOnDisk;
    case Kind::System:
    case Kind::Stopped: // not a failure: the pass says it stopped
        break;
    }
    switch (failure.code) {
    case ENOSPC:
        return towardDrive ? Reason::NoSpaceOnDrive : Reason::NoSpaceOnDisk;
    case EROFS:
        return towardDrive ? Reason::DriveReadOnly : Reason::DiskReadOnly;
    case EINVAL:
    case EILSEQ:
        if (towardDrive)
            return Reason::NameNotAllowedOnDrive;
        break;
    case ENAMETOOLONG:
        return towardDrive ? Reason::NameTooLongForDrive : Reason::NameTooLong;
    case EACCES:
    case EPERM:
        return Reason::PermissionDenied;
    case EIO:
        // Failures of this kind come from the side being written.
        return towardDrive ? Reason::DriveReadWriteError : Reason::DiskReadWriteError;
    default:
        break;
    }
    return Reason::System;
}

Reason reasonOf(const platform::Error& error) {
    switch (error.code) {
    case ENAMETOOLONG:
        return Reason::PathTooLongToRead;
    case EACCES:
    case EPERM:
        return Reason::FolderPermissionDenied;
    default:
        return Reason::FolderUnreadable;
    }
}

namespace {

enum class Language { English, Users };

// The words of each reason; say() hands each text to Translate for the user's language.
QString words(const SyncFailure& failure, Language language) {
    auto say = [language](const QString& text) {
        return language == Language::English ? text : Translate(text);
    };
    const QString& message = failure.message;
    switch (failure.reason) {
    case Reason::DriveRemoved:
        return say(QStringLiteral("the drive was removed"));
    case Reason::LocalFileMissing:
        return say(QStringLiteral("the local file is missing"));
    case Reason::DriveFileMissing:
        return say(QStringLiteral("the file on the drive is missing"));
    case Reason::SourceUnreadable:
        return say(QStringLiteral("the file to copy cannot be read")) +
               (message.isEmpty() ? QString() : QStringLiteral(": ") + message);
    case Reason::SourceChanged:
        return say(QStringLiteral("the source changed while it was copied"));
    case Reason::NotAFile:
        return say(QStringLiteral("a folder or special file has this name"));
    case Reason::ReadOnly:
        return say(QStringLiteral("read-only file"));
    case Reason::DestinationUnreadable:
        return say(QStringLiteral("the file to replace cannot be read"));
    case Reason::OffVolume:
        return say(QStringLiteral("the destination is not on the paired drive"));
    case Reason::NameTaken:
        return say(QStringLiteral("another file took its name meanwhile"));
    case Reason::DestinationChanged:
        return say(QStringLiteral("the file to replace changed during the pass"));
    case Reason::LinkOnDrive:
        return say(QStringLiteral("a link on the drive is not followed"));
    case Reason::NameTooLongForDrive:
        return say(QStringLiteral("name too long for this drive"));
    case Reason::NameTooLongForDisk:
        return say(QStringLiteral("name too long for this disk"));
    case Reason::NameTooLong:
        return say(QStringLiteral("name too long"));
    case Reason::NameNotAllowedOnDrive:
        return say(QStringLiteral("name not allowed on this drive"));
    case Reason::NameNotAllowedOnDisk:
        return say(QStringLiteral("name not allowed on this disk"));
    case Reason::NoSpaceOnDrive:
        return say(QStringLiteral("no space left on the drive"));
    case Reason::NoSpaceOnDisk:
        return say(QStringLiteral("no space left on this computer's disk"));
    case Reason::DriveReadOnly:
        return say(QStringLiteral("the drive is read-only"));
    case Reason::DiskReadOnly:
        return say(QStringLiteral("the disk is read-only"));
    case Reason::PermissionDenied:
        return say(QStringLiteral("permission denied"));
    case Reason::DriveReadWriteError:
        return say(QStringLiteral("the drive reported a read or write error"));
    case Reason::DiskReadWriteError:
        return say(QStringLiteral("the disk reported a read or write error"));
    case Reason::System:
        return message.isEmpty() ? say(QStringLiteral("unknown error")) : message;
    case Reason::PathTooLongToRead:
        return say(QStringLiteral("the path is too long to be read"));
    case Reason::FolderPermissionDenied:
        return say(QStringLiteral("the folder cannot be read: permission denied"));
    case Reason::FolderUnreadable:
        return say(QStringLiteral("the folder cannot be read:")) + QLatin1Char(' ') + message;
    case Reason::SameTimeButDiffer:
        return say(QStringLiteral("both copies have the same time but differ"));
    case Reason::CaseClash:
        return say(QStringLiteral("another file differs only in case"));
    case Reason::NotKeptAside:
        return say(QStringLiteral("both copies changed and the other could not be kept"));
    case Reason::ItemProblem:
        return say(message);
    }
    return message;
}

} // namespace

QString describe(const SyncFailure& failure) {
    return words(failure, Language::Users);
}

QString describe(const std::optional<SyncFailure>& failure) {
    return failure ? describe(*failure) : QString();
}

QString logText(const SyncFailure& failure) {
    return words(failure, Language::English);
}

QString describe(const RowReason& reason) {
    QString text;
    if (reason.failure && reason.failures > 0)
        text = reason.failure->subject + QStringLiteral(": ") + describe(*reason.failure);
    else if (reason.failure)
        text = describe(*reason.failure);
    if (reason.failures > 1)
        text +=
            QLatin1Char(' ') + Translate(QStringLiteral("(%1 files failed)")).arg(reason.failures);
    QString kept;
    if (reason.kept > 0)
        kept = Translate(QStringLiteral("%1 changed on both sides: both copies kept"))
                   .arg(reason.kept);
    else if (reason.keptOne)
        kept = Translate(QStringLiteral("changed on both sides: both copies kept"));
    if (!kept.isEmpty())
        text += text.isEmpty() ? kept : QStringLiteral("; ") + kept;
    return text;
}

QString leftOutReason(std::uint32_t attributes) {
    using namespace platform::Attr;
    return (attributes & Reparse)    ? QStringLiteral("a link to a folder")
           : (attributes & Hidden)   ? QStringLiteral("a hidden folder")
           : (attributes & ReadOnly) ? QStringLiteral("a read-only folder")
                                     : QStringLiteral("not a plain folder");
}

Replacement replacementOf(platform::FileSystem& fs, const Path& from, const Path& to) {
    const platform::FileStat fromSt = fs.stat(from.native());
    const platform::FileStat toSt = fs.stat(to.native());
    auto timeOf = [](const platform::FileStat& st) -> std::optional<QDateTime> {
        if (!st.isRegular)
            return std::nullopt;
        return QDateTime::fromSecsSinceEpoch(st.times.write.seconds, Qt::LocalTime);
    };
    return Replacement{from, to, timeOf(fromSt), timeOf(toSt), fromSt.length, toSt.length};
}

QString replacementQuestion(const Replacement& facts) {
    auto dateOf = [](const QDateTime& time) {
        return Translate(QStringLiteral("File date:")) + QLatin1Char(' ') +
               QLocale().toString(time, QLocale::ShortFormat);
    };
    QStringList lines;
    lines << QStringLiteral("Quillet ") + Translate(QStringLiteral("is about to copy:"))
          << QString() << facts.from.display();
    if (facts.fromTime)
        lines << dateOf(*facts.fromTime);
    lines << QString() << Translate(QStringLiteral("will replace:")) << QString()
          << facts.to.display();
    if (facts.toTime)
        lines << dateOf(*facts.toTime) << QString();
    lines << QString() << Translate(QStringLiteral("Do you accept this replacement ?"));
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace quillet
