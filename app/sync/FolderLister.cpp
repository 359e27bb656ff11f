#include "FolderLister.h"

#include <cerrno>
#include <chrono>

namespace quillet {

FolderLister::FolderLister(platform::FileSystem& fs, int workers) : m_fs(fs) {
    for (int i = 0; i < workers; ++i)
        m_threads.emplace_back([this] { work(); });
}

FolderLister::~FolderLister() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

void FolderLister::prefetch(const std::vector<Path>& folders) {
    if (m_threads.empty() || folders.empty())
        return;
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        // In front of what was asked before, in the order given.
        for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
            auto [job, added] = m_jobs.try_emplace(it->native());
            if (!added)
                continue;
            job->second = std::make_shared<Job>();
            job->second->folder = *it;
            m_queue.push_front(job->second);
        }
        wake = m_idle > 0;
    }
    // One wake for the whole batch, and none while the worker is busy anyway.
    if (wake)
        m_wake.notify_all();
}

platform::Result<platform::Listing> FolderLister::take(const Path& folder,
                                                       const std::function<bool()>& keepWaiting) {
    std::unique_lock lock(m_mutex);
    const auto it = m_jobs.find(folder.native());
    if (it != m_jobs.end()) {
        std::shared_ptr<Job> job = it->second;
        m_jobs.erase(it);
        if (job->started) {
            // The job is no longer in m_jobs; the worker holds it until its listing ends.
            const auto ready = [&] { return job->result.has_value(); };
            while (!m_done.wait_for(lock, std::chrono::milliseconds(20), ready)) {
                if (!keepWaiting)
                    continue;
                lock.unlock();
                const bool wait = keepWaiting();
                lock.lock();
                if (!wait && !ready())
                    return platform::Error{ECANCELED, "the wait for the listing was given up"};
            }
            return std::move(*job->result);
        }
        // Not begun yet: quicker to make it here than to wait for a worker.
        job->started = true;
    }
    lock.unlock();
    return m_fs.listDirectory(folder.native());
}

void FolderLister::clear() {
    std::lock_guard lock(m_mutex);
    // Jobs under way finish on their own and are dropped with their last reference.
    for (const auto& job : m_queue)
        job->started = true;
    m_queue.clear();
    m_jobs.clear();
}

void FolderLister::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        --m_idle;
        if (m_stopping)
            return;
        std::shared_ptr<Job> job = m_queue.front();
        m_queue.pop_front();
        if (job->started)
            continue; // taken by the walk itself, or cleared
        job->started = true;
        lock.unlock();
        auto result = m_fs.listDirectory(job->folder.native());
        lock.lock();
        job->result = std::move(result);
        m_done.notify_all();
    }
}

} // namespace quillet
