#include "core/store/Sqlite3DB.h"

#include <QCoreApplication>
#include <QThread>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <list>
#include <mutex>

#include "core/frame/Cancellation.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Stmt.h"

namespace {

// Enough for the statements a storing job repeats, small enough to stay cheap to search.
constexpr int cacheCapacity = 16;

// Another program holding the account (the window and the command line may run at once) is
// waited for this long in short sleeps; a cancelled job stops waiting at once. The window's own
// thread waits only briefly: it must go on painting (the caller tells the user or tries later).
constexpr int busyTimeoutMs = 5000;
constexpr int mainThreadBusyTimeoutMs = 100;
constexpr int busySleepMs = 10;

thread_local bool t_noWait = false;

bool onMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

int waitWhileBusy(void*, int attempts)
{
    const int limitMs = onMainThread() ? mainThreadBusyTimeoutMs : busyTimeoutMs;
    if (t_noWait || attempts * busySleepMs >= limitMs || Cancellation::requested())
        return 0;
    QThread::msleep(busySleepMs);
    return 1;
}

struct CachedStatement
{
    QString sql;
    std::shared_ptr<Sqlite3Stmt> stmt;
};

} // namespace

struct Sqlite3DB::Private
{
    sqlite3* db = nullptr;
    std::shared_ptr<std::atomic<bool>> open = std::make_shared<std::atomic<bool>>(false);
    std::mutex cacheMutex;
    std::list<CachedStatement> cache; // most recently used first
    std::timed_mutex writer;
    std::shared_ptr<void> companion;
};

Sqlite3DB::Sqlite3DB() : m_d(std::make_unique<Private>()) {}

Sqlite3DB::~Sqlite3DB()
{
    close();
}

void Sqlite3DB::openThrow(const QString& path, int flags)
{
    close();
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 0);
        sqlite3_busy_handler(db, &waitWhileBusy, nullptr);
        // SQLite reads the file lazily; reading the schema now makes a file that is not a
        // database fail here rather than at the first query.
        rc = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        throw Sqlite3Exception(message, rc);
    }
    // 32 MiB of pages instead of SQLite's 2 MiB: a storing job then keeps its changes in memory
    // until the commit instead of writing and reading pages back (a tenth of a backup's time).
    sqlite3_exec(db, "pragma cache_size = -32768", nullptr, nullptr, nullptr);
    m_d->db = db;
    m_d->open = std::make_shared<std::atomic<bool>>(true);
}

void Sqlite3DB::close()
{
    if (!m_d->db)
        return;
    std::list<CachedStatement> cached;
    {
        std::lock_guard<std::mutex> lock(m_d->cacheMutex);
        cached.swap(m_d->cache);
    }
    cached.clear();
    m_d->open->store(false);
    // Statements still held by cursors are finished when those go; the connection waits.
    sqlite3_close_v2(m_d->db);
    m_d->db = nullptr;
    m_d->companion.reset();
}

bool Sqlite3DB::isOpen() const
{
    return m_d->db != nullptr;
}

bool Sqlite3DB::isReadOnly() const
{
    return m_d->db && sqlite3_db_readonly(m_d->db, "main") == 1;
}

void Sqlite3DB::requireOpen() const
{
    if (!m_d->db)
        throw Sqlite3Exception("the database is not open", SQLITE_MISUSE);
}

std::shared_ptr<Sqlite3Stmt> Sqlite3DB::statement(const QString& sql)
{
    requireOpen();
    // The cache lock is never held while SQLite runs: storeSMS holds SQLite's connection
    // lock while it asks for statements, so the opposite order would deadlock.
    {
        std::lock_guard<std::mutex> lock(m_d->cacheMutex);
        for (auto it = m_d->cache.begin(); it != m_d->cache.end(); ++it) {
            if (it->sql != sql)
                continue;
            // Held by a live cursor elsewhere: that one keeps it, this caller gets a fresh one.
            if (it->stmt.use_count() > 1)
                break;
            m_d->cache.splice(m_d->cache.begin(), m_d->cache, it);
            return m_d->cache.front().stmt;
        }
    }

    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    sqlite3_mutex_enter(sqlite3_db_mutex(m_d->db));
    const int rc = sqlite3_prepare_v2(m_d->db, text.constData(), int(text.size()), &raw, &tail);
    const std::string message = rc == SQLITE_OK ? std::string() : sqlite3_errmsg(m_d->db);
    const bool moreText = tail && !QByteArray(tail).trimmed().isEmpty();
    sqlite3_mutex_leave(sqlite3_db_mutex(m_d->db));
    if (rc != SQLITE_OK)
        throw Sqlite3Exception(message, rc);
    auto stmt = std::make_shared<Sqlite3Stmt>(m_d->db, raw, m_d->open);
    if (!raw)
        throw Sqlite3Exception("empty statement: " + sql.toStdString(), SQLITE_MISUSE);
    if (moreText)
        throw Sqlite3Exception("one statement at a time: " + sql.toStdString(), SQLITE_MISUSE);

    // EXPLAIN never runs its program, so it would not notice a schema change and re-prepare.
    if (sqlite3_stmt_isexplain(raw))
        return stmt;
    std::list<CachedStatement> evicted; // finished after the cache lock is released
    std::lock_guard<std::mutex> lock(m_d->cacheMutex);
    for (const CachedStatement& entry : m_d->cache) {
        // A busy entry of the same text stays; the new statement serves this caller only.
        if (entry.sql == sql)
            return stmt;
    }
    m_d->cache.push_front({sql, stmt});
    if (int(m_d->cache.size()) > cacheCapacity)
        evicted.splice(evicted.begin(), m_d->cache, std::prev(m_d->cache.end()));
    return stmt;
}

void Sqlite3DB::beginTran()
{
    // Waits for another program between attempts, not in SQLite's busy handler: that runs under
    // the connection's mutex, so the window's reads on this handle would wait as long.
    const int limitMs = onMainThread() ? mainThreadBusyTimeoutMs : busyTimeoutMs;
    for (int waited = 0; !tryBeginTran(); waited += busySleepMs) {
        if (waited >= limitMs || Cancellation::requested())
            throw Sqlite3Exception(sqlite3_errstr(SQLITE_BUSY), SQLITE_BUSY);
        QThread::msleep(busySleepMs);
    }
}

bool Sqlite3DB::tryBeginTran()
{
    t_noWait = true;
    try {
        // Takes the write lock at once: a job that only found out at its first insert that
        // another program writes would fail without waiting (SQLite does not wait to upgrade a
        // read lock).
        executeThrow(Sqlite3Sql("begin immediate transaction"));
    } catch (const Sqlite3Exception& e) {
        t_noWait = false;
        if ((e.code() & 0xff) == SQLITE_BUSY)
            return false;
        throw;
    }
    t_noWait = false;
    return true;
}

void Sqlite3DB::commitTran()
{
    executeThrow(Sqlite3Sql("commit transaction"));
}

void Sqlite3DB::rollbackTran()
{
    if (!inTransaction())
        return;
    executeThrow(Sqlite3Sql("rollback transaction"));
}

bool Sqlite3DB::inTransaction() const
{
    return m_d->db && sqlite3_get_autocommit(m_d->db) == 0;
}

void Sqlite3DB::executeThrow(const Sqlite3Sql& sql)
{
    Sqlite3Cursor cursor = queryThrow(sql);
    while (cursor.moveNext()) {
    }
}

Sqlite3Cursor Sqlite3DB::queryThrow(const Sqlite3Sql& sql)
{
    std::shared_ptr<Sqlite3Stmt> stmt = statement(sql.sql());
    stmt->bind(sql);
    return Sqlite3Cursor(std::move(stmt), sql);
}

int Sqlite3DB::lastInsertId() const
{
    return static_cast<int>(lastInsertId64());
}

long long Sqlite3DB::lastInsertId64() const
{
    requireOpen();
    return sqlite3_last_insert_rowid(m_d->db);
}

sqlite3* Sqlite3DB::handle() const
{
    return m_d->db;
}

bool Sqlite3DB::lockWriter(int waitMs)
{
    for (int waited = 0;; waited += busySleepMs) {
        if (m_d->writer.try_lock_for(std::chrono::milliseconds(std::min(busySleepMs, waitMs))))
            return true;
        if (waited >= waitMs || Cancellation::requested())
            return false;
    }
}

void Sqlite3DB::unlockWriter()
{
    m_d->writer.unlock();
}

void Sqlite3DB::keepWhileOpen(std::shared_ptr<void> companion)
{
    m_d->companion = std::move(companion);
}
