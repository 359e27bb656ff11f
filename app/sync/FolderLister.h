#pragma once

#include "base/Path.h"
#include "platform/FileSystem.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace quillet {

// Lists the other side of each folder pair on a worker thread while the walk lists this
// side and examines its files: the two sides are read at once, and the walk waits for the
// slower of the two instead of for both. A drive is slower than the local disk, and a cold
// or FUSE drive answers every look with a round trip.
//
// Only the listings are made ahead; what the walk decides, writes and shows stays on the
// calling thread, in the same order as without workers.
class FolderLister {
public:
    // With no workers, every listing is made when it is taken, on the caller's thread.
    FolderLister(platform::FileSystem& fs, int workers);
    ~FolderLister();
    FolderLister(const FolderLister&) = delete;
    FolderLister& operator=(const FolderLister&) = delete;

    // Asks for the listings the walk will want next, in the order it will want them. A
    // later request goes before the earlier ones: the walk goes depth first.
    void prefetch(const std::vector<Path>& folders);
    // The listing of a folder: the one made ahead when there is one, else made now. While
    // it waits for a worker (a drive that hangs), keepWaiting is asked a few times a second;
    // false gives up with ECANCELED, and the worker's listing is dropped whenever it ends.
    platform::Result<platform::Listing> take(const Path& folder,
                                             const std::function<bool()>& keepWaiting = {});
    // Forgets every listing not taken yet (the end of a row, a stop).
    void clear();

private:
    struct Job {
        Path folder;
        bool started = false;
        std::optional<platform::Result<platform::Listing>> result;
    };
    void work();

    platform::FileSystem& m_fs;
    std::mutex m_mutex;
    std::condition_variable m_wake; // a job to do, or the end
    std::condition_variable m_done; // a job finished
    std::deque<std::shared_ptr<Job>> m_queue;
    std::unordered_map<std::string, std::shared_ptr<Job>> m_jobs;
    int m_idle = 0; // workers waiting for a job
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace quillet
