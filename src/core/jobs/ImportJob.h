#pragma once

#include <QList>

#include "core/frame/JobThread.h"
#include "core/frame/SMSInfo.h"

class Sqlite3DB;

// Import job: stores the messages in the current account database in one transaction;
// duplicates are skipped and counted like stored ones. Cancel or any failure (including a
// failure to begin or commit the transaction) rolls everything back.
class ImportJob : public JobThread
{
    Q_OBJECT
public:
    explicit ImportJob(const QList<SMSInfo>& smsList);

    // Results of a finished run: both 0 unless it committed.
    int storedCount() const { return m_stored; }
    int skippedCount() const { return m_skipped; }

protected:
    void work() override;

private:
    // Messages stored per call.
    static constexpr int STORE_CHUNK = 500;

    // The messages from first on (at most STORE_CHUNK) as they are stored: without a number
    // "Unknown". Throws when one has no valid date.
    QList<SMSInfo> checkedChunk(int first) const;

    QList<SMSInfo> m_smsList;
    int m_stored = 0;
    int m_skipped = 0;
};
