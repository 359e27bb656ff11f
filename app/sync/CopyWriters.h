#pragma once

#include "FileTransfer.h"
#include "base/Path.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace quillet {

// Writes staged copies of small files on a few threads at once: while one file waits for the
// disk (a source not in memory yet) or for a FUSE driver's answers, the next file's requests
// are on their way. Each writer has a transfer of its own; what it wrote is taken back in the
// order the copies were handed over, on the pass's thread.
class CopyWriters {
public:
    explicit CopyWriters(platform::FileSystem& fs) : m_fs(fs) {}
    ~CopyWriters();
    CopyWriters(const CopyWriters&) = delete;
    CopyWriters& operator=(const CopyWriters&) = delete;

    // 0: none. Changed only while nothing is handed over.
    void setCount(int writers);
    int count() const { return static_cast<int>(m_threads.size()); }

    struct Written {
        bool ok = false;
        TransferFailure failure;                    // when not ok
        std::optional<FileTransfer::Staged> staged; // when ok
    };
    // Hands a copy over; returns at once. modeless: the volumes whose files show one mode.
    void submit(const Path& from, const FileTransfer::Target& to, const QString& subject,
                const std::set<std::uint64_t>& modeless);
    // Copies handed over and not taken back yet.
    std::size_t handedOver() const { return m_queue.size(); }
    // True for a destination handed over and not taken back yet.
    bool holds(const Path& destination) const;
    // The oldest copy handed over, once written; waiting runs every 20 ms meanwhile.
    Written takeOldest(const std::function<void()>& waiting);
    // The next copies look at their folders afresh. Only while nothing is handed over.
    void forgetFolders();

private:
    struct Slot {
        Path from;
        FileTransfer::Target to;
        QString subject;
        Written written;
        bool done = false;
    };
    void work(FileTransfer& transfer);
    void stop();

    platform::FileSystem& m_fs;
    std::vector<std::unique_ptr<FileTransfer>> m_transfers;
    std::vector<std::thread> m_threads;
    // Everything handed over and not taken back, oldest first; only the pass's thread
    // changes it. Slots not started yet wait in m_waiting too.
    std::deque<std::unique_ptr<Slot>> m_queue;
    std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_done;
    std::deque<Slot*> m_waiting; // guarded by m_mutex
    bool m_stopping = false;     // guarded by m_mutex
};

} // namespace quillet
