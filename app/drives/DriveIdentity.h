#pragma once

#include "PairedDrive.h"
#include "platform/VolumeService.h"

#include <QString>
#include <QStringList>

namespace quillet {

// Listing drives and recognising the paired one.
class DriveIdentity {
public:
    explicit DriveIdentity(platform::VolumeService& volumes) : m_volumes(volumes) {}

    QStringList roots() const;
    quint64 GetDriveTotalBytes(const QString& root) const;
    // Serial of the volume mounted at root (or holding path); 0 when unreadable.
    qint32 GetVolumeSerial(const QString& path) const;
    platform::DriveType driveType(const QString& root) const;

    // The pairing list: "root  [ 1906.00 MB]" for each candidate.
    struct Candidates {
        QStringList entries;
        QStringList roots;
        bool enabled = false;
        QString emptyText; // shown in place of entries when there are none
    };
    Candidates RefreshDrives(bool showAllDrives) const;
    static QString candidateText(const QString& root, quint64 bytes);

    // Same size, same serial and, when asked for, the same root.
    bool IsPairedDrive(const QString& root, const PairedDrive& drive) const;

    // The root of the volume that holds path; empty when none.
    QString rootOf(const QString& path) const;

    platform::VolumeService& volumes() const { return m_volumes; }

private:
    platform::VolumeService& m_volumes;
};

} // namespace quillet
