#pragma once

#include <QList>
#include <QString>

#include "core/store/Sqlite3Sql.h"

// A query of messages (columns named as readSMSRow reads them) in a fixed order, in the parts a
// reader of pages needs: the statement without its order, the order both ways (ties broken by
// row id, so that pages neither overlap nor skip), and a statement counting the rows.
//
// A query whose rows are costly to find (a search) also gives the row ids of its rows in order
// (keys) and the statement that reads rows by id (rowsByKey, completed with "(id, ...)"): the
// search then runs once, and each page reads only its own rows.
struct MessageQuery
{
    Sqlite3Sql select;
    QString order;
    QString reverseOrder;
    Sqlite3Sql count;
    Sqlite3Sql keys;
    QString rowsByKey;

    bool hasKeys() const { return !keys.sql().isEmpty(); }
    // Every row, in order.
    Sqlite3Sql ordered() const;
    // At most n rows after skipping offset, in order or (reversed) from the last row backwards.
    Sqlite3Sql slice(qint64 offset, int n, bool reversed) const;
    // The row ids of every row, in order.
    Sqlite3Sql orderedKeys() const;
    // The rows of these ids (at most maxKeys), in order.
    Sqlite3Sql rowsOf(const QList<qint64>& ids) const;

    static constexpr int maxKeys = 100;
};
