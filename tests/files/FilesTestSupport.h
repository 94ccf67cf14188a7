#pragma once

// Shared by the files tests: an isolated account, message builders, and the preview and import
// jobs run behind their progress dialog.
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>
#include <functional>

#include "app/ProgressForm.h"
#include "app/SMSInfo.h"
#include "common/DialogRecorder.h"
#include "files/LocalPreviewCSVThread.h"
#include "files/LocalRestoreThread.h"
#include "store/Accounts.h"
#include "store/StoreTestSupport.h"

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

// What a job ended with: the dialog's result and the boxes it showed.
struct JobOutcome
{
    int result = -1;
    QList<DialogRecorder::Message> boxes;
    QList<int> percents;
    QList<SMSInfo> list;
    int invalid = -1;
    QString text() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
};

inline JobOutcome runRecorded(JobThread& job, ProgressForm& form, DialogRecorder& recorder)
{
    recorder.clear();
    JobOutcome outcome;
    QObject::connect(&job, &JobThread::updateProgress, &form,
                     [&](int value, const QString&) { outcome.percents.append(value); });
    outcome.result = runJob(form, job);
    QCoreApplication::processEvents();
    outcome.boxes = recorder.messages;
    return outcome;
}

inline JobOutcome previewFile(const QString& file, CSVImporterPlugin* importer = nullptr)
{
    DialogRecorder recorder;
    ProgressForm form(QStringLiteral("preview"));
    LocalPreviewCSVThread job(file, &form, importer);
    JobOutcome outcome = runRecorded(job, form, recorder);
    outcome.list = job.smsList();
    outcome.invalid = job.invalidCount();
    return outcome;
}

inline JobOutcome importList(const QList<SMSInfo>& list)
{
    DialogRecorder recorder;
    ProgressForm form(QStringLiteral("import"));
    LocalRestoreThread job(list, &form);
    return runRecorded(job, form, recorder);
}

// Runs action on the next modal dialog of the given object name once it is shown.
inline void whenModal(const QString& objectName, std::function<void(QWidget*)> action,
                      int attemptsLeft = 2000)
{
    QTimer::singleShot(5, [=]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == objectName && modal->isVisible())
            action(modal);
        else if (attemptsLeft > 0)
            whenModal(objectName, action, attemptsLeft - 1);
    });
}

} // namespace filestest
