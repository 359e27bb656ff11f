#include "UserLock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillet::platform {

UserLock::Take UserLock::tryOnce() {
    // The file stays when the lock is let go: removing it would let a waiter that opened
    // the old file and a newcomer that made a new one both hold "the" lock.
    const QByteArray path = QFile::encodeName(m_fileName);
    int handle = -1;
    do {
        handle = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0) {
        const int code = errno;
        m_error = QStringLiteral("the lock file %1 cannot be made (%2)")
                      .arg(QDir::toNativeSeparators(m_fileName),
                           QString::fromLocal8Bit(std::strerror(code)));
        return Take::Failed;
    }
    // The system's lock belongs to this open file: it goes when the file is closed, which
    // the end of the process does too, even after kill -9.
    int locked = -1;
    do {
        locked = ::flock(handle, LOCK_EX | LOCK_NB);
    } while (locked < 0 && errno == EINTR);
    if (locked == 0) {
        m_handle = handle;
        return Take::Taken;
    }
    const int code = errno;
    ::close(handle);
    if (code == EWOULDBLOCK)
        return Take::Busy;
    m_error =
        QStringLiteral("the lock file %1 cannot be locked (%2)")
            .arg(QDir::toNativeSeparators(m_fileName), QString::fromLocal8Bit(std::strerror(code)));
    return Take::Failed;
}

void UserLock::release() {
    if (m_handle < 0)
        return;
    ::close(m_handle);
    m_handle = -1;
}

} // namespace quillet::platform
