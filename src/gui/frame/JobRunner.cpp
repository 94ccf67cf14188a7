#include "gui/frame/JobRunner.h"

#include <QEventLoop>
#include <QThread>
#include <exception>

#include "core/frame/Cancellation.h"
#include "core/frame/JobThread.h"
#include "gui/frame/BusyDialog.h"
#include "gui/frame/ProgressForm.h"

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

bool runInBackground(const QString& text, const std::function<void()>& work)
{
    std::exception_ptr failure;
    bool cancelled = false;
    QThread* worker = QThread::create([&] {
        try {
            work();
        } catch (const Cancellation::Cancelled&) {
            cancelled = true;
        } catch (...) {
            failure = std::current_exception();
        }
    });
    BusyDialog dialog(text);
    QObject::connect(worker, &QThread::finished, &dialog, &QDialog::accept);
    QObject::connect(&dialog, &BusyDialog::cancelRequested, worker,
                     [worker] { worker->requestInterruption(); });
    worker->start();
    dialog.exec();
    waitForFinished(*worker);
    delete worker;
    if (failure)
        std::rethrow_exception(failure);
    return !cancelled;
}
