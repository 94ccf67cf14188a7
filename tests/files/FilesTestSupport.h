#pragma once

// Shared by the files tests: an isolated account, message builders, sources that let a test
// stop a job at a chosen record, and helpers for the program's own modal dialogs.
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <functional>

#include "app/SMSInfo.h"
#include "store/AbsSMSDataSource.h"
#include "store/Accounts.h"
#include "store/StoreTestSupport.h"

namespace filestest {

inline SMSInfo makeSMS(const QString& address, const QString& person, const QString& body,
                       bool isSend, const QDateTime& date)
{
    SMSInfo sms;
    sms.address = address;
    sms.person = person;
    sms.body = body;
    sms.isSend = isSend;
    sms.date = date;
    return sms;
}

inline QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// Messages with the characters that export and import must carry unchanged.
inline QList<SMSInfo> awkwardMessages()
{
    return {
        makeSMS("5551234", "", "a,b", false, at(2012, 3, 4, 5, 6, 7)),
        makeSMS("+49 170 1234567", "Ann \"Nan\" Lee", "He said \"hi\", then left", true,
                at(2013, 1, 2, 3, 4, 5)),
        makeSMS("0170-1234567", "Ann, the other", "line one\nline two\n", false,
                at(2014, 12, 31, 23, 59, 59)),
        makeSMS("Bank24", "", "Ünïcödé 😀 привет 你好", false, at(2015, 6, 7, 8, 9, 10)),
        makeSMS("", "", "\"", true, at(2016, 2, 29, 0, 0, 0)),
        makeSMS("555", "<b>Bob</b> & co", "<script>alert(1)</script> & more", false,
                at(2017, 7, 7, 7, 7, 7)),
    };
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Creates the account file in the (isolated) data folder and opens it as the current database.
inline Sqlite3DB* openFreshAccount(const QString& name)
{
    createAccountFile(name);
    return openAccountDatabase(name);
}

// Runs action on the next modal dialog of the given object name once it is shown.
inline void whenModal(const QString& objectName, std::function<void(QWidget*)> action,
                      int attemptsLeft = 2000)
{
    QTimer::singleShot(5, [=]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == objectName && modal->isVisible()) {
            action(modal);
            return;
        }
        if (attemptsLeft > 0)
            whenModal(objectName, action, attemptsLeft - 1);
    });
}

// A list source that blocks before handing out record `gateAt` until released, so that a test
// can close the progress dialog while the job is known to be in the middle.
class GateSource : public AbsSMSDataSource
{
public:
    GateSource(const QList<SMSInfo>& list, int gateAt) : m_list(list), m_gateAt(gateAt) {}
    int count() override { return m_list.size(); }
    bool next(SMSInfo& sms) override
    {
        if (m_pos == m_gateAt) {
            reached = true;
            m_release.acquire();
        }
        if (m_pos >= m_list.size())
            return false;
        sms = m_list.at(m_pos++);
        return true;
    }
    void release() { m_release.release(); }
    std::atomic<bool> reached{false};

private:
    QList<SMSInfo> m_list;
    int m_gateAt;
    int m_pos = 0;
    QSemaphore m_release;
};

inline QList<SMSInfo> generated(int count, const QString& prefix = QStringLiteral("msg"))
{
    QList<SMSInfo> list;
    const QDateTime start = at(2020, 1, 1, 0, 0, 0);
    for (int i = 0; i < count; ++i)
        list.append(makeSMS(QStringLiteral("55500%1").arg(i % 7), QString(),
                            QStringLiteral("%1 %2").arg(prefix).arg(i), i % 2 == 0,
                            start.addSecs(i * 61)));
    return list;
}

} // namespace filestest
