#include "core/store/StoreScript.h"

#include <QFile>
#include <QRegularExpression>
#include <map>
#include <mutex>

#include <sqlite3.h>

namespace {

// Comments left out (none sits inside a quoted text in these files), white space made one space.
QString normalized(const QString& statement)
{
    QStringList lines = statement.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        const qsizetype comment = line.indexOf(QLatin1String("--"));
        if (comment >= 0)
            line.truncate(comment);
    }
    QString text = lines.join(QLatin1Char(' ')).simplified();
    if (text.endsWith(QLatin1Char(';')))
        text.chop(1);
    return text.trimmed();
}

ScriptStatement parsed(const QString& statement)
{
    static const QRegularExpression creates(
        QStringLiteral("^CREATE (?:UNIQUE |VIRTUAL )?(TABLE|INDEX|VIEW|TRIGGER) (\\w+)"));
    ScriptStatement result{normalized(statement), QString(), QString()};
    const QRegularExpressionMatch match = creates.match(result.sql);
    if (match.hasMatch()) {
        result.type = match.captured(1).toLower();
        result.name = match.captured(2);
    }
    return result;
}

// Split where SQLite sees a statement end (a trigger's body holds semicolons of its own).
QList<ScriptStatement> read(const char* name)
{
    QFile file(QStringLiteral(":/res/store/%1.sql").arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    QList<ScriptStatement> statements;
    qsizetype start = 0;
    for (qsizetype end = text.indexOf(';'); end >= 0; end = text.indexOf(';', end + 1)) {
        const QByteArray candidate = text.mid(start, end + 1 - start);
        if (sqlite3_complete(candidate.constData())) {
            statements.append(parsed(QString::fromUtf8(candidate)));
            start = end + 1;
        }
    }
    return statements;
}

} // namespace

const QList<ScriptStatement>& storeScript(const char* name)
{
    static std::mutex mutex;
    static std::map<QString, QList<ScriptStatement>> scripts; // its entries never move
    std::lock_guard<std::mutex> lock(mutex);
    const QString key = QLatin1String(name);
    auto it = scripts.find(key);
    if (it == scripts.end())
        it = scripts.emplace(key, read(name)).first;
    return it->second;
}
