#include "core/store/MessageSpool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

#include <sqlite3.h>

#include "core/store/Sqlite3DB.h"

namespace {

const QLatin1String suffix(".sms");

void syncPath(const QString& path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(("cannot open " + path).toStdString());
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    if (!ok)
        throw std::runtime_error(("cannot write " + path).toStdString());
}

} // namespace

namespace MessageSpool {

QString folderOf(const QString& accountPath)
{
    return accountPath + QLatin1String(".spool");
}

QString folderOf(Sqlite3DB* db)
{
    const char* path = db && db->handle() ? sqlite3_db_filename(db->handle(), "main") : nullptr;
    return path && *path ? folderOf(QString::fromUtf8(path)) : QString();
}

QString add(const QString& folder, const SMSInfo& sms)
{
    static std::atomic<int> counter{0};
    if (!QDir().mkpath(folder))
        throw std::runtime_error(("cannot create " + folder).toStdString());
    // Names sort by the time written; the process id and a counter keep writers apart.
    const QString name = QStringLiteral("%1-%2-%3")
                             .arg(QDateTime::currentMSecsSinceEpoch(), 14, 10, QLatin1Char('0'))
                             .arg(QCoreApplication::applicationPid())
                             .arg(++counter, 6, 10, QLatin1Char('0'));
    const QString file = QDir(folder).filePath(name + suffix);
    const QString temporary = QDir(folder).filePath(name + QLatin1String(".tmp"));
    const QJsonObject record{{QStringLiteral("date"), sms.date.toMSecsSinceEpoch()},
                             {QStringLiteral("isSend"), sms.isSend},
                             {QStringLiteral("address"), sms.address},
                             {QStringLiteral("person"), sms.person},
                             {QStringLiteral("body"), sms.body}};
    QFile out(temporary);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(QJsonDocument(record).toJson(QJsonDocument::Compact)) < 0 || !out.flush()) {
        out.remove();
        throw std::runtime_error(("cannot write " + temporary).toStdString());
    }
    out.close();
    syncPath(temporary, O_RDONLY);
    if (!QFile::rename(temporary, file)) {
        QFile::remove(temporary);
        throw std::runtime_error(("cannot write " + file).toStdString());
    }
    syncPath(folder, O_RDONLY | O_DIRECTORY); // the rename itself survives a crash
    return file;
}

QList<Entry> read(const QString& folder)
{
    QList<Entry> entries;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QLatin1String("*") + suffix}, QDir::Files, QDir::Name)) {
        QFile in(dir.filePath(name));
        if (!in.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject record = QJsonDocument::fromJson(in.readAll()).object();
        if (record.isEmpty())
            continue;
        SMSInfo sms;
        sms.date = QDateTime::fromMSecsSinceEpoch(record.value(QLatin1String("date")).toInteger());
        sms.isSend = record.value(QLatin1String("isSend")).toBool();
        sms.address = record.value(QLatin1String("address")).toString();
        sms.person = record.value(QLatin1String("person")).toString();
        sms.body = record.value(QLatin1String("body")).toString();
        entries.append({in.fileName(), sms});
    }
    return entries;
}

bool holdsAny(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir() &&
           !QDir(folder).entryList({QLatin1String("*") + suffix}, QDir::Files).isEmpty();
}

void remove(const QStringList& files)
{
    for (const QString& file : files)
        QFile::remove(file);
}

} // namespace MessageSpool
