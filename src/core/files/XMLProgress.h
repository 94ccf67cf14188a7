#pragma once

#include "core/frame/ProgressThrottle.h"

class JobThread;
class QFileDevice;
class XMLBackupReader;

// Progress of a job reading an XML backup file: the per-cent from the part of the file read,
// since the root's count may be missing or wrong; the text "SMS %1:%2" with the records read
// and the count (at least the records read).
class XMLProgress
{
public:
    XMLProgress(JobThread& job, const QFileDevice& file, const XMLBackupReader& reader);

    // After each record; reports when the throttle lets it.
    void step();
    // After the last record: 100 per-cent.
    void finish();

private:
    void report(int percent);

    JobThread& m_job;
    const QFileDevice& m_file;
    const XMLBackupReader& m_reader;
    // Over one byte more than the file, so that only per-cent changes and time pass reports.
    ProgressThrottle m_throttle;
};
