#pragma once

#include "base/Path.h"
#include "platform/FileSystem.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace quillet {

// Lists folders ahead of the walk, on worker threads: the two sides of a folder pair at
// once, and the folders the walk will enter next while it is still busy with the files of
// this one. A drive is slower than the local disk, and a cold or FUSE drive answers every
// look with a round trip: the walk then waits for the slower side instead of for both.
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

    // Asks for a listing the walk will want soon. Folders asked for later are listed
    // earlier: the walk goes depth first.
    void prefetch(const Path& folder);
    // The listing of a folder: the one made ahead when there is one, else made now.
    platform::Result<platform::Listing> take(const Path& folder);
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
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace quillet
