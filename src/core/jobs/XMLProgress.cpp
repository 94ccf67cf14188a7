#include "core/jobs/XMLProgress.h"

#include <algorithm>

#include "core/frame/JobThread.h"

XMLProgress::XMLProgress(JobThread& job, qint64 fileSize)
    : m_job(job), m_fileSize(fileSize), m_throttle(fileSize + 1)
{}

void XMLProgress::step(qint64 position, qint64 records, qint64 declaredCount)
{
    if (m_throttle.shouldReport(position))
        report(JobThread::percentOf(position, m_fileSize + 1), records, declaredCount);
}

void XMLProgress::finish(qint64 records, qint64 declaredCount)
{
    report(100, records, declaredCount);
}

void XMLProgress::report(int percent, qint64 records, qint64 declaredCount)
{
    emit m_job.updateProgress(
        percent, QStringLiteral("SMS %1:%2").arg(records).arg(std::max(records, declaredCount)));
}
