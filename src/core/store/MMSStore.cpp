#include "core/store/MMSStore.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <sqlite3.h>

#include "core/store/AccountUpgrade.h"
#include "core/store/ConnectionLock.h"
#include "core/store/MessageInserter.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/Sqlite3Stmt.h"
#include "core/store/StoreSMS.h"

namespace {

// The part attributes with columns of their own, in the order the export writes them.
const char* const partColumns[] = {"seq", "ct", "name",  "chset", "cd",  "fn",
                                   "cid", "cl", "ctt_s", "ctt_t", "text"};
const char* const addrColumns[] = {"address", "type", "charset"};

constexpr int pieceBytes = 64 * 1024;

[[noreturn]] void failed(sqlite3* db)
{
    throw Sqlite3Exception(sqlite3_errmsg(db), sqlite3_errcode(db));
}

// Binds by hand: a null string binds NULL (an attribute that was absent).
class Statement
{
public:
    Statement(Sqlite3DB* db, const char* sql)
        : m_stmt(db->statement(QString::fromLatin1(sql))), m_handle(m_stmt->handle())
    {
        sqlite3_reset(m_handle);
        sqlite3_clear_bindings(m_handle);
    }
    ~Statement() { sqlite3_reset(m_handle); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& text(const QString& value)
    {
        if (value.isNull()) {
            sqlite3_bind_null(m_handle, ++m_index);
        } else {
            const QByteArray utf8 = value.toUtf8();
            sqlite3_bind_text(m_handle, ++m_index, utf8.constData(), int(utf8.size()),
                              SQLITE_TRANSIENT);
        }
        return *this;
    }
    Statement& integer(qint64 value)
    {
        sqlite3_bind_int64(m_handle, ++m_index, value);
        return *this;
    }
    Statement& zeroBlob(qint64 size)
    {
        sqlite3_bind_zeroblob64(m_handle, ++m_index, sqlite3_uint64(size));
        return *this;
    }
    bool step()
    {
        const int rc = sqlite3_step(m_handle);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            failed(sqlite3_db_handle(m_handle));
        return rc == SQLITE_ROW;
    }
    qint64 integerAt(int column) const { return sqlite3_column_int64(m_handle, column); }
    bool nullAt(int column) const { return sqlite3_column_type(m_handle, column) == SQLITE_NULL; }
    QString textAt(int column) const
    {
        if (nullAt(column))
            return QString();
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_handle, column));
        QString value = QString::fromUtf8(text, sqlite3_column_bytes(m_handle, column));
        return value.isNull() ? QStringLiteral("") : value;
    }

private:
    std::shared_ptr<Sqlite3Stmt> m_stmt;
    sqlite3_stmt* m_handle;
    int m_index = 0;
};

QString encodeAttributes(const MMSAttributes& attributes)
{
    QJsonArray array;
    for (const auto& [name, value] : attributes)
        array.append(QJsonArray{name, value});
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

MMSAttributes decodeAttributes(const QString& json)
{
    MMSAttributes attributes;
    const QJsonArray array = QJsonDocument::fromJson(json.toUtf8()).array();
    for (const QJsonValue& pair : array) {
        const QJsonArray nameValue = pair.toArray();
        attributes.append(
            {nameValue.at(0).toString(), nameValue.at(1).toString(QStringLiteral(""))});
    }
    return attributes;
}

// The attributes without columns of their own; null when there are none.
template <std::size_t N>
QString otherAttributes(const MMSAttributes& attributes, const char* const (&columns)[N])
{
    MMSAttributes other;
    for (const auto& attribute : attributes) {
        if (std::none_of(std::begin(columns), std::end(columns),
                         [&](const char* c) { return attribute.first == QLatin1String(c); }))
            other.append(attribute);
    }
    return other.isEmpty() ? QString() : encodeAttributes(other);
}

bool usable(const QString& value)
{
    return !value.isEmpty() && value != u"null";
}

// The other parties: the element's address ("~" between the members of a group), else the
// sender of a received message or the recipients of a sent one.
QStringList otherParties(const MMSInfo& mms, bool sent)
{
    QStringList parties;
    const QString address = attributeValue(mms.attributes, u"address");
    if (usable(address)) {
        for (const QString& party : address.split(QLatin1Char('~'), Qt::SkipEmptyParts))
            parties.append(party.trimmed());
    } else {
        for (const MMSAttributes& addr : mms.addrs) {
            const QString type = attributeValue(addr, u"type");
            const bool wanted = sent ? type == u"151" || type == u"130" : type == u"137";
            const QString number = attributeValue(addr, u"address");
            if (wanted && usable(number) && number != u"insert-address-token")
                parties.append(number);
        }
    }
    parties.removeAll(QString());
    parties.removeDuplicates();
    return parties;
}

QString groupSuffix(const QStringList& parties)
{
    QStringList keys;
    for (const QString& party : parties)
        keys.append(conversationSuffix(party));
    keys.removeDuplicates();
    keys.sort();
    return keys.join(QLatin1Char(','));
}

QString addressesKey(const MMSInfo& mms)
{
    QStringList keys;
    for (const MMSAttributes& addr : mms.addrs)
        keys.append(attributeValue(addr, u"type") + QLatin1Char(':') +
                    attributeValue(addr, u"address"));
    keys.sort();
    return keys.join(QLatin1Char('\n')) + QStringLiteral(""); // never null: compared with =
}

void writeBlob(sqlite3* db, qint64 partId, const MMSData& data)
{
    sqlite3_blob* blob = nullptr;
    if (sqlite3_blob_open(db, "main", "mms_part", "data", partId, 1, &blob) != SQLITE_OK)
        failed(db);
    std::unique_ptr<sqlite3_blob, int (*)(sqlite3_blob*)> closer(blob, &sqlite3_blob_close);
    int offset = 0;
    int rc = SQLITE_OK;
    const bool read = data.read([&](const char* bytes, qint64 size) {
        if (rc == SQLITE_OK)
            rc = sqlite3_blob_write(blob, bytes, int(size), offset);
        offset += int(size);
    });
    if (rc != SQLITE_OK)
        failed(db);
    if (!read)
        throw Sqlite3Exception("An attachment could not be read back from its temporary file.");
}

void storePart(Sqlite3DB* db, qint64 smsId, const MMSPart& part)
{
    Statement insert(db, "insert into mms_part(sms_id, seq, ct, name, chset, cd, fn, cid, cl, "
                         "ctt_s, ctt_t, text, other, data) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                         "?, ?, ?, ?)");
    insert.integer(smsId);
    for (const char* column : partColumns)
        insert.text(attributeValue(part.attributes, QLatin1String(column)));
    insert.text(otherAttributes(part.attributes, partColumns));
    if (part.data)
        insert.zeroBlob(part.data->size());
    else
        insert.text(QString());
    insert.step();
    if (part.data && part.data->size() > 0)
        writeBlob(db->handle(), db->lastInsertId64(), *part.data);
}

} // namespace

bool mmsTablesPresent(Sqlite3DB* db)
{
    return stepObjectsPresent(db, AccountVersionMMS);
}

bool storeMMS(Sqlite3DB* db, MMSInfo& mms)
{
    const ConnectionLock lock(db);
    const qint64 seconds = attributeValue(mms.attributes, u"date").toLongLong() / 1000;
    const int box = attributeValue(mms.attributes, u"msg_box").toInt();
    const QString body = mmsText(mms);
    const QString addresses = addressesKey(mms);
    {
        Statement duplicate(db, "select count(*) from mms where date = ? and msg_box = ? and "
                                "addresses = ? and body = ?");
        duplicate.integer(seconds).integer(box).text(addresses).text(body);
        duplicate.step();
        if (duplicate.integerAt(0) > 0)
            return false;
    }
    const QStringList parties = otherParties(mms, box == 2);
    QString person = attributeValue(mms.attributes, u"contact_name");
    if (!usable(person) || person == u"(Unknown)")
        person = QStringLiteral("");
    QString address = parties.join(QStringLiteral(", "));
    QString suffix = parties.size() > 1 ? groupSuffix(parties) : conversationSuffix(address);
    if (parties.isEmpty())
        address = suffix = QStringLiteral("Unknown");
    {
        Statement message(db, "insert into sms(address, person, date, is_send, body, suffix) "
                              "values(?, ?, ?, ?, ?, ?)");
        message.text(address).text(person).integer(seconds).integer(box == 2 ? 1 : 0);
        message.text(body).text(suffix).step();
    }
    const qint64 smsId = db->lastInsertId64();
    mms.smsId = qint32(smsId);
    {
        Statement row(db, "insert into mms(sms_id, date, msg_box, addresses, body, attributes) "
                          "values(?, ?, ?, ?, ?, ?)");
        row.integer(smsId).integer(seconds).integer(box).text(addresses).text(body);
        row.text(encodeAttributes(mms.attributes)).step();
    }
    for (const MMSAttributes& addr : std::as_const(mms.addrs)) {
        Statement insert(db, "insert into mms_addr(sms_id, address, type, charset, other) "
                             "values(?, ?, ?, ?, ?)");
        insert.integer(smsId);
        for (const char* column : addrColumns)
            insert.text(attributeValue(addr, QLatin1String(column)));
        insert.text(otherAttributes(addr, addrColumns)).step();
    }
    for (const MMSPart& part : std::as_const(mms.parts))
        storePart(db, smsId, part);
    return true;
}

bool accountHasMMS(Sqlite3DB* db)
{
    if (!mmsTablesPresent(db))
        return false;
    Statement any(db, "select exists (select 1 from mms)");
    any.step();
    return any.integerAt(0) != 0;
}

QSet<qint32> allMMS(Sqlite3DB* db)
{
    QSet<qint32> found;
    if (!mmsTablesPresent(db))
        return found;
    Statement rows(db, "select sms_id from mms");
    while (rows.step())
        found.insert(qint32(rows.integerAt(0)));
    return found;
}

qint64 countMMSIn(Sqlite3DB* db, const Sqlite3Sql& statement)
{
    if (!accountHasMMS(db))
        return 0;
    Sqlite3Sql count(QStringLiteral("select count(*) from (%1) where sms_id in (select sms_id "
                                    "from mms)")
                         .arg(statement.sql()));
    for (const QVariant& param : statement.params())
        param.typeId() == QMetaType::QString ? count.addTextParam(param.toString())
                                             : count.addInt64Param(param.toLongLong());
    Sqlite3Cursor cursor = db->queryThrow(count);
    return cursor.moveNext() ? cursor.getInt64(0) : 0;
}

QSet<qint32> mmsAmong(Sqlite3DB* db, const QList<qint32>& smsIds)
{
    QSet<qint32> found;
    if (smsIds.isEmpty() || !accountHasMMS(db))
        return found;
    for (qint32 id : smsIds) {
        Statement row(db, "select 1 from mms where sms_id = ?");
        if (row.integer(id).step())
            found.insert(id);
    }
    return found;
}

bool loadMMS(Sqlite3DB* db, qint32 smsId, MMSInfo& mms)
{
    mms = MMSInfo();
    {
        Statement row(db, "select attributes from mms where sms_id = ?");
        if (!row.integer(smsId).step())
            return false;
        mms.attributes = decodeAttributes(row.textAt(0));
        mms.smsId = smsId;
    }
    // length() and typeof() read a blob's size and type without loading it ("is null" loads it).
    Statement parts(
        db, "select part_id, seq, ct, name, chset, cd, fn, cid, cl, ctt_s, ctt_t, "
            "text, other, length(data), typeof(data) = 'null' from mms_part where sms_id = ? "
            "order by part_id");
    parts.integer(smsId);
    while (parts.step()) {
        MMSPart part;
        part.partId = parts.integerAt(0);
        int column = 1;
        for (const char* name : partColumns) {
            if (!parts.nullAt(column))
                part.attributes.append({QLatin1String(name), parts.textAt(column)});
            ++column;
        }
        part.attributes.append(decodeAttributes(parts.textAt(column)));
        part.dataSize = parts.integerAt(column + 2) != 0 ? -1 : parts.integerAt(column + 1);
        mms.parts.append(part);
    }
    Statement addrs(db, "select address, type, charset, other from mms_addr where sms_id = ? "
                        "order by addr_id");
    addrs.integer(smsId);
    while (addrs.step()) {
        MMSAttributes addr;
        for (int column = 0; column < 3; ++column) {
            if (!addrs.nullAt(column))
                addr.append({QLatin1String(addrColumns[column]), addrs.textAt(column)});
        }
        addr.append(decodeAttributes(addrs.textAt(3)));
        mms.addrs.append(addr);
    }
    return true;
}

void readMMSPart(Sqlite3DB* db, qint64 partId, const std::function<void(const char*, int)>& piece,
                 qint64 limit)
{
    const ConnectionLock lock(db);
    sqlite3_blob* blob = nullptr;
    if (sqlite3_blob_open(db->handle(), "main", "mms_part", "data", partId, 0, &blob) != SQLITE_OK)
        failed(db->handle());
    std::unique_ptr<sqlite3_blob, int (*)(sqlite3_blob*)> closer(blob, &sqlite3_blob_close);
    const int size = limit >= 0 ? int(std::min<qint64>(limit, sqlite3_blob_bytes(blob)))
                                : sqlite3_blob_bytes(blob);
    QByteArray buffer(pieceBytes, Qt::Uninitialized);
    for (int offset = 0; offset < size; offset += pieceBytes) {
        const int length = std::min(pieceBytes, size - offset);
        if (sqlite3_blob_read(blob, buffer.data(), length, offset) != SQLITE_OK)
            failed(db->handle());
        piece(buffer.constData(), length);
    }
}

QByteArray mmsPartBytes(Sqlite3DB* db, qint64 partId, qint64 limit)
{
    QByteArray bytes;
    readMMSPart(
        db, partId, [&](const char* data, int size) { bytes.append(data, size); }, limit);
    return bytes;
}

namespace {

QString contentType(const MMSPart& part)
{
    return attributeValue(part.attributes, u"ct").toLower();
}

bool isText(const MMSPart& part)
{
    return contentType(part).startsWith(u"text/plain");
}

} // namespace

bool isMMSPicture(const MMSPart& part)
{
    return contentType(part).startsWith(u"image/");
}

QString mmsPartFileName(const MMSPart& part)
{
    for (const char16_t* name : {u"name", u"fn", u"cl", u"cid"}) {
        QString value = attributeValue(part.attributes, name);
        value.remove(QLatin1Char('<')).remove(QLatin1Char('>'));
        value = value.section(QLatin1Char('/'), -1);
        if (usable(value) && value != u"." && value != u"..")
            return value;
    }
    return QStringLiteral("attachment");
}

QString mmsPlaceholder(const MMSPart& part)
{
    const QString type = contentType(part);
    if (isText(part) || type == u"application/smil")
        return QString();
    QString kind = QStringLiteral("file");
    for (const char* major : {"image", "audio", "video"}) {
        if (type.startsWith(QLatin1String(major) + QLatin1Char('/')))
            kind = QLatin1String(major);
    }
    if (type.contains(u"vcard"))
        kind = QStringLiteral("vCard");
    return QStringLiteral("[%1: %2]").arg(kind, mmsPartFileName(part));
}

QString mmsText(const MMSInfo& mms)
{
    QStringList texts;
    for (const MMSPart& part : mms.parts) {
        if (!isText(part))
            continue;
        const QString text = attributeValue(part.attributes, u"text");
        if (!text.isNull())
            texts.append(text);
        else if (part.data && part.data->size() <= 1024 * 1024)
            texts.append(QString::fromUtf8(part.data->bytes()));
    }
    return texts.join(QLatin1Char('\n')) + QStringLiteral(""); // never null: compared with =
}

QStringList groupMembers(const QString& address, const QString& suffix)
{
    QStringList parties;
    for (const QString& party : address.split(QStringLiteral(", "), Qt::SkipEmptyParts))
        parties.append(party.trimmed());
    return parties.size() > 1 && groupSuffix(parties) == suffix ? parties : QStringList();
}
