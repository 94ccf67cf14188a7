#pragma once

#include <QString>
#include <vector>

class Sqlite3DB;

// The subscription ids of stored messages (sms_sub_ids), kept as runs of consecutive row ids
// with one id: a backup file's million messages through one SIM make one row, not a million.
// Collects the runs of new rows and writes them, or looks up the id of a stored row (the last
// run found is kept: an export asks for neighbours one after the other). Writing and looking up
// do nothing on an account without the table. Throws Sqlite3Exception.
class SubIdRuns
{
public:
    explicit SubIdRuns(Sqlite3DB* db);

    // A new row and its id (null: none known).
    void add(qint64 rowId, const QString& subId);
    // Writes the runs collected so far.
    void write();
    // The id of a stored row; null when none is known.
    QString of(qint64 rowId);
    // True when the account holds any.
    static bool any(Sqlite3DB* db);

private:
    struct Run
    {
        qint64 first = 0;
        qint64 last = -1;
        QString subId;
    };

    bool tablePresent();

    Sqlite3DB* m_db;
    int m_present = -1; // unknown yet
    std::vector<Run> m_runs;
    Run m_found; // the last looked up
};
