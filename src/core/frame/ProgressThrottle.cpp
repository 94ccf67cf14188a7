#include "core/frame/ProgressThrottle.h"

#include "core/frame/JobThread.h"

ProgressThrottle::ProgressThrottle(qint64 total) : m_total(total)
{
    m_sinceReport.start();
}

bool ProgressThrottle::shouldReport(qint64 done)
{
    const int percent = JobThread::percentOf(done, m_total);
    if (percent == m_lastPercent && done < m_total && m_sinceReport.elapsed() < INTERVAL_MS)
        return false;
    m_lastPercent = percent;
    m_sinceReport.restart();
    return true;
}
