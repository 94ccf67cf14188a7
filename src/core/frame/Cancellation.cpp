#include "core/frame/Cancellation.h"

#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>

namespace Cancellation {

Cancelled::Cancelled() : std::runtime_error("Cancelled.") {}

bool requested()
{
    return QThread::currentThread()->isInterruptionRequested();
}

void throwIfRequested()
{
    if (requested())
        throw Cancelled();
}

void sleep(int ms)
{
    if (!pause(ms))
        throw Cancelled();
}

bool pause(int ms)
{
    QDeadlineTimer deadline(std::max(ms, 0));
    for (;;) {
        if (requested())
            return false;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return true;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, SLICE_MS)));
    }
}

bool wait(int timeoutMs, const std::function<Slice(int sliceMs)>& waitSlice)
{
    QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer::Forever
                                          : QDeadlineTimer(std::chrono::milliseconds(timeoutMs)));
    for (;;) {
        throwIfRequested();
        const qint64 left = deadline.remainingTime(); // -1 when forever
        const int slice = left < 0 ? SLICE_MS : int(std::min<qint64>(left, SLICE_MS));
        switch (waitSlice(slice)) {
        case Slice::Done:
            return true;
        case Slice::Failed:
            return false;
        case Slice::Pending:
            break;
        }
        if (deadline.hasExpired())
            return false;
    }
}

} // namespace Cancellation
