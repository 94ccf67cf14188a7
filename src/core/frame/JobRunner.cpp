#include "core/frame/JobRunner.h"

#include <QCoreApplication>
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
    connect(&m_job, &QThread::finished, this, &JobRunner::onEnded);
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
    m_endPending = true;
    m_job.start(QThread::InheritPriority);
}

void JobRunner::waitForEnd()
{
    // Until the end's queued notice came, which follows every report the job sent before.
    if (m_endPending) {
        QEventLoop loop;
        connect(this, &JobRunner::ended, &loop, &QEventLoop::quit);
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
    if (!m_job.wait(QDeadlineTimer(waitMs)))
        return false;
    // The end's notice and the reports before it are delivered now, not after a later start.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return true;
}

void JobRunner::cancel()
{
    m_job.requestCancel();
}

void JobRunner::onEnded()
{
    m_endPending = false;
    emit ended();
    if (!m_restartPending)
        return;
    m_restartPending = false;
    start();
}
