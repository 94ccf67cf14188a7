#include "core/frame/JobRunner.h"

#include <QDeadlineTimer>
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
    connect(&m_job, &QThread::finished, this, &JobRunner::startWhenEnded);
}

JobOutcome JobRunner::run()
{
    start();
    waitForEnd();
    return m_outcome;
}

void JobRunner::start()
{
    if (m_job.isRunning())
        return;
    m_outcome = {};
    m_job.start(QThread::InheritPriority);
}

void JobRunner::waitForEnd()
{
    if (m_job.isRunning()) {
        QEventLoop loop;
        connect(&m_job, &QThread::finished, &loop, &QEventLoop::quit);
        if (m_job.isRunning())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    m_job.wait(); // the thread has left run(): returns at once
}

bool JobRunner::isRunning() const
{
    return m_job.isRunning();
}

void JobRunner::restart()
{
    if (!m_job.isRunning()) {
        start();
        return;
    }
    m_restartPending = true;
    m_job.requestCancel();
}

bool JobRunner::stop(int waitMs)
{
    m_restartPending = false;
    m_job.requestCancel();
    return m_job.wait(QDeadlineTimer(waitMs));
}

void JobRunner::cancel()
{
    m_job.requestCancel();
}

void JobRunner::startWhenEnded()
{
    if (!m_restartPending)
        return;
    m_restartPending = false;
    start();
}
