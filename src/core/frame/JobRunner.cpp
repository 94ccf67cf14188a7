#include "core/frame/JobRunner.h"

#include <QEventLoop>

#include "core/frame/JobThread.h"

JobRunner::JobRunner(JobThread& job, QObject* parent) : QObject(parent), m_job(job)
{
    connect(&m_job, &JobThread::updateProgress, this, &JobRunner::progress);
    connect(&m_job, &JobThread::succeed, this, [this](const QString& text) {
        m_outcome = {JobOutcome::Succeeded, text};
    });
    connect(&m_job, &JobThread::errorOccurred, this, [this](const QString& text) {
        m_outcome = {JobOutcome::Failed, text};
    });
}

JobOutcome JobRunner::run()
{
    m_outcome = {};
    QEventLoop loop;
    connect(&m_job, &QThread::finished, &loop, &QEventLoop::quit);
    m_job.start(QThread::InheritPriority);
    loop.exec();
    m_job.wait();
    // The job's last reports are queued before its end; they have all been delivered.
    return m_outcome;
}

void JobRunner::cancel()
{
    m_job.requestCancel();
}
