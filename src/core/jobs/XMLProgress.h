#pragma once

#include "core/frame/ProgressThrottle.h"

class JobThread;

// Progress of a job reading an XML backup file: the per-cent from the part of the file read,
// since the root's count may be missing or wrong; the text "SMS %1:%2" with the records read
// and the count (at least the records read).
class XMLProgress
{
public:
    XMLProgress(JobThread& job, qint64 fileSize);

    // After each record or batch; reports when the throttle lets it.
    void step(qint64 position, qint64 records, qint64 declaredCount);
    // After the last record: 100 per-cent.
    void finish(qint64 records, qint64 declaredCount);

private:
    void report(int percent, qint64 records, qint64 declaredCount);

    JobThread& m_job;
    qint64 m_fileSize;
    // Over one byte more than the file, so that only per-cent changes and time pass reports.
    ProgressThrottle m_throttle;
};
