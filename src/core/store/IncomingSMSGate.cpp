#include "core/store/IncomingSMSGate.h"

#include <QTimer>
#include <sqlite3.h>

#include "core/store/Accounts.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/StoreSMS.h"
#include "core/store/Transaction.h"

IncomingSMSGate::IncomingSMSGate(QObject* parent) : QObject(parent)
{
    registerSMSInfoMetaType();
    connect(AccountJobs::instance(), &AccountJobs::released, this, &IncomingSMSGate::flush,
            Qt::QueuedConnection);
}

void IncomingSMSGate::offer(const SMSInfo& sms)
{
    // Held messages go first, so a message never overtakes one that came before it.
    m_held.append(sms);
    flush();
}

void IncomingSMSGate::flush()
{
    // Taken off the list before storing: a box shown for one message may let the next one in.
    while (!m_held.isEmpty()) {
        const SMSInfo sms = m_held.takeFirst();
        if (!store(sms)) {
            m_held.prepend(sms); // the job's release flushes again
            return;
        }
    }
}

bool IncomingSMSGate::store(const SMSInfo& received)
{
    SMSInfo sms = received;
    QString failure;
    bool otherProgram = false;
    const bool ran = AccountJobs::instance()->runUnlessBusy([&] {
        try {
            storeSMS(currentDatabase(), sms);
        } catch (const Sqlite3Exception& e) {
            otherProgram = (e.code() & 0xff) == SQLITE_BUSY;
            failure = QString::fromUtf8(e.what());
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    });
    if (!ran)
        return false;
    if (otherProgram) {
        // Another program (the command line) holds the account: the message waits for it.
        QTimer::singleShot(RETRY_MS, this, &IncomingSMSGate::flush);
        return false;
    }
    if (failure.isEmpty())
        emit stored(sms);
    else
        emit storeFailed(failure);
    return true;
}
