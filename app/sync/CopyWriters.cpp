#include "CopyWriters.h"

#include "platform/ThreadPriority.h"

#include <chrono>

namespace quillet {

CopyWriters::~CopyWriters() {
    stop();
}

void CopyWriters::stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_waiting.clear(); // copies never taken back are never placed either
    }
    m_work.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
    m_transfers.clear();
    m_queue.clear();
    m_stopping = false;
}

void CopyWriters::setCount(int writers) {
    if (writers == count())
        return;
    stop();
    for (int i = 0; i < writers; ++i) {
        m_transfers.push_back(std::make_unique<FileTransfer>(m_fs));
        FileTransfer& transfer = *m_transfers.back();
        m_threads.emplace_back([this, &transfer] { work(transfer); });
    }
}

void CopyWriters::work(FileTransfer& transfer) {
    platform::yieldToForeground();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_work.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_stopping)
            return;
        Slot* slot = m_waiting.front();
        m_waiting.pop_front();
        lock.unlock();
        Written written;
        written.ok =
            transfer.copy(slot->from, slot->to, FileTransfer::Placing::WithBatch, slot->subject);
        if (written.ok)
            written.staged = transfer.takeLastStaged();
        else
            written.failure = transfer.lastFailure();
        lock.lock();
        slot->written = std::move(written);
        slot->done = true;
        m_done.notify_all();
    }
}

void CopyWriters::submit(const Path& from, const FileTransfer::Target& to, const QString& subject,
                         const std::set<std::uint64_t>& modeless) {
    if (m_queue.empty()) {
        // No writer is busy: what the pass learned of the volumes reaches them all.
        for (auto& transfer : m_transfers) {
            for (const std::uint64_t device : modeless)
                transfer->setModeless(device);
        }
    }
    m_queue.push_back(std::make_unique<Slot>(Slot{from, to, subject, {}, false}));
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.push_back(m_queue.back().get());
    }
    m_work.notify_one();
}

bool CopyWriters::holds(const Path& destination) const {
    for (const auto& slot : m_queue) {
        if (slot->to.path.native() == destination.native())
            return true;
    }
    return false;
}

CopyWriters::Written CopyWriters::takeOldest(const std::function<void()>& waiting) {
    Slot& oldest = *m_queue.front();
    std::unique_lock lock(m_mutex);
    while (!m_done.wait_for(lock, std::chrono::milliseconds(20), [&] { return oldest.done; })) {
        lock.unlock();
        waiting();
        lock.lock();
    }
    Written written = std::move(oldest.written);
    lock.unlock();
    m_queue.pop_front();
    return written;
}

void CopyWriters::forgetFolders() {
    for (auto& transfer : m_transfers)
        transfer->forgetFolders();
}

} // namespace quillet
