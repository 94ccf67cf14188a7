#include "core/frame/JobThread.h"

#include "core/frame/Cancellation.h"

JobThread::JobThread(const char* name) : QThread(nullptr), m_name(name) {}

JobThread::~JobThread()
{
    requestCancel();
    wait();
}

int JobThread::percentOf(qint64 done, qint64 total)
{
    if (total <= 0 || done <= 0)
        return 0;
    const double percent = static_cast<double>(done) / static_cast<double>(total) * 100.0;
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

void JobThread::requestCancel()
{
    requestInterruption();
}

void JobThread::onProgressClose(int)
{
    requestCancel();
}

void JobThread::reportProgress(qint64 done, qint64 total)
{
    emit updateProgress(percentOf(done, total), QStringLiteral("SMS %1:%2").arg(done).arg(total));
}

void JobThread::run()
{
    try {
        work();
    } catch (const Cancellation::Cancelled&) {
        qDebug("%s: User canceled.", m_name);
    } catch (const std::exception& e) {
        if (cancelRequested()) {
            qDebug("%s: User canceled (%s).", m_name, e.what());
            return;
        }
        emit errorOccurred(QString::fromUtf8(e.what()));
    }
}
