#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>

#include "core/frame/Cancellation.h"

// The hand-over between a thread that reads ahead and the job that consumes what it read. The
// reader waits while `capacity` items wait, so memory stays flat; the job waits in slices, so
// that a cancel ends its wait, and gets the reader's failure once the items read before it are
// taken (the job stores all or nothing, so they change nothing but the order of events).
template <typename T> class ReadAheadQueue
{
public:
    explicit ReadAheadQueue(std::size_t capacity) : m_capacity(capacity) {}
    ReadAheadQueue(const ReadAheadQueue&) = delete;
    ReadAheadQueue& operator=(const ReadAheadQueue&) = delete;

    // Reader: false when the consumer has stopped the queue.
    bool push(T&& item)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stopped || m_items.size() < m_capacity; });
        if (m_stopped)
            return false;
        m_items.push_back(std::move(item));
        lock.unlock();
        m_changed.notify_all();
        return true;
    }

    // Reader: nothing more comes; a failure reaches the consumer after the items.
    void finish(std::exception_ptr failure = nullptr)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_failure = failure;
            m_finished = true;
        }
        m_changed.notify_all();
    }

    // Consumer: the next item; false once the reader finished without failure. Throws
    // Cancellation::Cancelled when the calling job is cancelled, or the reader's failure.
    bool next(T& item)
    {
        std::unique_lock lock(m_mutex);
        Cancellation::wait(-1, [&](int sliceMs) {
            if (m_items.empty() && !m_finished)
                m_changed.wait_for(lock, std::chrono::milliseconds(sliceMs));
            return m_items.empty() && !m_finished ? Cancellation::Slice::Pending
                                                  : Cancellation::Slice::Done;
        });
        if (m_items.empty()) {
            if (m_failure)
                std::rethrow_exception(m_failure);
            return false;
        }
        item = std::move(m_items.front());
        m_items.pop_front();
        lock.unlock();
        m_changed.notify_all();
        return true;
    }

    // Consumer: it has gone; a waiting or later push returns false.
    void stop()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_changed.notify_all();
    }

private:
    const std::size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<T> m_items;
    bool m_finished = false;
    bool m_stopped = false;
    std::exception_ptr m_failure;
};
