#include "core/store/MessageQuery.h"

#include <QStringList>
#include <algorithm>

Sqlite3Sql MessageQuery::ordered() const
{
    Sqlite3Sql sql = select;
    return sql.appendSql(QStringLiteral(" order by ") + order);
}

Sqlite3Sql MessageQuery::slice(qint64 offset, int n, bool reversed) const
{
    Sqlite3Sql sql = select;
    sql.appendSql(QStringLiteral(" order by ") + (reversed ? reverseOrder : order) +
                  QStringLiteral(" limit ? offset ?"));
    return sql.addIntParam(n).addInt64Param(offset);
}

Sqlite3Sql MessageQuery::orderedKeys() const
{
    Sqlite3Sql sql = keys;
    return sql.appendSql(QStringLiteral(" order by ") + order);
}

Sqlite3Sql MessageQuery::rowsOf(const QList<qint64>& ids) const
{
    // Always maxKeys marks, the unused ones repeating an id (a row is listed once however often
    // its id is): one statement text, prepared once.
    static const QString marks = QStringList(maxKeys, QStringLiteral("?")).join(u',');
    Sqlite3Sql sql(rowsByKey + QLatin1Char('(') + marks + QStringLiteral(") order by ") + order);
    for (int i = 0; i < maxKeys; ++i)
        sql.addInt64Param(ids.isEmpty() ? 0 : ids.at(std::min<qsizetype>(i, ids.size() - 1)));
    return sql;
}
