#pragma once

#include <QList>
#include <QObject>

#include "core/frame/SMSInfo.h"

// Stores incoming messages in the open account at once, except while a job holds the account
// (AccountJobs): those wait, in order, and are stored as soon as the job has ended, whatever
// its outcome. While another program holds the account file they wait too, and storing is
// tried again every RETRY_MS. Lives on the main thread.
class IncomingSMSGate : public QObject
{
    Q_OBJECT
public:
    static constexpr int RETRY_MS = 1000;

    explicit IncomingSMSGate(QObject* parent = nullptr);

    void offer(const SMSInfo& sms);
    qsizetype heldCount() const { return m_held.size(); }

signals:
    // The message was stored (or was stored already; sms.smsId is 0 then).
    void stored(const SMSInfo& sms);
    void storeFailed(const QString& text);

private:
    void flush();
    // False when a job took the account meanwhile (the message stays held).
    bool store(const SMSInfo& received);

    QList<SMSInfo> m_held;
};
