#pragma once

#include <exception>
#include <functional>

#include "core/frame/JobThread.h"

// A short piece of work (connecting to the phone, sending a message, a search) run as a job, so
// that the same runner runs it and the same cancel stops it, behind the window's busy dialog or
// on the command line. A failure is kept as it was thrown, so the caller can tell its kind.
class TaskJob : public JobThread
{
    Q_OBJECT
public:
    explicit TaskJob(std::function<void()> task);

    // What the task threw, or null.
    std::exception_ptr failure() const { return m_failure; }
    // The task ran to its end (it may have seen no cancel in time).
    bool done() const { return m_done; }

protected:
    void work() override;

private:
    std::function<void()> m_task;
    std::exception_ptr m_failure;
    bool m_done = false;
};
