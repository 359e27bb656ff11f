#include "DriveIdentity.h"

#include "base/Format.h"
#include "base/Translate.h"

namespace quillet {

QStringList DriveIdentity::roots() const {
    QStringList result;
    for (const std::string& r : m_volumes.roots())
        result.append(QString::fromStdString(r));
    return result;
}

quint64 DriveIdentity::GetDriveTotalBytes(const QString& root) const {
    return m_volumes.totalBytes(root.toStdString());
}

QString DriveIdentity::rootOf(const QString& path) const {
    QString best;
    for (const QString& root : roots()) {
        if ((path == root || path.startsWith(root) || path + QLatin1Char('/') == root) &&
            root.size() > best.size())
            best = root;
    }
    return best;
}

qint32 DriveIdentity::GetVolumeSerial(const QString& path) const {
    const QString root = rootOf(path);
    if (root.isEmpty())
        return 0;
    return m_volumes.serial(root.toStdString());
}

platform::DriveType DriveIdentity::driveType(const QString& root) const {
    return m_volumes.driveType(root.toStdString());
}

QString DriveIdentity::candidateText(const QString& root, quint64 bytes) {
    return root + QStringLiteral("  [ ") + formatMegabytes(bytes) + QStringLiteral(" MB]");
}

DriveIdentity::Candidates DriveIdentity::RefreshDrives(bool showAllDrives) const {
    Candidates c;
    for (const QString& root : roots()) {
        if (!showAllDrives && driveType(root) != platform::DriveType::Removable)
            continue;
        // An empty card slot or optical drive has nothing to measure.
        const quint64 bytes = GetDriveTotalBytes(root);
        if (bytes == 0)
            continue;
        c.entries.append(candidateText(root, bytes));
        c.roots.append(root);
    }
    c.enabled = !c.entries.isEmpty();
    if (!c.enabled)
        c.emptyText = Translate(QStringLiteral("No removable drives found."));
    return c;
}

bool DriveIdentity::IsPairedDrive(const QString& root, const PairedDrive& drive) const {
    if (!drive.isPaired())
        return false;
    if (GetDriveTotalBytes(root) != drive.DriveSize)
        return false;
    if (!drive.DriveSerial || *drive.DriveSerial != m_volumes.serial(root.toStdString()))
        return false;
    if (drive.SameLetterOnly && root != drive.DriveRoot)
        return false;
    return true;
}

} // namespace quillet
