#pragma once

#include <QString>

namespace quillet::keys {

// Sections and keys of the settings store. Stored files and earlier versions rely on
// these exact names.
inline const QString SyncInfo = QStringLiteral("SyncInfo");
inline const QString Config = QStringLiteral("Config");

inline const QString Drive = QStringLiteral("Drive");
inline const QString SN = QStringLiteral("SN");
inline const QString Size = QStringLiteral("Size");
inline const QString Letter = QStringLiteral("Letter");
inline const QString Conflicts = QStringLiteral("Conflicts");
inline const QString Refresh = QStringLiteral("Refresh");
inline const QString ExitWarning = QStringLiteral("ExitWarning");

inline QString localFile(int n) {
    return QStringLiteral("LocalFile") + QString::number(n);
}
inline QString remoteFile(int n) {
    return QStringLiteral("RemoteFile") + QString::number(n);
}

} // namespace quillet::keys
