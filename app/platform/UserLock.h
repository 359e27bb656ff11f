#pragma once

#include <QString>

#include <chrono>

namespace quillet::platform {

// A lock shared by every process of this user: the system's lock on a file in the user's
// runtime folder. It is held from a successful take until release or the object's end, and
// it ends with the process that holds it, however that process ends: nothing that the file
// holds, its age or a process number, ever decides who has it.
class UserLock {
public:
    enum class Take {
        Taken,  // this object holds it now
        Busy,   // another holder kept it for the whole wait
        Failed, // the lock file cannot be made; see error()
    };

    // name is the lock file's name inside folder.
    explicit UserLock(const QString& name, const QString& folder = defaultFolder());
    UserLock(const UserLock&) = delete;
    UserLock& operator=(const UserLock&) = delete;
    ~UserLock();

    // Waits up to wait for a holder to let go; zero tries once.
    Take take(std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    void release();
    bool held() const { return m_handle >= 0; }
    QString fileName() const { return m_fileName; }
    // Why the last take failed, in plain words.
    QString error() const { return m_error; }

    // The user's runtime folder, or the per-user data folder where the session has none.
    static QString defaultFolder();
    // The name of a lock that guards one settings store: purpose and a digest of where the
    // store lives, so that the lock is shared exactly by the processes that share the store.
    static QString nameFor(const QString& purpose, const QString& storeLocation);

private:
    // One try: Taken, Busy, or Failed with error() set.
    Take tryOnce();

    QString m_fileName;
    int m_handle = -1; // the open lock file while held
    QString m_error;
};

} // namespace quillet::platform
