#include "core/store/IncomingSMSGate.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <sqlite3.h>

#include "core/store/AccountJobs.h"
#include "core/store/Accounts.h"
#include "core/store/MessageSpool.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/StoreSMS.h"

IncomingSMSGate::IncomingSMSGate(QObject* parent) : QObject(parent)
{
    registerSMSInfoMetaType();
    m_retry.setSingleShot(true);
    m_retry.setInterval(RETRY_MS);
    connect(&m_retry, &QTimer::timeout, this, &IncomingSMSGate::flush);
    connect(AccountJobs::instance(), &AccountJobs::released, this, &IncomingSMSGate::flush,
            Qt::QueuedConnection);
    // Messages an earlier run left in the spool are stored as soon as the account is free.
    QTimer::singleShot(0, this, &IncomingSMSGate::flush);
}

IncomingSMSGate::~IncomingSMSGate()
{
    spoolHeld();
}

void IncomingSMSGate::offer(const SMSInfo& sms)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, sms] { offer(sms); }, Qt::QueuedConnection);
        return;
    }
    // Held messages go first, so a message never overtakes one that came before it.
    m_held.append({sms, QString()});
    flush();
}

void IncomingSMSGate::spoolHeld()
{
    spool(m_held);
}

void IncomingSMSGate::spool(QList<Held>& list)
{
    const QString folder = MessageSpool::folderOf(currentDatabase());
    for (Held& held : list) {
        if (!held.spoolFile.isEmpty() || folder.isEmpty())
            continue;
        try {
            held.spoolFile = MessageSpool::add(folder, held.sms);
        } catch (const std::exception& e) {
            qDebug("IncomingSMSGate: cannot spool, %s", e.what());
        }
    }
}

void IncomingSMSGate::flush()
{
    Sqlite3DB* db = currentDatabase();
    if (!db || (m_held.isEmpty() && !MessageSpool::holdsAny(MessageSpool::folderOf(db))))
        return;
    // Taken off the list before storing: a box shown for one message may let the next one in.
    QList<Held> batch;
    batch.swap(m_held);
    QList<SMSInfo> messages;
    for (const Held& held : batch)
        messages.append(held.sms);
    QString failure;
    bool otherProgram = false;
    const bool ran = AccountJobs::instance()->runUnlessBusy([&] {
        try {
            storeMessages(db, messages, true);
        } catch (const Sqlite3Exception& e) {
            otherProgram = (e.code() & 0xff) == SQLITE_BUSY;
            failure = QString::fromUtf8(e.what());
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    });
    if (!ran || otherProgram) {
        // The job's release flushes again; another program is waited for with the timer.
        m_held = batch + m_held;
        spoolHeld();
        if (ran)
            m_retry.start();
        return;
    }
    if (!failure.isEmpty()) {
        // Kept in the spool for the next write rather than dropped.
        spool(batch);
        emit storeFailed(failure);
        return;
    }
    QStringList files;
    for (const Held& held : batch)
        files.append(held.spoolFile);
    MessageSpool::remove(files);
    for (const SMSInfo& sms : messages)
        emit stored(sms);
}

qsizetype IncomingSMSGate::drain(int limitMs)
{
    QElapsedTimer timer;
    timer.start();
    QCoreApplication::sendPostedEvents(this);
    while (!m_held.isEmpty() && timer.elapsed() < limitMs) {
        QThread::msleep(50);
        QCoreApplication::processEvents();
        flush();
    }
    spoolHeld();
    return m_held.size();
}
