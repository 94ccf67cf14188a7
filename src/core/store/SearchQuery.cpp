#include "core/store/SearchQuery.h"

Sqlite3Sql searchStatement(const QString& keyword, SearchFolder folder)
{
    Sqlite3Sql sql(QStringLiteral("select * from view_sms"));
    if (!keyword.isEmpty()) {
        const QString pattern = QLatin1Char('%') + keyword + QLatin1Char('%');
        sql.appendSql(QStringLiteral(" where (body like ? or address like ? or person like ?)"));
        sql.addTextParam(pattern).addTextParam(pattern).addTextParam(pattern);
    }
    if (folder != SearchFolder::All) {
        sql.appendSql(keyword.isEmpty() ? QStringLiteral(" where is_send=?")
                                        : QStringLiteral(" and is_send=?"));
        sql.addIntParam(folder == SearchFolder::Sent ? 1 : 0);
    }
    sql.appendSql(QStringLiteral(" order by date asc"));
    return sql;
}
