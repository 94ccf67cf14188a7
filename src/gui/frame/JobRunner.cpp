#include "gui/frame/JobRunner.h"

#include <QEventLoop>
#include <QList>
#include <QThread>
#include <QTimer>
#include <exception>
#include <memory>
#include <utility>

#include "core/frame/Cancellation.h"
#include "core/frame/JobThread.h"
#include "gui/frame/BusyDialog.h"
#include "gui/frame/ProgressForm.h"

namespace {

// Jobs running behind their dialogs (they nest: a job's box may start another) and what waits
// for them. Used from the GUI thread only.
int g_jobsRunning = 0;
QList<std::function<void()>> g_afterJobs;

// Counts one job while it lives; the last one to end runs what waited for it.
class JobScope
{
public:
    JobScope() { ++g_jobsRunning; }
    ~JobScope()
    {
        if (--g_jobsRunning > 0)
            return;
        // Taken first: an action may start a job of its own and queue more.
        const QList<std::function<void()>> waiting = std::exchange(g_afterJobs, {});
        for (const std::function<void()>& action : waiting)
            whenNoJobRuns(action);
    }
    JobScope(const JobScope&) = delete;
    JobScope& operator=(const JobScope&) = delete;
};

} // namespace

void whenNoJobRuns(const std::function<void()>& action)
{
    if (g_jobsRunning > 0)
        g_afterJobs.append(action);
    else
        action();
}

void waitForFinished(QThread& thread)
{
    if (thread.isFinished() || !thread.isRunning()) {
        thread.wait(); // returns at once: the thread has left run()
        return;
    }
    QEventLoop loop;
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    if (thread.isRunning())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread.wait();
}

int runJob(ProgressForm& form, JobThread& job, const std::function<void(int)>& onResult)
{
    const JobScope scope;
    QObject::connect(&job, &JobThread::updateProgress, &form, &ProgressForm::updateProgress);
    QObject::connect(&job, &JobThread::errorOccurred, &form, &ProgressForm::errorOccurred);
    QObject::connect(&job, &JobThread::succeed, &form, &ProgressForm::succeed);
    QObject::connect(&job, &QThread::finished, &form, &ProgressForm::jobFinished);
    QObject::connect(&form, &ProgressForm::cancelRequested, &job, &JobThread::requestCancel);
    QObject::connect(&form, &QDialog::finished, &job, &JobThread::onProgressClose);
    job.start(QThread::InheritPriority);
    const int result = form.exec();
    if (onResult)
        onResult(result);
    waitForFinished(job);
    return result;
}

bool runInBackground(const QString& text, const std::function<void()>& work, int showAfterMs)
{
    std::exception_ptr failure;
    bool cancelled = false;
    {
        const JobScope scope;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            try {
                work();
            } catch (const Cancellation::Cancelled&) {
                cancelled = true;
            } catch (...) {
                failure = std::current_exception();
            }
        }));
        BusyDialog dialog(text);
        QObject::connect(worker.get(), &QThread::finished, &dialog, &QDialog::accept);
        QObject::connect(&dialog, &BusyDialog::cancelRequested, worker.get(),
                         [thread = worker.get()] { thread->requestInterruption(); });
        worker->start();
        if (showAfterMs > 0) {
            QEventLoop grace;
            QObject::connect(worker.get(), &QThread::finished, &grace, &QEventLoop::quit);
            QTimer::singleShot(showAfterMs, &grace, &QEventLoop::quit);
            if (!worker->isFinished())
                grace.exec(QEventLoop::ExcludeUserInputEvents);
        }
        if (!worker->isFinished())
            dialog.exec();
        waitForFinished(*worker);
    }
    if (failure)
        std::rethrow_exception(failure);
    return !cancelled;
}
