#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

#include "core/frame/SMSInfo.h"

// Stores the messages the phone received or sent in the open account at once, except while a
// job holds the account (AccountJobs) or another program writes to it: those are held, in
// order, and written to the account's spool (MessageSpool) at once, so that neither the end of
// the program nor a crash loses them. They are stored as soon as the job has ended, or tried
// again every RETRY_MS while another program writes; any write transaction on the account
// (this program's or the next one's) stores the spool too, each message once. Never waits for
// the account. Lives on the thread that made it (the main thread).
class IncomingSMSGate : public QObject
{
    Q_OBJECT
public:
    static constexpr int RETRY_MS = 1000;

    explicit IncomingSMSGate(QObject* parent = nullptr);
    // What is still held stays in the spool.
    ~IncomingSMSGate() override;

    // From any thread.
    void offer(const SMSInfo& sms);
    qsizetype heldCount() const { return m_held.size(); }
    // Tries to store what is held for at most limitMs (the command line before it exits);
    // returns how many are left, kept in the spool.
    qsizetype drain(int limitMs);

signals:
    // The message was stored (or was stored already; sms.smsId is 0 then).
    void stored(const SMSInfo& sms);
    void storeFailed(const QString& text);

private:
    struct Held
    {
        SMSInfo sms;
        QString spoolFile; // empty until written to the spool
    };

    void flush();
    void spoolHeld();
    void spool(QList<Held>& list);

    QList<Held> m_held;
    QTimer m_retry;
};
