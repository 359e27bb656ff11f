#include "UserLock.h"

#include "AppPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

#include <algorithm>
#include <thread>

namespace quillet::platform {

UserLock::UserLock(const QString& name, const QString& folder)
    : m_fileName(QDir(folder).filePath(name)) {}

UserLock::~UserLock() {
    release();
}

UserLock::Take UserLock::take(std::chrono::milliseconds wait) {
    m_error.clear();
    if (held())
        return Take::Taken;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    // Short naps at first: a settings edit holds the lock for milliseconds.
    std::chrono::milliseconds nap(2);
    for (;;) {
        const Take outcome = tryOnce();
        if (outcome != Take::Busy)
            return outcome;
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::milliseconds(0))
            return Take::Busy;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(nap, left));
        nap = std::min(nap * 2, std::chrono::milliseconds(50));
    }
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
