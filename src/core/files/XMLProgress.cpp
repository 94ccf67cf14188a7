#include "core/files/XMLProgress.h"

#include <QFileDevice>
#include <algorithm>

#include "core/files/XMLBackupReader.h"
#include "core/frame/JobThread.h"

XMLProgress::XMLProgress(JobThread& job, const QFileDevice& file, const XMLBackupReader& reader)
    : m_job(job), m_file(file), m_reader(reader), m_throttle(file.size() + 1)
{}

void XMLProgress::step()
{
    const qint64 position = m_file.pos();
    if (m_throttle.shouldReport(position))
        report(JobThread::percentOf(position, m_file.size() + 1));
}

void XMLProgress::finish()
{
    report(100);
}

void XMLProgress::report(int percent)
{
    const qint64 done = m_reader.elementsRead();
    const qint64 total = std::max(done, m_reader.declaredCount());
    emit m_job.updateProgress(percent, QStringLiteral("SMS %1:%2").arg(done).arg(total));
}
