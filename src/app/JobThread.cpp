#include "app/JobThread.h"

#include "app/ProgressForm.h"

JobThread::JobThread(ProgressForm* form) : QThread(nullptr)
{
    if (!form)
        return;
    connect(this, &JobThread::updateProgress, form, &ProgressForm::updateProgress);
    connect(this, &JobThread::errorOccurred, form, &ProgressForm::errorOccurred);
    connect(this, &JobThread::succeed, form, &ProgressForm::succeed);
    connect(form, &QDialog::finished, this, &JobThread::onProgressClose);
}

int JobThread::percentOf(qint64 done, qint64 total)
{
    if (total <= 0 || done <= 0)
        return 0;
    const double percent = static_cast<double>(done) / static_cast<double>(total) * 100.0;
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

void JobThread::onProgressClose(int)
{
    cancelRequested = true;
}

int runJob(ProgressForm& form, JobThread& job, const std::function<void(int)>& onResult)
{
    job.start(QThread::InheritPriority);
    const int result = form.exec();
    if (onResult)
        onResult(result);
    job.wait();
    return result;
}
