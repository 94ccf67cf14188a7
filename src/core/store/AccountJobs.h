#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <mutex>

// Knows when a job holds the open account: from the begin of a job's Transaction to its end.
// Single messages that arrive meanwhile (IncomingSMSGate) wait for the job, since they would
// otherwise be written into the job's transaction on the shared connection.
class AccountJobs : public QObject
{
    Q_OBJECT
public:
    // The one instance; create it on the main thread first (its signal is queued to it).
    static AccountJobs* instance();

    bool busy() const { return m_held.load() > 0; }
    // Runs work unless a job holds the account; a job cannot begin while work runs. Never waits
    // for a job's begin, which may wait seconds for another program.
    bool runUnlessBusy(const std::function<void()>& work);

signals:
    // The last job's transaction has ended (emitted on the job's thread).
    void released();

private:
    friend class Transaction;
    AccountJobs() = default;
    void acquire();
    void release();

    std::atomic<int> m_held{0};
    std::mutex m_mutex;
};
