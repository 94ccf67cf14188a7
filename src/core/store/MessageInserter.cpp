#include "core/store/MessageInserter.h"

#include <QList>
#include <QString>
#include <algorithm>

#include <sqlite3.h>

#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Stmt.h"
#include "core/store/StoredDates.h"

namespace {

constexpr int MAX_INSERT_ROWS = 64;
constexpr int INSERT_COLUMNS = 6;
const char* const countSql =
    "select count(*) from sms where date = ? and address = ? and body = ? and is_send = ?";

} // namespace

const char* MessageInserter::duplicateQuery()
{
    return countSql;
}

namespace {

long long storedDate(const QDateTime& date)
{
    // Whole seconds, the fraction dropped (C++ division truncates toward zero).
    return date.isValid() ? date.toMSecsSinceEpoch() / 1000 : 0;
}

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

} // namespace

bool MessageInserter::Row::sameAs(const Row& other) const
{
    return date == other.date && isSend == other.isSend && address == other.address &&
           body == other.body;
}

MessageInserter::MessageInserter(Sqlite3DB* db, StoredDates* dates)
    : m_db(db), m_lock(db), m_dates(dates), m_count(db->statement(QString::fromLatin1(countSql))),
      m_subIds(db)
{
    m_pending.reserve(MAX_INSERT_ROWS);
}

bool MessageInserter::add(const SMSInfo& sms)
{
    Row row;
    row.date = storedDate(sms.date);
    row.isSend = sms.isSend ? 1 : 0;
    row.address = sms.address.toUtf8();
    row.body = sms.body.toUtf8();
    // A duplicate has the same date: without one among the dates that may be stored, there is
    // nothing to look for.
    const bool mayBeStored = !m_dates || m_dates->mayHold(row.date);
    if (mayBeStored && (isPending(row) || isStored(row)))
        return false;
    row.person = sms.person.toUtf8();
    row.suffix = suffixUtf8(sms.address, row.address);
    row.subId = sms.subId;
    if (m_pending.size() == MAX_INSERT_ROWS)
        insertPending();
    if (m_dates)
        m_dates->add(row.date);
    m_pending.push_back(std::move(row));
    return true;
}

void MessageInserter::flush()
{
    insertPending();
    m_subIds.write();
}

void MessageInserter::insertPending()
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

bool MessageInserter::isPending(const Row& row) const
{
    return std::any_of(m_pending.cbegin(), m_pending.cend(),
                       [&](const Row& other) { return other.sameAs(row); });
}

bool MessageInserter::isStored(const Row& row)
{
    Sqlite3Stmt& count = *m_count;
    ResetOnExit reset(count);
    count.bindInt64(1, row.date);
    count.bindText(2, row.address);
    count.bindText(3, row.body);
    count.bindInt64(4, row.isSend);
    return count.step() && sqlite3_column_int(count.handle(), 0) > 0;
}

void MessageInserter::insert(std::size_t first, int rows)
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
    // One statement's rows take consecutive row ids, the last one's last.
    const qint64 firstId = m_db->lastInsertId64() - rows + 1;
    for (int i = 0; i < rows; ++i)
        m_subIds.add(firstId + i, m_pending[first + i].subId);
}
