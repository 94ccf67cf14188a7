#include "gui/ui/ListenerControl.h"

#include <QPointer>

#include "core/frame/ReasonText.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/RunBehindDialog.h"

ListenerControl::ListenerControl(QObject* parent) : QObject(parent), m_runner(m_job)
{
    connect(&m_job, &ListenJob::errorOccurred, this, &ListenerControl::onListenerError);
    connect(&m_job, &ListenJob::leftOut, this, &showWarning);
}

ListenerControl::~ListenerControl()
{
    stop(); // and the job's own end waits out the rest, every wait of a run being cancellable
}

void ListenerControl::restart()
{
    m_stopped = false;
    m_runner.restart();
}

bool ListenerControl::stop()
{
    m_stopped = true;
    return m_runner.stop(ListenJob::STOP_WAIT_MS);
}

void ListenerControl::onListenerError(const QString& text)
{
    whenNoJobRuns([control = QPointer<ListenerControl>(this), text] {
        if (control)
            control->reportError(text);
    });
}

void ListenerControl::reportError(const QString& text)
{
    if (m_stopped)
        return;
    showCritical(withReason(tr("IDS_ERROR_OCCURRED_WHEN_LISTENING_SMS_%1"), outsideText(text)));
    if (askYesNo(tr("IDS_ASK_RESTART_SYNCLISTENSMSTHREAD")))
        restart();
}
