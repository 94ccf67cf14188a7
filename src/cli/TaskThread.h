#pragma once

#include <exception>
#include <functional>

#include "core/frame/JobThread.h"

// A short piece of work (connecting to the phone, sending a message, a search) run like a job,
// so that the same runner shows it and Ctrl+C cancels it through the same token. A failure is
// kept as it was thrown, so the caller can tell its kind.
class TaskThread : public JobThread
{
    Q_OBJECT
public:
    explicit TaskThread(std::function<void()> task);

    // What the task threw, or null.
    std::exception_ptr failure() const { return m_failure; }

protected:
    void work() override;

private:
    std::function<void()> m_task;
    std::exception_ptr m_failure;
};
