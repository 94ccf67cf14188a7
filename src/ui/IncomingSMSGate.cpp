#include "ui/IncomingSMSGate.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <utility>

#include "app/ProgressForm.h"

namespace {

QList<ProgressForm*> progressForms()
{
    QList<ProgressForm*> forms;
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets) {
        if (auto* form = qobject_cast<ProgressForm*>(widget))
            forms.append(form);
    }
    return forms;
}

} // namespace

IncomingSMSGate::IncomingSMSGate(Deliver deliver, QObject* parent)
    : QObject(parent), m_deliver(std::move(deliver))
{}

bool IncomingSMSGate::jobRunning()
{
    return !progressForms().isEmpty();
}

void IncomingSMSGate::offer(const SMSInfo& sms)
{
    // Earlier held messages go first, so a message never overtakes one that came before it.
    if (!m_held.isEmpty() || jobRunning()) {
        m_held.append(sms);
        watchJobs();
        return;
    }
    m_deliver(sms);
}

void IncomingSMSGate::watchJobs()
{
    const QList<ProgressForm*> forms = progressForms();
    if (forms.isEmpty()) {
        QTimer::singleShot(0, this, &IncomingSMSGate::flush);
        return;
    }
    for (ProgressForm* form : forms) {
        // The flush runs from the event loop, after the caller has finished with the job.
        connect(form, &QObject::destroyed, this, &IncomingSMSGate::flush,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    }
}

void IncomingSMSGate::flush()
{
    if (m_held.isEmpty())
        return;
    if (jobRunning()) {
        watchJobs();
        return;
    }
    const QList<SMSInfo> held = std::exchange(m_held, {});
    for (const SMSInfo& sms : held)
        m_deliver(sms);
}
