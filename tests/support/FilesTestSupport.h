#pragma once

// Shared by the files tests: an isolated account, message builders, and the preview and import
// jobs run behind their progress dialog.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>
#include <functional>

#include "core/files/LocalPreviewCSVThread.h"
#include "core/files/LocalRestoreThread.h"
#include "core/frame/SMSInfo.h"
#include "core/store/Accounts.h"
#include "support/JobTestSupport.h"
#include "support/StoreTestSupport.h"

namespace filestest {

inline QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

inline SMSInfo makeSMS(const QString& address, const QString& person, const QString& body,
                       bool isSend, const QDateTime& date)
{
    return storetest::message(address, body, date, isSend, person);
}

// A record as one comparable text: direction, date to the second, number, person, body.
inline QStringList keys(const QList<SMSInfo>& list)
{
    QStringList result;
    for (const SMSInfo& sms : list)
        result.append(
            QStringList{sms.isSend ? "1" : "0",
                        sms.date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                        sms.address, sms.person, sms.body}
                .join(QLatin1Char('|')));
    return result;
}

// Messages with the characters that export and import must carry unchanged.
inline QList<SMSInfo> awkwardMessages()
{
    return {makeSMS("5551234", "", "a,b", false, at(2012, 3, 4, 5, 6, 7)),
            makeSMS("+49 170 1234567", "Ann \"Nan\" Lee", "He said \"hi\", then left", true,
                    at(2013, 1, 2, 3, 4, 5)),
            makeSMS("0170-1234567", "Ann, the other", "line one\nline two\n", false,
                    at(2014, 12, 31, 23, 59, 59)),
            makeSMS("Bank24", "", "Ünïcödé 😀 привет 你好", false, at(2015, 6, 7, 8, 9, 10)),
            makeSMS("", "", "\"", true, at(2016, 2, 29, 0, 0, 0)),
            makeSMS("555", "<b>Bob</b> & co", "<script>alert(1)</script> & more", false,
                    at(2017, 7, 7, 7, 7, 7))};
}

inline QList<SMSInfo> generated(int count, const QString& prefix = QStringLiteral("msg"))
{
    QList<SMSInfo> list;
    for (int i = 0; i < count; ++i)
        list.append(makeSMS(QStringLiteral("55500%1").arg(i % 7), QString(),
                            QStringLiteral("%1 %2").arg(prefix).arg(i), i % 2 == 0,
                            at(2020, 1, 1, 0, 0, 0).addSecs(i * 61)));
    return list;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

// The data folder in a temporary home, and the English catalogue.
inline bool isolateInEnglish(const QTemporaryDir& home, QTranslator& translator)
{
    storetest::isolateHome(home);
    return translator.load(QStringLiteral(":/en.qm")) &&
           QCoreApplication::installTranslator(&translator);
}

// Creates the account file in the (isolated) data folder and opens it as the current database.
inline Sqlite3DB* openFreshAccount(const QString& name)
{
    createAccountFile(name);
    return openAccountDatabase(name);
}

inline QStringList storedBodies()
{
    QStringList bodies;
    Sqlite3Cursor rows =
        currentDatabase()->queryThrow(Sqlite3Sql("select body from sms order by sms_id"));
    while (rows.moveNext())
        bodies.append(rows.getText("body"));
    return bodies;
}

// The preview job's outcome with what it parsed.
struct PreviewResult : jobtest::RunResult
{
    QList<SMSInfo> list;
    int invalid = -1;
};

inline PreviewResult previewFile(const QString& file, CSVImporterPlugin* importer = nullptr)
{
    LocalPreviewCSVThread job(file, importer);
    PreviewResult result;
    static_cast<jobtest::RunResult&>(result) = jobtest::runRecorded(job);
    result.list = job.smsList();
    result.invalid = job.invalidCount();
    return result;
}

inline jobtest::RunResult importList(const QList<SMSInfo>& list)
{
    LocalRestoreThread job(list);
    return jobtest::runRecorded(job);
}

} // namespace filestest
