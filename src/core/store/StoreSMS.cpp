#include "core/store/StoreSMS.h"

#include <algorithm>
#include <limits>
#include <vector>

#include <sqlite3.h>

#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Stmt.h"

namespace {

// Keeps the duplicate checks, the inserts and the row id of a call together when another
// thread stores on the same handle (the lock is recursive, SQLite's own calls take it too).
class ConnectionLock
{
public:
    explicit ConnectionLock(Sqlite3DB* db) : m_mutex(sqlite3_db_mutex(db->handle()))
    {
        sqlite3_mutex_enter(m_mutex);
    }
    ~ConnectionLock() { sqlite3_mutex_leave(m_mutex); }
    ConnectionLock(const ConnectionLock&) = delete;
    ConnectionLock& operator=(const ConnectionLock&) = delete;

private:
    sqlite3_mutex* m_mutex;
};

long long storedDate(const QDateTime& date)
{
    // Whole seconds, the fraction dropped (C++ division truncates toward zero).
    return date.isValid() ? date.toMSecsSinceEpoch() / 1000 : 0;
}

// The stored whole seconds as a local date; a number beyond what a date can hold (a damaged or
// crafted file) gives an invalid date rather than an overflow.
QDateTime storedDateTime(qint64 seconds)
{
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 1000;
    if (seconds > limit || seconds < -limit)
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000);
}

void requireOpen(Sqlite3DB* db)
{
    if (!db || !db->isOpen())
        throw Sqlite3Exception("the database is not open", SQLITE_MISUSE);
}

// Resets a statement bound by hand (and clears its bindings, whose texts are about to go)
// however the scope is left.
class ResetOnExit
{
public:
    explicit ResetOnExit(Sqlite3Stmt& stmt) : m_stmt(stmt) {}
    ~ResetOnExit() { m_stmt.reset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    Sqlite3Stmt& m_stmt;
};

// A message as it is bound: the texts in UTF-8, the date in whole seconds.
struct Row
{
    long long date = 0;
    int isSend = 0;
    QByteArray address, person, body, suffix;

    bool sameAs(const Row& other) const
    {
        return date == other.date && isSend == other.isSend && address == other.address &&
               body == other.body;
    }
};

// The conversation key in UTF-8: the address itself when it holds a letter, else its last nine
// digits (conversationSuffix without the detour through a second string).
QByteArray suffixUtf8(const QString& address, const QByteArray& addressUtf8)
{
    QByteArray digits;
    digits.reserve(address.size());
    for (QChar c : address) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
            return addressUtf8;
        if (c >= u'0' && c <= u'9')
            digits.append(char(c.unicode()));
    }
    return digits.size() > 9 ? digits.right(9) : digits;
}

constexpr int MAX_INSERT_ROWS = 64;
const char* const countSql =
    "select count(*) from sms where date = ? and address = ? and body = ? and is_send = ?";
constexpr int INSERT_COLUMNS = 6;

// "insert ... values(...)" with 1, 2, 4, ... MAX_INSERT_ROWS rows: few texts, so that their
// statements stay in the connection's cache.
const QString& insertSql(int rows)
{
    static const QList<QString> texts = [] {
        QList<QString> list;
        QString sql = QStringLiteral("insert into sms(address, person, date, is_send, body, "
                                     "suffix) values(?, ?, ?, ?, ?, ?)");
        for (int n = 1; n <= MAX_INSERT_ROWS; n *= 2) {
            list.append(sql);
            for (int i = 0; i < n; ++i)
                sql += QStringLiteral(", (?, ?, ?, ?, ?, ?)");
        }
        return list;
    }();
    int index = 0;
    while ((2 << index) <= rows)
        ++index;
    return texts.at(index);
}

// Checks messages against the stored ones and those it holds, and inserts the new ones in order,
// several to a statement. The caller holds the connection's lock from the first add to the last
// flush, so that no other thread stores in between.
class MessageInserter
{
public:
    explicit MessageInserter(Sqlite3DB* db)
        : m_db(db), m_count(db->statement(QString::fromLatin1(countSql)))
    {
        m_pending.reserve(MAX_INSERT_ROWS);
    }

    // True when the message is new: it is then inserted by a later flush, at the latest.
    bool add(const SMSInfo& sms)
    {
        Row row;
        row.date = storedDate(sms.date);
        row.isSend = sms.isSend ? 1 : 0;
        row.address = sms.address.toUtf8();
        row.body = sms.body.toUtf8();
        if (isPending(row) || isStored(row))
            return false;
        row.person = sms.person.toUtf8();
        row.suffix = suffixUtf8(sms.address, row.address);
        if (m_pending.size() == MAX_INSERT_ROWS)
            flush();
        m_pending.push_back(std::move(row));
        return true;
    }

    void flush()
    {
        std::size_t done = 0;
        while (done < m_pending.size()) {
            int rows = MAX_INSERT_ROWS;
            while (std::size_t(rows) > m_pending.size() - done)
                rows /= 2;
            insert(done, rows);
            done += rows;
        }
        m_pending.clear();
    }

private:
    bool isPending(const Row& row) const
    {
        return std::any_of(m_pending.cbegin(), m_pending.cend(),
                           [&](const Row& other) { return other.sameAs(row); });
    }

    bool isStored(const Row& row)
    {
        Sqlite3Stmt& count = *m_count;
        ResetOnExit reset(count);
        count.bindInt64(1, row.date);
        count.bindText(2, row.address);
        count.bindText(3, row.body);
        count.bindInt64(4, row.isSend);
        return count.step() && sqlite3_column_int(count.handle(), 0) > 0;
    }

    void insert(std::size_t first, int rows)
    {
        const std::shared_ptr<Sqlite3Stmt> stmt = m_db->statement(insertSql(rows));
        ResetOnExit reset(*stmt);
        int index = 1;
        for (std::size_t i = first; i < first + rows; ++i) {
            const Row& row = m_pending[i];
            stmt->bindText(index++, row.address);
            stmt->bindText(index++, row.person);
            stmt->bindInt64(index++, row.date);
            stmt->bindInt64(index++, row.isSend);
            stmt->bindText(index++, row.body);
            stmt->bindText(index++, row.suffix);
        }
        Q_ASSERT(index == rows * INSERT_COLUMNS + 1);
        stmt->step();
    }

    Sqlite3DB* m_db;
    std::shared_ptr<Sqlite3Stmt> m_count;
    std::vector<Row> m_pending;
};

} // namespace

bool storeSMS(Sqlite3DB* db, SMSInfo& sms)
{
    requireOpen(db);
    ConnectionLock lock(db);
    MessageInserter inserter(db);
    if (!inserter.add(sms))
        return false;
    inserter.flush();
    sms.smsId = db->lastInsertId();
    return true;
}

int storeSMSList(Sqlite3DB* db, const QList<SMSInfo>& list)
{
    requireOpen(db);
    ConnectionLock lock(db);
    MessageInserter inserter(db);
    int stored = 0;
    for (const SMSInfo& sms : list) {
        if (inserter.add(sms))
            ++stored;
    }
    inserter.flush();
    return stored;
}

QString conversationSuffix(const QString& address)
{
    // Plain loops rather than regular expressions: this runs for every stored message.
    const auto isAsciiLetter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    if (std::any_of(address.cbegin(), address.cend(), isAsciiLetter))
        return address;
    QString digits;
    digits.reserve(address.size());
    for (QChar c : address) {
        if (c >= u'0' && c <= u'9')
            digits.append(c);
    }
    return digits.size() > 9 ? digits.right(9) : digits;
}

QString contactDisplayText(const QString& person, const QString& address)
{
    if (!person.isEmpty())
        return address.isEmpty() ? person : person + QLatin1Char('(') + address + QLatin1Char(')');
    if (!address.isEmpty())
        return address;
    return QStringLiteral("Unknown");
}

QString contactDisplayName(const SMSInfo& sms)
{
    return contactDisplayText(sms.person, sms.address);
}

SMSColumns smsColumns(const Sqlite3Cursor& cursor)
{
    return {cursor.columnOf(QStringLiteral("sms_id")),  cursor.columnOf(QStringLiteral("date")),
            cursor.columnOf(QStringLiteral("address")), cursor.columnOf(QStringLiteral("person")),
            cursor.columnOf(QStringLiteral("is_send")), cursor.columnOf(QStringLiteral("body"))};
}

SMSInfo readSMSRow(const Sqlite3Cursor& cursor, const SMSColumns& columns)
{
    SMSInfo sms;
    sms.smsId = static_cast<qint32>(cursor.getInt64(columns.smsId));
    sms.date = storedDateTime(cursor.getInt64(columns.date));
    sms.address = cursor.getText(columns.address);
    sms.person = cursor.getText(columns.person);
    // Read whole: as an int, 4294967297 would lose its high bits and pass for 1.
    sms.isSend = cursor.getInt64(columns.isSend) == 1;
    sms.body = cursor.getText(columns.body);
    return sms;
}

SMSInfo readSMSRow(const Sqlite3Cursor& cursor)
{
    return readSMSRow(cursor, smsColumns(cursor));
}
