#pragma once

#include <QList>
#include <QString>

// One statement of a SQL file of the store (res/store/NAME.sql): its text with the comments left
// out and every run of white space one space, as SQLite then keeps a CREATE statement in
// sqlite_master; for a CREATE statement also what it creates.
struct ScriptStatement
{
    QString sql;
    QString type; // "table", "index", "view" or "trigger"; empty when it creates nothing
    QString name;
};

// The statements of the file, in their order; read once. Empty for a file that is not there.
const QList<ScriptStatement>& storeScript(const char* name);
