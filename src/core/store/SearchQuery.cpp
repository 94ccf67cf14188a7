#include "core/store/SearchQuery.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// The name looked up for each row found (a join made SQLite build the whole summary first).
const char* const columns =
    "select s.sms_id, s.address, s.date, s.is_send, s.body, s.suffix, (select first_person from "
    "view_summary where suffix = s.suffix) as person from sms as s not indexed";

// What today's view tests, row by row; the contact name is the conversation's first one.
const char* const matches =
    "(s.body like ? or s.address like ? or s.suffix in (select suffix from view_summary where "
    "first_person like ?))";

// Every message that can match, each part from an index: texts holding the keyword's trigrams
// (and the messages not indexed yet), messages from a matching number (the account's distinct
// numbers, a few thousand rows, read once), and conversations with a matching name. A message
// found twice is harmless in the list ("union all" spares sorting out each part's doubles).
const char* const candidates =
    "s.sms_id in (select rowid from sms_fts where sms_fts match ? union all select sms_id from "
    "sms_fts_pending union all select sms_id from sms where address in (select address from "
    "sms_numbers where address like ?) union all select sms_id from sms where suffix in (select "
    "suffix from view_summary where first_person like ?))";

// The index query for texts that can match the LIKE pattern: every trigram of every run of
// three or more characters between wildcards (case is folded by the index as by LIKE, and
// further). Empty when the keyword has no such run: the index cannot narrow the search.
QString trigramQuery(const QString& keyword)
{
    QStringList trigrams;
    static const QRegularExpression wildcards(QStringLiteral("[%_]"));
    for (const QString& run : keyword.split(wildcards, Qt::SkipEmptyParts)) {
        const QList<uint> points = run.toUcs4();
        for (qsizetype i = 0; i + 3 <= points.size(); ++i) {
            QString trigram = QString::fromUcs4(reinterpret_cast<const char32_t*>(&points[i]), 3);
            trigrams.append(QLatin1Char('"') + trigram.replace(u'"', QStringLiteral("\"\"")) +
                            QLatin1Char('"'));
        }
    }
    trigrams.removeDuplicates();
    return trigrams.join(QStringLiteral(" AND "));
}

} // namespace

MessageQuery searchQuery(const QString& keyword, SearchFolder folder)
{
    MessageQuery query;
    query.select = Sqlite3Sql(columns);
    query.count = Sqlite3Sql("select count(*) from sms as s");
    query.order = QStringLiteral("date asc, sms_id asc");
    query.reverseOrder = QStringLiteral("date desc, sms_id desc");
    QStringList conditions;
    QList<QString> texts;
    if (!keyword.isEmpty()) {
        const QString pattern = QLatin1Char('%') + keyword + QLatin1Char('%');
        const QString indexQuery = trigramQuery(keyword);
        if (!indexQuery.isEmpty()) {
            conditions.append(QLatin1String(candidates));
            texts << indexQuery << pattern << pattern;
        }
        conditions.append(QLatin1String(matches));
        texts << pattern << pattern << pattern;
    }
    if (folder != SearchFolder::All)
        conditions.append(QStringLiteral("s.is_send = ?"));
    if (!keyword.isEmpty()) {
        // Found once, read a page at a time (without a keyword the count alone is quick).
        query.keys = Sqlite3Sql("select s.sms_id from sms as s");
        query.rowsByKey = QLatin1String(columns) + QStringLiteral(" where s.sms_id in ");
    }
    if (!conditions.isEmpty()) {
        const QString where = QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "));
        for (Sqlite3Sql* sql : {&query.select, &query.count, &query.keys}) {
            if (sql->sql().isEmpty())
                continue;
            sql->appendSql(where);
            for (const QString& text : std::as_const(texts))
                sql->addTextParam(text);
            if (folder != SearchFolder::All)
                sql->addIntParam(folder == SearchFolder::Sent ? 1 : 0);
        }
    }
    return query;
}

Sqlite3Sql searchStatement(const QString& keyword, SearchFolder folder)
{
    return searchQuery(keyword, folder).ordered();
}
