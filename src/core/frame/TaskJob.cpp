#include "core/frame/TaskJob.h"

#include "core/frame/Cancellation.h"

TaskJob::TaskJob(std::function<void()> task) : JobThread("TaskJob"), m_task(std::move(task)) {}

void TaskJob::work()
{
    m_failure = nullptr;
    m_done = false;
    try {
        m_task();
    } catch (const Cancellation::Cancelled&) {
        throw;
    } catch (...) {
        m_failure = std::current_exception();
        throw;
    }
    m_done = true;
    emit succeed(QString());
}
