#pragma once

#include <QList>
#include <QObject>
#include <functional>

#include "app/SMSInfo.h"

// Passes incoming messages on at once, except while a background job runs: its modal progress
// dialog still delivers the listener's signals, and storing then would write through the
// database the worker is using, inside the worker's transaction. Such messages are held, in
// order, and passed on as soon as the last job has ended (success, failure or cancel).
class IncomingSMSGate : public QObject
{
    Q_OBJECT
public:
    using Deliver = std::function<void(const SMSInfo&)>;

    explicit IncomingSMSGate(Deliver deliver, QObject* parent = nullptr);

    void offer(const SMSInfo& sms);
    qsizetype heldCount() const { return m_held.size(); }

    // True while any progress dialog exists: a job is started after its dialog is built and
    // waited for before the dialog is destroyed.
    static bool jobRunning();

private:
    void watchJobs();
    void flush();

    Deliver m_deliver;
    QList<SMSInfo> m_held;
};
