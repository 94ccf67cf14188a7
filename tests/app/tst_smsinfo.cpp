// The message record travelling through a queued signal between threads.
#include <QThread>
#include <QtTest>

#include "app/SMSInfo.h"

namespace {

class Sender : public QObject
{
    Q_OBJECT
signals:
    void receivedSMS(const SMSInfo& sms);
};

class Receiver : public QObject
{
    Q_OBJECT
public slots:
    void onReceivedSMS(const SMSInfo& sms)
    {
        received.append(sms);
        thread = QThread::currentThread();
    }

public:
    QList<SMSInfo> received;
    QThread* thread = nullptr;
};

} // namespace

class TestSMSInfo : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void crossesThreadsUnchanged();
};

void TestSMSInfo::defaults()
{
    const SMSInfo sms;
    QCOMPARE(sms.smsId, 0);
    QVERIFY(sms.person.isEmpty() && sms.address.isEmpty() && sms.body.isEmpty());
    QVERIFY(sms.date.isNull());
}

void TestSMSInfo::crossesThreadsUnchanged()
{
    registerSMSInfoMetaType();
    registerSMSInfoMetaType(); // twice is harmless
    QCOMPARE(QMetaType::fromName("SMSInfo"), QMetaType::fromType<SMSInfo>());

    Receiver receiver;
    QThread worker;
    Sender sender;
    sender.moveToThread(&worker);
    connect(&sender, &Sender::receivedSMS, &receiver, &Receiver::onReceivedSMS,
            Qt::QueuedConnection);

    SMSInfo sms;
    sms.smsId = -12;
    sms.person = QStringLiteral("Zoë");
    sms.address = QStringLiteral("+49 170 1234567");
    sms.body = QStringLiteral("line one\nline two ✓");
    sms.isSend = true;
    sms.date = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 750));
    connect(&worker, &QThread::started, &sender, [&sender, sms] { emit sender.receivedSMS(sms); });
    worker.start();
    QTRY_COMPARE(receiver.received.size(), 1);
    worker.quit();
    worker.wait();

    const SMSInfo& got = receiver.received.first();
    QCOMPARE(receiver.thread, QThread::currentThread());
    QCOMPARE(got.smsId, sms.smsId);
    QCOMPARE(got.person, sms.person);
    QCOMPARE(got.address, sms.address);
    QCOMPARE(got.body, sms.body);
    QCOMPARE(got.isSend, sms.isSend);
    QCOMPARE(got.date, sms.date);
}

QTEST_GUILESS_MAIN(TestSMSInfo)
#include "tst_smsinfo.moc"
