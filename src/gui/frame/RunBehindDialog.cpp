#include "gui/frame/RunBehindDialog.h"

#include <QEventLoop>
#include <QList>
#include <QTimer>
#include <exception>
#include <utility>

#include "core/frame/JobRunner.h"
#include "core/frame/JobThread.h"
#include "core/frame/TaskJob.h"
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

// Keeps the event loop running for at most ms or until the job has ended.
void graceFor(JobThread& job, int ms)
{
    QEventLoop grace;
    QObject::connect(&job, &QThread::finished, &grace, &QEventLoop::quit);
    QTimer::singleShot(ms, &grace, &QEventLoop::quit);
    if (!job.isFinished())
        grace.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

void whenNoJobRuns(const std::function<void()>& action)
{
    if (g_jobsRunning > 0)
        g_afterJobs.append(action);
    else
        action();
}

int runJob(ProgressForm& form, JobThread& job, const std::function<void(int)>& onResult)
{
    const JobScope scope;
    JobRunner runner(job);
    QObject::connect(&job, &JobThread::updateProgress, &form, &ProgressForm::updateProgress);
    QObject::connect(&job, &JobThread::errorOccurred, &form, &ProgressForm::errorOccurred);
    QObject::connect(&job, &JobThread::succeed, &form, &ProgressForm::succeed);
    QObject::connect(&job, &QThread::finished, &form, &ProgressForm::jobFinished);
    QObject::connect(&form, &ProgressForm::cancelRequested, &runner, &JobRunner::cancel);
    QObject::connect(&form, &QDialog::finished, &job, &JobThread::onProgressClose);
    runner.start();
    const int result = form.exec();
    if (onResult)
        onResult(result);
    runner.waitForEnd();
    return result;
}

bool runInBackground(const QString& text, const std::function<void()>& work, int showAfterMs)
{
    TaskJob task(work);
    {
        const JobScope scope;
        JobRunner runner(task);
        BusyDialog dialog(text);
        QObject::connect(&task, &QThread::finished, &dialog, &QDialog::accept);
        QObject::connect(&dialog, &BusyDialog::cancelRequested, &runner, &JobRunner::cancel);
        runner.start();
        if (showAfterMs > 0)
            graceFor(task, showAfterMs);
        if (!task.isFinished())
            dialog.exec();
        runner.waitForEnd();
    }
    if (task.failure())
        std::rethrow_exception(task.failure());
    return task.done();
}
