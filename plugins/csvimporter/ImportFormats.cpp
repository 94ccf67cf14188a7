#include "ImportFormats.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

const QString keySend = QStringLiteral("send");
const QString keyDate = QStringLiteral("date");
const QString keyNumber = QStringLiteral("number");
const QString keyPerson = QStringLiteral("person");
const QString keyContent = QStringLiteral("content");

// A file written with a byte-order mark keeps it in its first field when the record was read
// without skipping the mark.
QString cleanField(const QStringList& fields, int index)
{
    if (index < 0 || index >= fields.size())
        return QString();
    QString field = fields.at(index);
    if (index == 0 && field.startsWith(QChar(0xFEFF)))
        field.remove(0, 1);
    return field;
}

// The body is the last column; an unquoted body with commas arrives split into several fields.
QString joinedFrom(const QStringList& fields, int index)
{
    return index < fields.size() ? fields.mid(index).join(QLatin1Char(',')) : QString();
}

QHash<QString, QVariant> makeRecord(bool send, const QDateTime& date, const QString& number,
                                    const QString& person, const QString& content)
{
    return {{keySend, send},
            {keyDate, date},
            {keyNumber, number},
            {keyPerson, person},
            {keyContent, content}};
}

QHash<QString, QVariant> invalidRecord()
{
    return {{keyDate, QDateTime()}};
}

bool isDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

QDateTime fromMilliseconds(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (!isDigits(trimmed))
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(trimmed.toLongLong());
}

// --- Android column names (header) ---

bool isAndroidColumnsHeader(const QStringList& header)
{
    QStringList names;
    for (int i = 0; i < header.size(); ++i)
        names.append(cleanField(header, i).trimmed().toLower());
    for (const char* required : {"address", "date", "type", "body"}) {
        if (!names.contains(QLatin1String(required)))
            return false;
    }
    return true;
}

QString columnValue(const QHash<QString, int>& columns, const QStringList& fields, const char* name)
{
    for (auto it = columns.constBegin(); it != columns.constEnd(); ++it) {
        if (it.key().trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return cleanField(fields, it.value());
    }
    return QString();
}

QHash<QString, QVariant> convertAndroidColumns(const QHash<QString, int>& columns,
                                               const QStringList& fields)
{
    const QString type = columnValue(columns, fields, "type").trimmed();
    if (type != QLatin1String("1") && type != QLatin1String("2"))
        return invalidRecord(); // drafts, outbox, failed ...
    QString person = columnValue(columns, fields, "contact_name");
    // Android's own person column holds a contact id, which is no name to show.
    if (person.isEmpty() && !isDigits(columnValue(columns, fields, "person").trimmed()))
        person = columnValue(columns, fields, "person");
    return makeRecord(
        type == QLatin1String("2"), fromMilliseconds(columnValue(columns, fields, "date")),
        columnValue(columns, fields, "address"), person, columnValue(columns, fields, "body"));
}

// --- classic phone-suite export ---

enum class Box
{
    Received,
    Sent,
    Unknown
};

Box phoneSuiteBox(const QString& text)
{
    const QString box = text.trimmed().toUpper();
    if (box.contains(QLatin1String("SUBMIT")) || box.contains(QLatin1String("SENT")))
        return Box::Sent;
    if (box.contains(QLatin1String("DELIVER")) || box.contains(QLatin1String("RECEIVED")))
        return Box::Received;
    return Box::Unknown;
}

bool isPhoneSuiteRecord(const QStringList& fields)
{
    return fields.size() >= 8 &&
           cleanField(fields, 0).trimmed().compare(QLatin1String("sms"), Qt::CaseInsensitive) ==
               0 &&
           phoneSuiteBox(fields.at(1)) != Box::Unknown;
}

QHash<QString, QVariant> convertPhoneSuite(const QStringList& fields)
{
    const Box box = phoneSuiteBox(cleanField(fields, 1));
    if (fields.size() < 8 || box == Box::Unknown)
        return invalidRecord();
    const bool sent = box == Box::Sent;
    QString number = cleanField(fields, sent ? 3 : 2).trimmed();
    if (number.isEmpty())
        number = cleanField(fields, sent ? 2 : 3).trimmed();
    return makeRecord(sent, parsePhoneSuiteDate(cleanField(fields, 5)), number, QString(),
                      joinedFrom(fields, 7));
}

// --- export of Android's message database ---

bool isAndroidDatabaseRecord(const QStringList& fields)
{
    if (fields.size() < 7)
        return false;
    const QString kind = fields.at(3).trimmed();
    const QString direction = fields.at(4).trimmed();
    return isDigits(fields.at(1).trimmed()) && isDigits(fields.at(2).trimmed()) &&
           (kind == QLatin1String("S") || kind == QLatin1String("M")) &&
           (direction == QLatin1String("INC") || direction == QLatin1String("OUT"));
}

QHash<QString, QVariant> convertAndroidDatabase(const QStringList& fields)
{
    if (!isAndroidDatabaseRecord(fields))
        return invalidRecord();
    return makeRecord(fields.at(4).trimmed() == QLatin1String("OUT"),
                      fromMilliseconds(fields.at(1)), cleanField(fields, 0).trimmed(), QString(),
                      unescapeAndroidBody(joinedFrom(fields, 6)));
}

// --- handheld export ---

bool isHandheldFlag(const QString& text)
{
    const QString flag = text.trimmed().toLower();
    return flag == QLatin1String("true") || flag == QLatin1String("false");
}

bool isHandheldRecord(const QStringList& fields)
{
    return fields.size() >= 6 && isHandheldFlag(fields.at(3)) &&
           (parseHandheldDate(fields.at(1)).isValid() || parseHandheldDate(fields.at(2)).isValid());
}

QHash<QString, QVariant> convertHandheld(const QStringList& fields)
{
    if (fields.size() < 6 || !isHandheldFlag(fields.at(3)))
        return invalidRecord();
    const bool sent = fields.at(3).trimmed().toLower() == QLatin1String("true");
    // A sent message is dated when sent, a received one when received; either falls back on
    // the other date.
    QDateTime date = parseHandheldDate(fields.at(sent ? 1 : 2));
    if (!date.isValid())
        date = parseHandheldDate(fields.at(sent ? 2 : 1));
    return makeRecord(sent, date, fields.at(4).trimmed(), QString(), joinedFrom(fields, 5));
}

// Offsets of the zone abbreviations such exports write, in hours.
int zoneOffsetSeconds(const QString& zone, bool* known)
{
    static const QHash<QString, double> offsets = {
        {QStringLiteral("UTC"), 0},   {QStringLiteral("GMT"), 0},    {QStringLiteral("Z"), 0},
        {QStringLiteral("EST"), -5},  {QStringLiteral("EDT"), -4},   {QStringLiteral("CST"), -6},
        {QStringLiteral("CDT"), -5},  {QStringLiteral("MST"), -7},   {QStringLiteral("MDT"), -6},
        {QStringLiteral("PST"), -8},  {QStringLiteral("PDT"), -7},   {QStringLiteral("AKST"), -9},
        {QStringLiteral("AKDT"), -8}, {QStringLiteral("HST"), -10},  {QStringLiteral("AST"), -4},
        {QStringLiteral("ADT"), -3},  {QStringLiteral("NST"), -3.5}, {QStringLiteral("NDT"), -2.5},
        {QStringLiteral("WET"), 0},   {QStringLiteral("WEST"), 1},   {QStringLiteral("BST"), 1},
        {QStringLiteral("CET"), 1},   {QStringLiteral("CEST"), 2},   {QStringLiteral("EET"), 2},
        {QStringLiteral("EEST"), 3},  {QStringLiteral("MSK"), 3},    {QStringLiteral("IST"), 5.5},
        {QStringLiteral("JST"), 9},   {QStringLiteral("KST"), 9},    {QStringLiteral("AEST"), 10},
        {QStringLiteral("AEDT"), 11}, {QStringLiteral("NZST"), 12},  {QStringLiteral("NZDT"), 13},
    };
    const auto it = offsets.constFind(zone.toUpper());
    *known = it != offsets.constEnd();
    return *known ? static_cast<int>(it.value() * 3600) : 0;
}

} // namespace

QDateTime parsePhoneSuiteDate(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{4})\s*\.\s*(\d{1,2})\s*\.\s*(\d{1,2})\s+(\d{1,2})\s*:\s*(\d{1,2})(?:\s*:\s*(\d{1,2}))?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return QDateTime();
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(),
                     m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

QDateTime parseHandheldDate(const QString& text)
{
    // "Fri Feb 19 03:18:04 EST 2010"; the weekday is not checked.
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*[A-Za-z]{3}\s+([A-Za-z]{3})\s+(\d{1,2})\s+(\d{1,2}):(\d{2}):(\d{2})\s+(?:([A-Za-z]{1,5})\s+)?(\d{4})\s*$)"));
    static const QStringList months = {
        QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"), QStringLiteral("apr"),
        QStringLiteral("may"), QStringLiteral("jun"), QStringLiteral("jul"), QStringLiteral("aug"),
        QStringLiteral("sep"), QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return QDateTime();
    const int month = months.indexOf(m.captured(1).toLower()) + 1;
    const QDate date(m.captured(7).toInt(), month, m.captured(2).toInt());
    const QTime time(m.captured(3).toInt(), m.captured(4).toInt(), m.captured(5).toInt());
    if (month == 0 || !date.isValid() || !time.isValid())
        return QDateTime();
    bool known = false;
    const int offset = zoneOffsetSeconds(m.captured(6), &known);
    if (!known)
        return QDateTime(date, time); // no or unknown zone: the computer's local time
    return QDateTime(date, time, Qt::OffsetFromUTC, offset).toLocalTime();
}

namespace {

bool isEscapeLetter(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('n') || c == QLatin1Char('r');
}

// The reader closes the quoted body at its first escaped quote and drops that quote, keeping
// the backslash; everything after it arrives as written, with the closing quote as a last
// character. This finds the backslash whose quote was dropped: a backslash that cannot start
// an escape is certain; otherwise the last ambiguous one before the first escaped quote that
// survived (quotes come in pairs), else the first ambiguous one.
qsizetype droppedQuotePosition(const QString& text)
{
    qsizetype firstAmbiguous = -1;
    qsizetype lastAmbiguous = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\\'))
            continue;
        if (i + 1 == text.size())
            return i; // the quote stood at the very end of the body
        const QChar next = text.at(i + 1);
        if (next == QLatin1Char('"'))
            return lastAmbiguous;
        if (!isEscapeLetter(next))
            return i;
        if (firstAmbiguous < 0)
            firstAmbiguous = i;
        lastAmbiguous = i;
        ++i; // an escape takes two characters
    }
    return firstAmbiguous;
}

} // namespace

QString unescapeAndroidBody(const QString& field)
{
    QString text = field;
    qsizetype dropped = -1;
    if (text.endsWith(QLatin1Char('"'))) {
        text.chop(1);
        dropped = droppedQuotePosition(text);
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\')) {
            out.append(c);
            continue;
        }
        if (i == dropped) {
            out.append(QLatin1Char('"'));
            continue;
        }
        if (i + 1 == text.size()) {
            out.append(c);
            continue;
        }
        const QChar next = text.at(++i);
        if (next == QLatin1Char('n'))
            out.append(QLatin1Char('\n'));
        else if (next == QLatin1Char('r'))
            out.append(QLatin1Char('\r'));
        else if (next == QLatin1Char('\\') || next == QLatin1Char('"'))
            out.append(next);
        else
            out.append(c).append(next);
    }
    return out;
}

const ImportFormatKind* recogniseFormat(const QStringList& first, const QStringList&)
{
    static const ImportFormatKind kinds[] = {
        ImportFormatKind::AndroidColumns, ImportFormatKind::PhoneSuite,
        ImportFormatKind::AndroidDatabase, ImportFormatKind::Handheld};
    if (isAndroidColumnsHeader(first))
        return &kinds[0];
    if (isPhoneSuiteRecord(first))
        return &kinds[1];
    if (isAndroidDatabaseRecord(first))
        return &kinds[2];
    if (isHandheldRecord(first))
        return &kinds[3];
    return nullptr;
}

bool formatHasHeader(ImportFormatKind kind)
{
    return kind == ImportFormatKind::AndroidColumns;
}

QHash<QString, QVariant> convertRecord(ImportFormatKind kind, const QHash<QString, int>& columns,
                                       const QStringList& fields)
{
    switch (kind) {
    case ImportFormatKind::AndroidColumns:
        return convertAndroidColumns(columns, fields);
    case ImportFormatKind::PhoneSuite:
        return convertPhoneSuite(fields);
    case ImportFormatKind::AndroidDatabase:
        return convertAndroidDatabase(fields);
    case ImportFormatKind::Handheld:
        return convertHandheld(fields);
    }
    return invalidRecord();
}
