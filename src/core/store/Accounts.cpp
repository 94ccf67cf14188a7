#include "core/store/Accounts.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <atomic>
#include <stdexcept>

#include <sqlite3.h>

#include "core/frame/DataDirectory.h"
#include "core/store/AccountUpgrade.h"
#include "core/store/AccountUpgradeThread.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Transaction.h"

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

qint64 messageCount(Sqlite3DB* db)
{
    Sqlite3Cursor cursor = db->queryThrow(Sqlite3Sql("select count(*) from sms"));
    return cursor.moveNext() ? cursor.getInt64(0) : 0;
}

} // namespace

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
    QFile file(accountFilePath(name));
    if (!file.remove())
        throw std::runtime_error(file.errorString().toStdString());
}

Sqlite3DB* openAccountDatabase(const QString& name, const UpgradeRunner& runUpgrade)
{
    if (!isPlainAccountName(name))
        throw Sqlite3Exception("invalid account name: " + name.toStdString(), SQLITE_CANTOPEN);
    auto database = std::make_shared<Sqlite3DB>();
    database->openThrow(accountFilePath(name), SQLITE_OPEN_READWRITE);
    // SQLite falls back to read-only for a write-protected file; every job would fail later.
    if (database->isReadOnly())
        throw Sqlite3Exception(sqlite3_errstr(SQLITE_READONLY), SQLITE_READONLY);
    // An empty or foreign SQLite file opens fine but holds no messages table.
    database->queryThrow(Sqlite3Sql("select sms_id, address, person, date, is_send, body, "
                                    "suffix from sms limit 0"));
    if (!accountUpToDate(database.get())) {
        if (runUpgrade && messageCount(database.get()) >= backgroundUpgradeFrom()) {
            AccountUpgradeThread job(database);
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
