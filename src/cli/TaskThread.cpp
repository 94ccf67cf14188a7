#include "cli/TaskThread.h"

#include "core/frame/Cancellation.h"

TaskThread::TaskThread(std::function<void()> task)
    : JobThread("TaskThread"), m_task(std::move(task))
{}

void TaskThread::work()
{
    try {
        m_task();
    } catch (const Cancellation::Cancelled&) {
        throw;
    } catch (...) {
        m_failure = std::current_exception();
        throw;
    }
    emit succeed(QString());
}
