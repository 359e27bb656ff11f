#include "UserLock.h"

#include "AppPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

namespace quillet::platform {

UserLock::UserLock(const QString& name, const QString& folder)
    : m_fileName(QDir(folder).filePath(name)), m_file(m_fileName) {
    // A pass may hold the lock for hours: only a holder that is gone makes it stale, never
    // its age.
    m_file.setStaleLockTime(0);
}

UserLock::Take UserLock::take(std::chrono::milliseconds wait) {
    m_error.clear();
    if (m_file.isLocked())
        return Take::Taken;
    if (m_file.tryLock(wait))
        return Take::Taken;
    switch (m_file.error()) {
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
        return Take::Busy;
    case QLockFile::PermissionError:
        m_error = QStringLiteral("the lock file %1 cannot be made (permission denied)")
                      .arg(QDir::toNativeSeparators(m_fileName));
        return Take::Failed;
    case QLockFile::UnknownError:
        break;
    }
    m_error =
        QStringLiteral("the lock file %1 cannot be made").arg(QDir::toNativeSeparators(m_fileName));
    return Take::Failed;
}

void UserLock::release() {
    if (m_file.isLocked())
        m_file.unlock();
}

QString UserLock::defaultFolder() {
    // Without a runtime folder from the session, Qt would make one in the shared temporary
    // folder and warn on every start; the per-user data folder is just as private.
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!runtime.isEmpty())
            return runtime;
    }
    return UserDataPath();
}

QString UserLock::nameFor(const QString& purpose, const QString& storeLocation) {
    const QByteArray digest =
        QCryptographicHash::hash(storeLocation.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("Quillet-") + purpose + QLatin1Char('-') +
           QString::fromLatin1(digest.left(16)) + QStringLiteral(".lock");
}

} // namespace quillet::platform
