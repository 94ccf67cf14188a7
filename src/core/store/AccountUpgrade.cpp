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

namespace {

struct SchemaObject
{
    const char* type;
    const char* name;
    QString sql;
};

// detail=none keeps the index at about a quarter of the size of the full one: a search asks it
// for messages holding every trigram of the keyword, and checks each candidate with LIKE.
const char* const ftsTable = "CREATE VIRTUAL TABLE sms_fts USING fts5(body, content='sms', "
                             "content_rowid='sms_id', tokenize='trigram', detail='none')";

// A new message is queued rather than indexed at once: FTS5 writes its pending entries out at
// the start of every statement that runs in a transaction in which it was written and that
// has triggers, which made each stored message cost a small index segment (four times the
// time of storing without the index). indexPendingMessages adds the queue in one statement; a
// search looks at the queued messages too.
const char* const queueTable = "CREATE TABLE sms_fts_pending (sms_id INTEGER PRIMARY KEY)";
const char* const queueNew = "INSERT OR IGNORE INTO sms_fts_pending(sms_id) VALUES (new.sms_id);";
// A message leaves the index, or the queue when it was not indexed yet.
const char* const removeOld =
    "INSERT INTO sms_fts(sms_fts, rowid, body) SELECT 'delete', old.sms_id, old.body WHERE NOT "
    "EXISTS (SELECT 1 FROM sms_fts_pending WHERE sms_id = old.sms_id); DELETE FROM "
    "sms_fts_pending WHERE sms_id = old.sms_id;";

// The shadow tables FTS5 keeps for sms_fts.
const char* const ftsShadowTables[] = {"sms_fts_data", "sms_fts_idx", "sms_fts_docsize",
                                       "sms_fts_content", "sms_fts_config"};

QList<SchemaObject> searchIndexObjects()
{
    return {
        {"table", "sms_fts", QString::fromLatin1(ftsTable)},
        {"table", "sms_fts_pending", QString::fromLatin1(queueTable)},
        {"trigger", "sms_fts_insert",
         QStringLiteral("CREATE TRIGGER sms_fts_insert AFTER INSERT ON sms BEGIN %1 END")
             .arg(QLatin1String(queueNew))},
        {"trigger", "sms_fts_delete",
         QStringLiteral("CREATE TRIGGER sms_fts_delete AFTER DELETE ON sms BEGIN %1 END")
             .arg(QLatin1String(removeOld))},
        {"trigger", "sms_fts_update",
         QStringLiteral("CREATE TRIGGER sms_fts_update AFTER UPDATE OF sms_id, body ON sms BEGIN "
                        "%1 %2 END")
             .arg(QLatin1String(removeOld), QLatin1String(queueNew))},
    };
}

const char* const indexQueued = "INSERT INTO sms_fts(rowid, body) SELECT s.sms_id, s.body FROM "
                                "sms_fts_pending AS p JOIN sms AS s ON s.sms_id = p.sms_id";
const char* const emptyQueue = "DELETE FROM sms_fts_pending";

// What one message brings to its conversation's row: its date, name, number, and its row id and
// name when the name counts as the conversation's first (not empty).
struct Incoming
{
    QString date, person, address, firstId, firstPerson, count = QStringLiteral("1");
};

const Incoming fromNew{QStringLiteral("new.date"), QStringLiteral("new.person"),
                       QStringLiteral("new.address"),
                       QStringLiteral("CASE WHEN new.person <> '' THEN new.sms_id END"),
                       QStringLiteral("CASE WHEN new.person <> '' THEN new.person END")};
const Incoming fromExcluded{QStringLiteral("excluded.last_date"), QStringLiteral("excluded.person"),
                            QStringLiteral("excluded.address"),
                            QStringLiteral("excluded.first_person_id"),
                            QStringLiteral("excluded.first_person")};
// The messages without a conversation key of a job at once (addDerivedRows).
const Incoming fromUnkeyedGroup{QStringLiteral("n.n_date"),         QStringLiteral("n.n_person"),
                                QStringLiteral("n.n_address"),      QStringLiteral("n.n_first_id"),
                                QStringLiteral("n.n_first_person"), QStringLiteral("n.n_count")};

// The row's values merged with the message's, as max() and the first name would have them
// (max ignores NULL; the first name is the one of the lowest row id).
QString mergeAssignments(const Incoming& in)
{
    const auto greatest = [](const QString& column, const QString& value) {
        return QStringLiteral("%1 = CASE WHEN %2 IS NOT NULL AND (%1 IS NULL OR %2 > %1) THEN %2 "
                              "ELSE %1 END")
            .arg(column, value);
    };
    const QString firstWins =
        QStringLiteral("%1 IS NOT NULL AND (first_person_id IS NULL OR %1 < first_person_id)")
            .arg(in.firstId);
    return QStringList{QStringLiteral("message_count = message_count + %1").arg(in.count),
                       greatest(QStringLiteral("last_date"), in.date),
                       greatest(QStringLiteral("person"), in.person),
                       greatest(QStringLiteral("address"), in.address),
                       QStringLiteral("first_person = CASE WHEN %1 THEN %2 ELSE first_person END")
                           .arg(firstWins, in.firstPerson),
                       QStringLiteral("first_person_id = CASE WHEN %1 THEN %2 ELSE "
                                      "first_person_id END")
                           .arg(firstWins, in.firstId)}
        .join(QStringLiteral(", "));
}

// A message of a conversation with a key (the usual case): one upsert on the unique key.
QString addKeyed(const QString& source)
{
    return QStringLiteral("INSERT INTO sms_summary(suffix, last_date, message_count, person, "
                          "address, first_person_id, first_person) %1 ON CONFLICT(suffix) DO "
                          "UPDATE SET %2;")
        .arg(source, mergeAssignments(fromExcluded));
}

// NULL keys never conflict, so the one row of messages without any key is found with IS.
// ("OR IGNORE": an insert that may fail would need a statement journal, see summaryObjects.)
QString addUnkeyed(const QString& condition)
{
    return QStringLiteral("INSERT OR IGNORE INTO sms_summary(suffix, message_count) SELECT NULL, "
                          "0 WHERE "
                          "%1NOT EXISTS (SELECT 1 FROM sms_summary WHERE suffix IS NULL); UPDATE "
                          "sms_summary SET %2 WHERE %1suffix IS NULL;")
        .arg(condition, mergeAssignments(fromNew));
}

const char* const newValues =
    "new.suffix, new.date, 1, new.person, new.address, CASE WHEN new.person <> '' THEN "
    "new.sms_id END, CASE WHEN new.person <> '' THEN new.person END";

// One message fewer. The row goes with its last message; when the message held one of the
// row's values, the row is marked stale rather than recomputed here (recomputing on every
// deleted message would make deleting a conversation cost the square of its length).
const char* const summaryRemoveOld =
    "DELETE FROM sms_summary WHERE suffix IS old.suffix AND message_count <= 1; UPDATE "
    "sms_summary SET message_count = message_count - 1, stale = stale OR old.date IS last_date "
    "OR old.person IS person OR old.address IS address OR old.sms_id IS first_person_id WHERE "
    "suffix IS old.suffix;";

// No constraint that could fail (NOT NULL, a plain insert into a unique index): SQLite then
// keeps a statement journal for every message stored, which took three times as long as storing.
QList<SchemaObject> summaryObjects()
{
    return {
        {"table", "sms_summary",
         QStringLiteral("CREATE TABLE sms_summary (suffix TEXT, last_date NUMERIC, message_count "
                        "INTEGER, person TEXT, address TEXT, first_person_id INTEGER, "
                        "first_person TEXT, stale INTEGER DEFAULT 0)")},
        {"index", "sms_summary_suffix",
         QStringLiteral("CREATE UNIQUE INDEX sms_summary_suffix ON sms_summary(suffix)")},
        // Lets an open see in a few pages whether any row is stale.
        {"index", "sms_summary_stale",
         QStringLiteral("CREATE INDEX sms_summary_stale ON sms_summary(suffix) WHERE stale <> 0")},
        // Stale rows are computed from their messages, as the contacts view computes its names.
        {"view", "view_summary",
         QStringLiteral(
             "CREATE VIEW view_summary AS SELECT suffix, last_date, message_count, person, "
             "address, first_person FROM sms_summary WHERE stale = 0 UNION ALL SELECT c.suffix, "
             "(SELECT max(date) FROM sms WHERE suffix IS c.suffix), c.message_count, (SELECT "
             "max(person) FROM sms WHERE suffix IS c.suffix), (SELECT max(address) FROM sms "
             "WHERE suffix IS c.suffix), (SELECT person FROM sms WHERE suffix = c.suffix AND "
             "person IS NOT NULL AND person <> '' LIMIT 0, 1) FROM sms_summary AS c WHERE "
             "c.stale <> 0")},
        {"trigger", "sms_summary_insert",
         QStringLiteral("CREATE TRIGGER sms_summary_insert AFTER INSERT ON sms WHEN new.suffix "
                        "IS NOT NULL BEGIN %1 END")
             .arg(addKeyed(QStringLiteral("VALUES (%1)").arg(QLatin1String(newValues))))},
        {"trigger", "sms_summary_insert_unkeyed",
         QStringLiteral("CREATE TRIGGER sms_summary_insert_unkeyed AFTER INSERT ON sms WHEN "
                        "new.suffix IS NULL BEGIN %1 END")
             .arg(addUnkeyed(QString()))},
        {"trigger", "sms_summary_delete",
         QStringLiteral("CREATE TRIGGER sms_summary_delete AFTER DELETE ON sms BEGIN %1 END")
             .arg(QLatin1String(summaryRemoveOld))},
        {"trigger", "sms_summary_update",
         QStringLiteral("CREATE TRIGGER sms_summary_update AFTER UPDATE OF sms_id, address, "
                        "person, date, suffix ON sms BEGIN %1 %2 %3 END")
             .arg(QLatin1String(summaryRemoveOld),
                  addKeyed(QStringLiteral("SELECT %1 WHERE new.suffix IS NOT NULL")
                               .arg(QLatin1String(newValues))),
                  addUnkeyed(QStringLiteral("new.suffix IS NULL AND ")))},
    };
}

// Every distinct number with the count of its messages, so that a search matches the numbers
// in one pass over a few thousand rows instead of one seek per number in index_address. NULL
// numbers are left out (they match no pattern); no constraint that could fail (see above).
const char* const numberAdd =
    "INSERT INTO sms_numbers(address, message_count) SELECT new.address, 1 WHERE new.address IS "
    "NOT NULL ON CONFLICT(address) DO UPDATE SET message_count = message_count + 1;";
const char* const numberRemove =
    "DELETE FROM sms_numbers WHERE address = old.address AND message_count <= 1; UPDATE "
    "sms_numbers SET message_count = message_count - 1 WHERE address = old.address;";

QList<SchemaObject> numberIndexObjects()
{
    return {
        {"table", "sms_numbers",
         QStringLiteral("CREATE TABLE sms_numbers (address TEXT, message_count INTEGER)")},
        {"index", "sms_numbers_address",
         QStringLiteral("CREATE UNIQUE INDEX sms_numbers_address ON sms_numbers(address)")},
        {"trigger", "sms_numbers_insert",
         QStringLiteral("CREATE TRIGGER sms_numbers_insert AFTER INSERT ON sms BEGIN %1 END")
             .arg(QLatin1String(numberAdd))},
        {"trigger", "sms_numbers_delete",
         QStringLiteral("CREATE TRIGGER sms_numbers_delete AFTER DELETE ON sms BEGIN %1 END")
             .arg(QLatin1String(numberRemove))},
        {"trigger", "sms_numbers_update",
         QStringLiteral("CREATE TRIGGER sms_numbers_update AFTER UPDATE OF address ON sms WHEN "
                        "old.address IS NOT new.address BEGIN %1 %2 END")
             .arg(QLatin1String(numberRemove), QLatin1String(numberAdd))},
    };
}

const char* const fillNumbers = "INSERT INTO sms_numbers(address, message_count) SELECT address, "
                                "count(*) FROM sms WHERE address IS NOT NULL GROUP BY address";

const char* const fillSummary =
    "INSERT INTO sms_summary(suffix, last_date, message_count, person, address, first_person_id) "
    "SELECT suffix, max(date), count(*), max(person), max(address), min(CASE WHEN person <> '' "
    "THEN sms_id END) FROM sms GROUP BY +suffix";
const char* const fillFirstPersons =
    "UPDATE sms_summary SET first_person = (SELECT person FROM sms WHERE sms_id = "
    "first_person_id) WHERE first_person_id IS NOT NULL";
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

enum Part
{
    SearchIndex = 1,
    QueuedMessages = 2,
    Summary = 4,
    StaleRows = 8,
    Numbers = 16,
    MMSTables = 32,
};

bool objectsPresent(Sqlite3DB* db, const QList<SchemaObject>& objects)
{
    for (const SchemaObject& object : objects) {
        Sqlite3Sql sql("select sql from sqlite_master where type = ? and name = ?");
        sql.addTextParam(QString::fromLatin1(object.type))
            .addTextParam(QString::fromLatin1(object.name));
        Sqlite3Cursor cursor = db->queryThrow(sql);
        if (!cursor.moveNext() || cursor.getText(0) != object.sql)
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

// Parts that need work; 0 when the account is up to date.
int neededParts(Sqlite3DB* db)
{
    Sqlite3Cursor newest = db->queryThrow(Sqlite3Sql("select ifnull(max(sms_id), 0) from sms"));
    newest.moveNext();
    const qint64 lastId = newest.getInt64(0);

    int parts =
        objectsPresent(db, searchIndexObjects()) ? searchIndexState(db, lastId) : SearchIndex;
    parts |= objectsPresent(db, summaryObjects()) ? summaryState(db, lastId) : Summary;
    if (!objectsPresent(db, numberIndexObjects()) || !numbersInStep(db, lastId))
        parts |= Numbers;
    if (!mmsTablesPresent(db))
        parts |= MMSTables;
    return parts;
}

void execute(Sqlite3DB* db, const QString& sql)
{
    db->executeThrow(Sqlite3Sql(sql));
}

void dropObjects(Sqlite3DB* db, const QList<SchemaObject>& objects)
{
    // Triggers first: they name the tables.
    for (auto it = objects.crbegin(); it != objects.crend(); ++it) {
        execute(db, QStringLiteral("DROP %1 IF EXISTS %2")
                        .arg(QString::fromLatin1(it->type).toUpper(), QLatin1String(it->name)));
    }
}

// FTS5 refuses to drop an index whose own tables are damaged ("vtable constructor failed"): its
// entry is then taken out of the schema by hand and its tables dropped as plain tables.
void dropSearchIndex(Sqlite3DB* db)
{
    dropObjects(db, searchIndexObjects().mid(1));
    try {
        execute(db, QStringLiteral("DROP TABLE IF EXISTS sms_fts"));
    } catch (const Sqlite3Exception&) {
        execute(db, QStringLiteral("PRAGMA writable_schema = ON"));
        execute(db, QStringLiteral(
                        "DELETE FROM sqlite_master WHERE type = 'table' AND name = 'sms_fts'"));
        execute(db, QStringLiteral("PRAGMA writable_schema = RESET"));
    }
    for (const char* table : ftsShadowTables)
        execute(db, QStringLiteral("DROP TABLE IF EXISTS %1").arg(QLatin1String(table)));
}

void createObjects(Sqlite3DB* db, const QList<SchemaObject>& objects)
{
    for (const SchemaObject& object : objects)
        execute(db, object.sql);
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

void buildSearchIndex(Sqlite3DB* db, const UpgradeProgress& progress)
{
    dropSearchIndex(db);
    const QList<SchemaObject> objects = searchIndexObjects();
    createObjects(db, objects.mid(0, 2));
    Sqlite3Cursor range =
        db->queryThrow(Sqlite3Sql("select ifnull(min(sms_id), 0) - 1, count(*) from sms"));
    range.moveNext();
    qint64 last = range.getInt64(0);
    const qint64 total = range.getInt64(1);
    qint64 done = 0;
    for (qint64 end = 0; chunkEnd(db, last, end); last = end) {
        Cancellation::throwIfRequested();
        db->executeThrow(Sqlite3Sql("insert into sms_fts(rowid, body) select sms_id, body from "
                                    "sms where sms_id > ? and sms_id <= ?")
                             .addInt64Param(last)
                             .addInt64Param(end));
        done = std::min(total, done + fillChunk);
        if (progress)
            progress(done, total);
    }
    createObjects(db, objects.mid(2));
}

void buildNumberIndex(Sqlite3DB* db)
{
    const QList<SchemaObject> objects = numberIndexObjects();
    dropObjects(db, objects);
    createObjects(db, objects.mid(0, 2));
    execute(db, QString::fromLatin1(fillNumbers));
    createObjects(db, objects.mid(2));
}

void buildSummary(Sqlite3DB* db)
{
    const QList<SchemaObject> objects = summaryObjects();
    dropObjects(db, objects);
    createObjects(db, objects.mid(0, 2));
    execute(db, QString::fromLatin1(fillSummary));
    execute(db, QString::fromLatin1(fillFirstPersons));
    createObjects(db, objects.mid(2));
}

} // namespace

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
    if (parts & SearchIndex)
        buildSearchIndex(db, progress);
    else if (parts & QueuedMessages)
        indexPendingMessages(db);
    if (parts & Summary)
        buildSummary(db);
    else if (parts & StaleRows)
        execute(db, QString::fromLatin1(refreshStale));
    if (parts & Numbers)
        buildNumberIndex(db);
    if (parts & MMSTables)
        createMMSTables(db);
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

namespace {

// The messages after the given row id, added one row after the other as the triggers would have
// added them, but in one statement each (grouping them first made SQLite sort them all in memory).
// ("+": read by row id, as many as are new, rather than along an index of the whole table.)
const char* const newKeyedRows = "FROM sms WHERE sms_id > ?1 AND +suffix IS NOT NULL";
const char* const newUnkeyedRow =
    "INSERT OR IGNORE INTO sms_summary(suffix, message_count) SELECT NULL, 0 WHERE EXISTS (SELECT "
    "1 FROM sms WHERE sms_id > ?1 AND suffix IS NULL) AND NOT EXISTS (SELECT 1 FROM sms_summary "
    "WHERE suffix IS NULL)";
const char* const newUnkeyedGroup =
    "(SELECT count(*) AS n_count, max(date) AS n_date, max(person) AS n_person, max(address) AS "
    "n_address, min(CASE WHEN person <> '' THEN sms_id END) AS n_first_id, NULL AS "
    "n_first_person FROM sms WHERE sms_id > ?1 AND suffix IS NULL) AS n";
// The group leaves the first name to this: the one of its row id.
const char* const newUnkeyedFirstPerson =
    "UPDATE sms_summary SET first_person = (SELECT person FROM sms WHERE sms_id = "
    "first_person_id) WHERE suffix IS NULL AND first_person_id > ?1";
const char* const newNumbers =
    "INSERT INTO sms_numbers(address, message_count) SELECT address, 1 FROM sms WHERE sms_id > ?1 "
    "AND +address IS NOT NULL ON CONFLICT(address) DO UPDATE SET message_count = message_count + "
    "1";
const char* const newIndexed =
    "INSERT INTO sms_fts(rowid, body) SELECT sms_id, body FROM sms WHERE sms_id > ?1";

QStringList triggerNames(Sqlite3DB* db)
{
    QStringList names;
    for (Sqlite3Cursor cursor =
             db->queryThrow(Sqlite3Sql("select name from sqlite_master where type = 'trigger'"));
         cursor.moveNext();)
        names.append(cursor.getText(0));
    return names;
}

void executeAfter(Sqlite3DB* db, const QString& sql, qint64 afterId)
{
    db->executeThrow(Sqlite3Sql(sql).addInt64Param(afterId));
}

} // namespace

bool derivedRowsAddable(Sqlite3DB* db)
{
    QStringList known{QStringLiteral("mms_delete")}; // fires on deletes only
    for (const auto& objects : {searchIndexObjects(), summaryObjects(), numberIndexObjects()}) {
        for (const SchemaObject& object : objects) {
            if (qstrcmp(object.type, "trigger") == 0)
                known.append(QLatin1String(object.name));
        }
    }
    const QStringList present = triggerNames(db);
    return std::all_of(present.cbegin(), present.cend(),
                       [&](const QString& name) { return known.contains(name); });
}

void addDerivedRows(Sqlite3DB* db, qint64 afterId)
{
    const QStringList present = triggerNames(db);
    if (present.contains(QLatin1String("sms_fts_insert")))
        executeAfter(db, QString::fromLatin1(newIndexed), afterId);
    if (present.contains(QLatin1String("sms_summary_insert"))) {
        // The trigger's values, taken from the rows instead of new.
        const QString values = QString::fromLatin1(newValues).remove(QLatin1String("new."));
        executeAfter(
            db, addKeyed(QStringLiteral("SELECT %1 %2").arg(values, QLatin1String(newKeyedRows))),
            afterId);
        executeAfter(db, QString::fromLatin1(newUnkeyedRow), afterId);
        executeAfter(db,
                     QStringLiteral("UPDATE sms_summary SET %1 FROM %2 WHERE sms_summary.suffix "
                                    "IS NULL AND n.n_count > 0")
                         .arg(mergeAssignments(fromUnkeyedGroup), QLatin1String(newUnkeyedGroup)),
                     afterId);
        executeAfter(db, QString::fromLatin1(newUnkeyedFirstPerson), afterId);
    }
    if (present.contains(QLatin1String("sms_numbers_insert")))
        executeAfter(db, QString::fromLatin1(newNumbers), afterId);
}
