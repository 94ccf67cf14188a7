#include "core/store/AccountJobs.h"

AccountJobs* AccountJobs::instance()
{
    static AccountJobs jobs;
    return &jobs;
}

bool AccountJobs::runUnlessBusy(const std::function<void()>& work)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (busy())
        return false;
    work();
    return true;
}

void AccountJobs::acquire()
{
    // Marked busy at once; the begin, which may wait for another program, runs without the lock.
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_held;
}

void AccountJobs::release()
{
    if (--m_held == 0)
        emit released();
}
