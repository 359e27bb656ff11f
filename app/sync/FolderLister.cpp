#include "FolderLister.h"

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

void FolderLister::prefetch(const Path& folder) {
    if (m_threads.empty())
        return;
    {
        std::lock_guard lock(m_mutex);
        auto [it, added] = m_jobs.try_emplace(folder.native());
        if (!added)
            return;
        it->second = std::make_shared<Job>();
        it->second->folder = folder;
        m_queue.push_front(it->second);
    }
    m_wake.notify_one();
}

platform::Result<platform::Listing> FolderLister::take(const Path& folder) {
    std::shared_ptr<Job> job;
    {
        std::unique_lock lock(m_mutex);
        const auto it = m_jobs.find(folder.native());
        if (it != m_jobs.end()) {
            job = it->second;
            m_jobs.erase(it);
            if (!job->started) {
                // Not begun yet: quicker to make it here than to wait for a worker.
                job->started = true;
                job.reset();
            } else {
                m_done.wait(lock, [&] { return job->result.has_value(); });
                return std::move(*job->result);
            }
        }
    }
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
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
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
