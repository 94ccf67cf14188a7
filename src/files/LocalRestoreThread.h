#pragma once

#include <QList>

#include "app/JobThread.h"
#include "app/SMSInfo.h"

class Sqlite3DB;

// Import job: stores the messages in the current account database in one transaction;
// duplicates are skipped and counted like stored ones. Cancel or any failure (including a
// failure to begin or commit the transaction) rolls everything back.
class LocalRestoreThread : public JobThread
{
    Q_OBJECT
public:
    LocalRestoreThread(const QList<SMSInfo>& smsList, ProgressForm* progress);

    // Results of a finished run (for tests and benchmarks).
    int storedCount() const { return m_stored; }
    int skippedCount() const { return m_skipped; }

protected:
    void run() override;

private:
    enum class Outcome
    {
        Finished,
        Cancelled,
        InvalidDate
    };
    Outcome storeAll(Sqlite3DB* db);

    QList<SMSInfo> smsList;
    int m_stored = 0;
    int m_skipped = 0;
};
