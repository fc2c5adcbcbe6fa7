#pragma once

#include <ogrsf_frmts.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace geodata {

// Features read on one thread and used on another, in batches. The queue holds a few batches
// only, so reading never runs far ahead of their use; the reading side ends it when the layer
// ends.
class FeatureHandOver {
public:
    using Batch = std::vector<OGRFeatureUniquePtr>;
    static constexpr std::size_t kBatchSize = 256;

    // Queues a batch, waiting while the queue is full.
    void put(Batch batch)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_batches.size() < kQueued; });
        m_batches.push_back(std::move(batch));
        m_changed.notify_all();
    }

    // The next batch, waiting for one; empty once the reading side has ended and every batch
    // has been taken.
    Batch take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_ended || !m_batches.empty(); });
        if (m_batches.empty())
            return {};
        Batch batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_changed.notify_all();
        return batch;
    }

    // The reading side: no more batches.
    void end()
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        m_changed.notify_all();
    }

private:
    static constexpr std::size_t kQueued = 4;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_batches;
    bool m_ended = false;
};

} // namespace geodata
