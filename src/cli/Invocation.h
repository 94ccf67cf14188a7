#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// What the user asked for: the sub-command with its arguments and options. Only the syntax has
// been checked (known sub-command, known options, argument count, required options); names,
// files and addresses are checked where they are used.
struct Invocation
{
    QString command;                 // "accounts", "backup", ...; empty with --help or --version
    QStringList arguments;           // the positional arguments after the sub-command
    QHash<QString, QString> options; // option name without "--" -> value ("" for a flag)

    bool has(const QString& option) const { return options.contains(option); }
    QString value(const QString& option) const { return options.value(option); }
};
