#include "core/store/AccountUpgrade.h"

#include <QStringList>
#include <algorithm>

#include <sqlite3.h>

#include "core/frame/Cancellation.h"
#include "core/store/InterruptOnCancel.h"
#include "core/store/MMSStore.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/StoreScript.h"

namespace {

// The steps that bring an account to its version, each described by its file in res/store.
// A step whose tables hold derived rows only is rebuilt whole when damaged; the MMS step's
// tables hold what no other table has, so only its missing objects are added.
struct Step
{
    int version;
    const char* script;
    int part;
    bool keepsRows;
};

enum Part
{
    SearchIndex = 1,
    QueuedMessages = 2,
    Summary = 4,
    StaleRows = 8,
    Numbers = 16,
    MMSTables = 32,
    VersionNumber = 64, // the account's version is to be written
};

const Step steps[] = {
    {AccountVersionSearchIndex, "1-search-index", SearchIndex, false},
    {AccountVersionSummary, "2-summary", Summary, false},
    {AccountVersionMMS, "3-mms", MMSTables, true},
    {AccountVersionNumbers, "4-numbers", Numbers, false},
};

// What a storing job adds at its commit instead of the insert triggers.
const char* const addRowsScript = "add-rows";

const Step& stepOf(int version)
{
    return steps[version - 1];
}

// The shadow tables FTS5 keeps for sms_fts.
const char* const ftsShadowTables[] = {"sms_fts_data", "sms_fts_idx", "sms_fts_docsize",
                                       "sms_fts_content", "sms_fts_config"};

const char* const indexQueued = "INSERT INTO sms_fts(rowid, body) SELECT s.sms_id, s.body FROM "
                                "sms_fts_pending AS p JOIN sms AS s ON s.sms_id = p.sms_id";
const char* const emptyQueue = "DELETE FROM sms_fts_pending";

const char* const refreshStale =
    "UPDATE sms_summary SET last_date = (SELECT max(date) FROM sms WHERE suffix IS "
    "sms_summary.suffix), person = (SELECT max(person) FROM sms WHERE suffix IS "
    "sms_summary.suffix), address = (SELECT max(address) FROM sms WHERE suffix IS "
    "sms_summary.suffix), first_person_id = (SELECT sms_id FROM sms WHERE suffix IS "
    "sms_summary.suffix AND person <> '' ORDER BY sms_id LIMIT 1), first_person = (SELECT person "
    "FROM sms WHERE suffix IS sms_summary.suffix AND person <> '' ORDER BY sms_id LIMIT 1), "
    "stale = 0 WHERE stale <> 0";

// Rows indexed per statement while the index is built: progress and cancel in between.
constexpr qint64 fillChunk = 50000;

// The stored text of the object; null when it is not there.
QString storedSql(Sqlite3DB* db, const ScriptStatement& object)
{
    Sqlite3Sql sql("select ifnull(sql, '') from sqlite_master where type = ? and name = ?");
    Sqlite3Cursor cursor = db->queryThrow(sql.addTextParam(object.type).addTextParam(object.name));
    if (!cursor.moveNext())
        return QString();
    const QString text = cursor.getText(0);
    return text.isNull() ? QStringLiteral("") : text;
}

// Every object of the step is there, found by name in one query (the MMS readers ask often).
bool objectsNamed(Sqlite3DB* db, const Step& step)
{
    QStringList names;
    for (const ScriptStatement& statement : storeScript(step.script)) {
        if (!statement.type.isEmpty())
            names.append(QLatin1Char('\'') + statement.name + QLatin1Char('\''));
    }
    Sqlite3Cursor cursor = db->queryThrow(
        Sqlite3Sql(QStringLiteral("select count(*) from sqlite_master where name in (%1)")
                       .arg(names.join(QStringLiteral(", ")))));
    return cursor.moveNext() && cursor.getInt(0) == names.size();
}

// Every object of the step is there as this build writes it (an account without a version: an
// earlier build may have made an object otherwise).
bool objectsAsWritten(Sqlite3DB* db, const Step& step)
{
    for (const ScriptStatement& statement : storeScript(step.script)) {
        if (!statement.type.isEmpty() && storedSql(db, statement) != statement.sql)
            return false;
    }
    return true;
}

// The checks below descend a few indexes once instead of reading every row, so an open reads
// about as much of a large account as of a small one: the triggers keep the derived tables in
// step with every write, so what is checked is that they are there (the schema) and in step at
// the newest message. A hand-made change to a derived table's rows goes unnoticed.

// Every message up to the newest is indexed or queued (FTS5 keeps one size row per indexed row,
// also for a NULL text), and the index opens. Returns the parts needed.
int searchIndexState(Sqlite3DB* db, qint64 lastId)
{
    try {
        Sqlite3Cursor state = db->queryThrow(
            Sqlite3Sql("select max(ifnull((select max(id) from sms_fts_docsize), 0), "
                       "ifnull((select max(sms_id) from sms_fts_pending), 0)), exists (select 1 "
                       "from sms_fts_pending)"));
        state.moveNext();
        if (state.getInt64(0) != lastId)
            return SearchIndex;
        // Opening the index reads its configuration and its structure record, and fails when
        // they are damaged; unlike a term looked up, it reads no segment (their number grows).
        Sqlite3Cursor probe =
            db->queryThrow(Sqlite3Sql("select rowid from sms_fts where rowid = 0"));
        probe.moveNext();
        return state.getInt64(1) != 0 ? QueuedMessages : 0;
    } catch (const Sqlite3Exception&) {
        return SearchIndex;
    }
}

// The summary has a row for the newest message's conversation, at most one row without a key,
// and rows only while there are messages. Returns the parts needed.
int summaryState(Sqlite3DB* db, qint64 lastId)
{
    Sqlite3Sql sql(
        "select (select count(*) from sms_summary where suffix is null) <= 1 and exists (select 1 "
        "from sms_summary) = exists (select 1 from sms) and not exists (select 1 from sms where "
        "sms_id = ? and not exists (select 1 from sms_summary as c where c.suffix is "
        "sms.suffix)), exists (select 1 from sms_summary where stale <> 0)");
    Sqlite3Cursor state = db->queryThrow(sql.addInt64Param(lastId));
    state.moveNext();
    if (state.getInt(0) == 0)
        return Summary;
    return state.getInt(1) != 0 ? StaleRows : 0;
}

// The newest message's number is among the numbers, and there are numbers only while there are
// messages.
bool numbersInStep(Sqlite3DB* db, qint64 lastId)
{
    Sqlite3Sql sql("select exists (select 1 from sms_numbers) <= exists (select 1 from sms) and "
                   "not exists (select 1 from sms where sms_id = ? and address is not null and "
                   "not exists (select 1 from sms_numbers as n where n.address = sms.address))");
    Sqlite3Cursor state = db->queryThrow(sql.addInt64Param(lastId));
    return state.moveNext() && state.getInt(0) != 0;
}

// What the step's part needs, its objects being there.
int stateOf(Sqlite3DB* db, const Step& step, qint64 lastId)
{
    switch (step.part) {
    case SearchIndex:
        return searchIndexState(db, lastId);
    case Summary:
        return summaryState(db, lastId);
    case Numbers:
        return numbersInStep(db, lastId) ? 0 : Numbers;
    default:
        return 0;
    }
}

// Parts that need work; 0 when the account is up to date. An account of a later build is left
// as it is: its objects are this build's and more.
int neededParts(Sqlite3DB* db)
{
    const int version = accountVersion(db);
    if (version > CurrentAccountVersion)
        return 0;
    Sqlite3Cursor newest = db->queryThrow(Sqlite3Sql("select ifnull(max(sms_id), 0) from sms"));
    newest.moveNext();
    const qint64 lastId = newest.getInt64(0);
    int parts = version < CurrentAccountVersion ? VersionNumber : 0;
    for (const Step& step : steps) {
        // A step of the account's version is checked by name (repaired when an object is gone).
        // Without a version (an earlier build's account, or the template) what is there is kept
        // when it is what this build makes. A later step is yet to run.
        bool present = false;
        if (version >= step.version || (version == 0 && step.keepsRows))
            present = objectsNamed(db, step);
        else if (version == 0)
            present = objectsAsWritten(db, step);
        parts |= present ? stateOf(db, step, lastId) : step.part;
    }
    return parts;
}

void execute(Sqlite3DB* db, const QString& sql)
{
    db->executeThrow(Sqlite3Sql(sql));
}

bool objectExists(Sqlite3DB* db, const ScriptStatement& object)
{
    return !storedSql(db, object).isNull();
}

// FTS5 refuses to drop an index whose own tables are damaged ("vtable constructor failed"): its
// entry is then taken out of the schema by hand and its tables dropped as plain tables.
void dropVirtualTable(Sqlite3DB* db, const QString& name)
{
    try {
        execute(db, QStringLiteral("DROP TABLE IF EXISTS %1").arg(name));
    } catch (const Sqlite3Exception&) {
        execute(db, QStringLiteral("PRAGMA writable_schema = ON"));
        db->executeThrow(Sqlite3Sql("DELETE FROM sqlite_master WHERE type = 'table' AND name = ?")
                             .addTextParam(name));
        execute(db, QStringLiteral("PRAGMA writable_schema = RESET"));
    }
    for (const char* table : ftsShadowTables)
        execute(db, QStringLiteral("DROP TABLE IF EXISTS %1").arg(QLatin1String(table)));
}

void dropObjects(Sqlite3DB* db, const Step& step)
{
    const QList<ScriptStatement>& script = storeScript(step.script);
    // Triggers first: they name the tables.
    for (auto it = script.crbegin(); it != script.crend(); ++it) {
        if (it->type.isEmpty())
            continue;
        if (it->sql.startsWith(QLatin1String("CREATE VIRTUAL TABLE")))
            dropVirtualTable(db, it->name);
        else
            execute(db, QStringLiteral("DROP %1 IF EXISTS %2").arg(it->type.toUpper(), it->name));
    }
}

// The row id that ends the next chunk of messages after the given one, or false at the end.
bool chunkEnd(Sqlite3DB* db, qint64 after, qint64& end)
{
    Sqlite3Cursor cursor = db->queryThrow(
        Sqlite3Sql(
            "select max(sms_id) as last from (select sms_id from sms where sms_id > ? order by "
            "sms_id limit ?)")
            .addInt64Param(after)
            .addInt64Param(fillChunk));
    if (!cursor.moveNext() || cursor.isNull(QStringLiteral("last")))
        return false;
    end = cursor.getInt64(0);
    return true;
}

// Runs the statement once per chunk of messages (?1 < sms_id <= ?2).
void fillInChunks(Sqlite3DB* db, const QString& sql, const UpgradeProgress& progress)
{
    Sqlite3Cursor range =
        db->queryThrow(Sqlite3Sql("select ifnull(min(sms_id), 0) - 1, count(*) from sms"));
    range.moveNext();
    qint64 last = range.getInt64(0);
    const qint64 total = range.getInt64(1);
    qint64 done = 0;
    for (qint64 end = 0; chunkEnd(db, last, end); last = end) {
        Cancellation::throwIfRequested();
        db->executeThrow(Sqlite3Sql(sql).addInt64Param(last).addInt64Param(end));
        done = std::min(total, done + fillChunk);
        if (progress)
            progress(done, total);
    }
}

// Builds the step's part: its objects, filled from the messages before its triggers come.
void runStep(Sqlite3DB* db, const Step& step, const UpgradeProgress& progress)
{
    if (!step.keepsRows)
        dropObjects(db, step);
    for (const ScriptStatement& statement : storeScript(step.script)) {
        if (step.keepsRows && !statement.type.isEmpty() && objectExists(db, statement))
            continue;
        if (statement.sql.contains(QLatin1String("?2")))
            fillInChunks(db, statement.sql, progress);
        else
            execute(db, statement.sql);
    }
}

QStringList triggerNames(Sqlite3DB* db)
{
    QStringList names;
    for (Sqlite3Cursor cursor =
             db->queryThrow(Sqlite3Sql("select name from sqlite_master where type = 'trigger'"));
         cursor.moveNext();)
        names.append(cursor.getText(0));
    return names;
}

} // namespace

int accountVersion(Sqlite3DB* db)
{
    Sqlite3Cursor cursor = db->queryThrow(Sqlite3Sql("pragma user_version"));
    return cursor.moveNext() ? cursor.getInt(0) : 0;
}

bool stepObjectsPresent(Sqlite3DB* db, int version)
{
    return objectsNamed(db, stepOf(version));
}

bool accountUpToDate(Sqlite3DB* db)
{
    return neededParts(db) == 0;
}

int upgradeNeeded(Sqlite3DB* db)
{
    const int parts = neededParts(db);
    if (parts & (SearchIndex | Summary))
        return UpgradeRebuild;
    return parts ? UpgradeUpkeep : UpgradeNone;
}

void upgradeAccount(Sqlite3DB* db, const UpgradeProgress& progress)
{
    const InterruptOnCancel interrupt(db);
    const int parts = neededParts(db);
    for (const Step& step : steps) {
        if (parts & step.part)
            runStep(db, step, progress);
    }
    if ((parts & (SearchIndex | QueuedMessages)) == QueuedMessages)
        indexPendingMessages(db);
    if ((parts & (Summary | StaleRows)) == StaleRows)
        execute(db, QString::fromLatin1(refreshStale));
    if (parts & VersionNumber)
        execute(db, QStringLiteral("PRAGMA user_version = %1").arg(CurrentAccountVersion));
    Cancellation::throwIfRequested();
}

void indexPendingMessages(Sqlite3DB* db)
{
    Sqlite3Cursor queued = db->queryThrow(Sqlite3Sql(
        "select count(*) from sqlite_master where type = 'table' and name = 'sms_fts_pending'"));
    if (!queued.moveNext() || queued.getInt(0) == 0)
        return;
    execute(db, QString::fromLatin1(indexQueued));
    execute(db, QString::fromLatin1(emptyQueue));
}

bool derivedRowsAddable(Sqlite3DB* db)
{
    if (accountVersion(db) != CurrentAccountVersion)
        return false;
    QStringList known;
    for (const Step& step : steps) {
        for (const ScriptStatement& statement : storeScript(step.script)) {
            if (statement.type == u"trigger")
                known.append(statement.name);
        }
    }
    const QStringList present = triggerNames(db);
    return std::all_of(present.cbegin(), present.cend(),
                       [&](const QString& name) { return known.contains(name); });
}

void addDerivedRows(Sqlite3DB* db, qint64 afterId)
{
    for (const ScriptStatement& statement : storeScript(addRowsScript))
        db->executeThrow(Sqlite3Sql(statement.sql).addInt64Param(afterId));
}
