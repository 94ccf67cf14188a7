#include "core/store/Accounts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QThread>
#include <atomic>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

#include <sqlite3.h>

#include "core/frame/DataDirectory.h"
#include "core/store/AccountUpgrade.h"
#include "core/store/AccountUpgradeJob.h"
#include "core/store/MessageSpool.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Transaction.h"
#include "core/store/WriteTransaction.h"

namespace {

const char* const templateResource = ":/res/empty_sms.db";

// Read by workers while the GUI thread may replace it; the lock keeps each access whole.
QMutex g_mutex;
QString g_accountName;
std::shared_ptr<Sqlite3DB> g_database;
std::atomic<qint64> g_backgroundUpgradeFrom{50000};

void requirePlainName(const QString& name)
{
    if (!isPlainAccountName(name))
        throw std::runtime_error("invalid account name: " + name.toStdString());
}

// Every program that has an account open holds a shared flock on "<account>.lock" beside it;
// deleting takes it exclusively, so an account in use is never deleted. (Not a lock on the
// account file itself: closing any descriptor of that file would drop SQLite's own locks.)
class AccountLock
{
public:
    AccountLock(const QString& accountPath, int operation)
    {
        m_fd = ::open(QFile::encodeName(accountPath + QLatin1String(".lock")).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        // A folder where no lock file can be made: the account works as without the lock.
        m_locked = m_fd < 0;
        // A delete holds it for a moment only.
        for (int attempt = 0; m_fd >= 0 && attempt < 20; ++attempt) {
            if (::flock(m_fd, operation | LOCK_NB) == 0) {
                m_locked = true;
                return;
            }
            if (operation == LOCK_EX)
                return;
            QThread::msleep(10);
        }
    }
    ~AccountLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    AccountLock(const AccountLock&) = delete;
    AccountLock& operator=(const AccountLock&) = delete;
    bool locked() const { return m_locked; }

private:
    int m_fd = -1;
    bool m_locked = false;
};

} // namespace

qint64 messageCount(Sqlite3DB* db)
{
    Sqlite3Cursor cursor = db->queryThrow(Sqlite3Sql("select count(*) from sms"));
    return cursor.moveNext() ? cursor.getInt64(0) : 0;
}

bool isPlainAccountName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

qint64 backgroundUpgradeFrom()
{
    return g_backgroundUpgradeFrom.load();
}

void setBackgroundUpgradeFrom(qint64 messages)
{
    g_backgroundUpgradeFrom.store(messages);
}

QString currentAccountName()
{
    QMutexLocker lock(&g_mutex);
    return g_accountName;
}

Sqlite3DB* currentDatabase()
{
    QMutexLocker lock(&g_mutex);
    return g_database.get();
}

std::shared_ptr<Sqlite3DB> currentDatabaseShared()
{
    QMutexLocker lock(&g_mutex);
    return g_database;
}

bool isValidNewAccountName(const QString& name)
{
    static const QRegularExpression invalid(QStringLiteral("[\\\\/:\\*\\?\\\"<>|]+"));
    return !name.contains(invalid);
}

QString accountFilePath(const QString& name)
{
    return dataDirectory().absoluteFilePath(name);
}

void createAccountFile(const QString& name)
{
    requirePlainName(name);
    const QString path = accountFilePath(name);
    QFile source(QString::fromLatin1(templateResource));
    if (!source.copy(path))
        throw std::runtime_error(source.errorString().toStdString());
    // A copy out of the resources is read-only.
    QFile target(path);
    if (!target.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        const std::string message = target.errorString().toStdString();
        target.remove();
        throw std::runtime_error(message);
    }
}

void deleteAccountFile(const QString& name)
{
    requirePlainName(name);
    std::shared_ptr<Sqlite3DB> closing;
    {
        QMutexLocker lock(&g_mutex);
        if (name == g_accountName && g_database) {
            closing = std::move(g_database);
            g_database.reset();
            g_accountName.clear();
        }
    }
    if (closing)
        closing->close();
    const QString path = accountFilePath(name);
    QFile file(path);
    if (!file.exists())
        throw std::runtime_error(file.errorString().toStdString() + " " + path.toStdString());
    const AccountLock lock(path, LOCK_EX);
    if (!lock.locked()) {
        throw std::runtime_error(
            QCoreApplication::translate("Accounts", "IDS_ACCOUNT_DELETE_IN_USE")
                .toUtf8()
                .toStdString());
    }
    if (!file.remove())
        throw std::runtime_error(file.errorString().toStdString());
    // What the account leaves beside it: SQLite's journals after a crash, the spool, the lock.
    for (const char* companion : {"-wal", "-shm", "-journal", ".lock"})
        QFile::remove(path + QLatin1String(companion));
    QDir(MessageSpool::folderOf(path)).removeRecursively();
}

Sqlite3DB* openAccountDatabase(const QString& name, const UpgradeRunner& runUpgrade)
{
    if (!isPlainAccountName(name))
        throw Sqlite3Exception("invalid account name: " + name.toStdString(), SQLITE_CANTOPEN);
    const QString path = accountFilePath(name);
    if (!QFileInfo(path).isFile()) // no lock file for an account that is not there
        throw Sqlite3Exception(sqlite3_errstr(SQLITE_CANTOPEN), SQLITE_CANTOPEN);
    auto lock = std::make_shared<AccountLock>(path, LOCK_SH);
    if (!lock->locked())
        throw Sqlite3Exception("the account is in use", SQLITE_BUSY);
    auto database = std::make_shared<Sqlite3DB>();
    database->openThrow(path, SQLITE_OPEN_READWRITE);
    database->keepWhileOpen(lock);
    // SQLite falls back to read-only for a write-protected file; every job would fail later.
    if (database->isReadOnly())
        throw Sqlite3Exception(sqlite3_errstr(SQLITE_READONLY), SQLITE_READONLY);
    // An empty or foreign SQLite file opens fine but holds no messages table.
    database->queryThrow(Sqlite3Sql("select sms_id, address, person, date, is_send, body, "
                                    "suffix from sms limit 0"));
    // WAL: the other program reads while one writes, and a reader never waits for a writer's
    // commit. Kept in the file; another program in the middle of a write leaves it as it is.
    try {
        database->executeThrow(Sqlite3Sql("pragma journal_mode = wal"));
    } catch (const Sqlite3Exception& e) {
        qDebug("openAccountDatabase: journal mode stays, %s", e.what());
    }
    const int parts = upgradeNeeded(database.get());
    if (parts == UpgradeUpkeep ||
        (parts == UpgradeNone && MessageSpool::holdsAny(MessageSpool::folderOf(path)))) {
        // Messages waiting for the search index are also searched; they are indexed now when no
        // other program writes, else by the next write, as the spool of a program that ended is
        // stored (the commit does both). Opening never waits for the lock.
        try {
            WriteTransaction transaction(database.get(), WriteTransaction::NoWait);
            upgradeAccount(database.get());
            transaction.commit();
        } catch (const Sqlite3Exception& e) {
            if ((e.code() & 0xff) != SQLITE_BUSY)
                throw;
        }
    } else if (parts != 0) {
        if (runUpgrade && messageCount(database.get()) >= backgroundUpgradeFrom()) {
            AccountUpgradeJob job(database);
            if (!runUpgrade(job))
                return nullptr;
        } else {
            Transaction transaction(database.get());
            upgradeAccount(database.get());
            transaction.commit();
        }
    }

    std::shared_ptr<Sqlite3DB> previous;
    {
        QMutexLocker lock(&g_mutex);
        g_accountName = name;
        previous = std::exchange(g_database, database);
    }
    // The previous database goes here unless someone else still holds it.
    return database.get();
}
