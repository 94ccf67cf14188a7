#include <QElapsedTimer>
#include <QMutex>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "PhoneSimProcess.h"
#include "device/DeviceConnection.h"
#include "sync/MiniPhone.h"
#include "sync/SyncListenSMSThread.h"
#include "sync/SyncTimings.h"

namespace {

const QString PHONE = QStringLiteral("127.0.0.55");
const QString MINI_PHONE = QStringLiteral("127.0.0.56");

QString b64(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

// Debug lines of the listener thread, which the user never sees but tests may.
QMutex g_logMutex;
QStringList g_log;
QtMessageHandler g_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    {
        QMutexLocker lock(&g_logMutex);
        g_log << text;
    }
    g_previousHandler(type, context, text);
}

bool logged(const QString& text)
{
    QMutexLocker lock(&g_logMutex);
    return g_log.contains(text);
}

} // namespace

class TestSyncListenSMSThread : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void withoutConnectionEndsWithError();
    void receivesTwoMessagesInOrderAndStops();
    void newConnectionRestartsTheListener();
    void stopDuringTheWaitBeforeConnecting();
    void eachRunHasItsOwnSocket();
    void otherLinesAreIgnored();
    void malformedRecordEndsTheRunSilently_data();
    void malformedRecordEndsTheRunSilently();
    void badLinesEndTheRunWithAnError_data();
    void badLinesEndTheRunWithAnError();

private:
    void connectToMiniPhone();

    tbtest::PhoneSimProcess m_phone;
    synctest::MiniPhone m_mini;
    SyncListenSMSThread* m_listener = nullptr;
    std::unique_ptr<QSignalSpy> m_received;
    std::unique_ptr<QSignalSpy> m_errors;
};

void TestSyncListenSMSThread::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(recordMessage);
    SyncTimings::setForTests(0, 0);
    m_listener = SyncListenSMSThread::instance();
    QCOMPARE(SyncListenSMSThread::instance(), m_listener);
    QVERIFY2(m_phone.start(PHONE), qPrintable(m_phone.errorText()));
    QVERIFY(m_mini.listen(MINI_PHONE, SyncListenSMSThread::DATA_PORT));
}

void TestSyncListenSMSThread::init()
{
    clearConnection(); // stops the listener
    QVERIFY(!m_listener->isRunning());
    m_received = std::make_unique<QSignalSpy>(m_listener, &SyncListenSMSThread::receivedSMS);
    m_errors = std::make_unique<QSignalSpy>(m_listener, &SyncListenSMSThread::errorOccurred);
    QMutexLocker lock(&g_logMutex);
    g_log.clear();
}

void TestSyncListenSMSThread::cleanupTestCase()
{
    // What the program does before its application object goes.
    m_listener->stopListening();
    QVERIFY(!m_listener->isRunning());
}

void TestSyncListenSMSThread::withoutConnectionEndsWithError()
{
    m_listener->restartListening();
    QTRY_COMPARE(m_errors->count(), 1);
    QCOMPARE(m_errors->at(0).at(0).toString(), QStringLiteral("No connection."));
    QVERIFY(m_listener->wait(5000));
}

void TestSyncListenSMSThread::receivesTwoMessagesInOrderAndStops()
{
    const int from = m_phone.lineCount();
    setConnection(PHONE, PHONE, false); // starts the listener
    QVERIFY(m_phone.waitForLine(QStringLiteral("LISTENER"), 15000, nullptr, from));
    m_phone.pushNamed(QStringLiteral("0170 1234567"), QStringLiteral("Jörg"),
                      QStringLiteral("Erste, mit Komma\nund Zeile"));
    m_phone.push(QStringLiteral("Bank24"), QStringLiteral("Второе 😀"));
    QTRY_COMPARE(m_received->count(), 2);
    const auto first = m_received->at(0).at(0).value<SMSInfo>();
    const auto second = m_received->at(1).at(0).value<SMSInfo>();
    QCOMPARE(first.address, QStringLiteral("0170 1234567"));
    QCOMPARE(first.person, QStringLiteral("Jörg"));
    QCOMPARE(first.body, QStringLiteral("Erste, mit Komma\nund Zeile"));
    QCOMPARE(first.smsId, 0);
    QVERIFY(first.date.isValid());
    QCOMPARE(second.address, QStringLiteral("Bank24"));
    QCOMPARE(second.body, QStringLiteral("Второе 😀"));

    QElapsedTimer timer;
    timer.start();
    m_listener->stopListening();
    qInfo("the listener stopped after %lld ms", timer.elapsed());
    QVERIFY(!m_listener->isRunning());
    QVERIFY(logged(QStringLiteral("SyncListenSMSThread: end")));
    QCOMPARE(m_errors->count(), 0);
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("FAULT")).isEmpty());
}

void TestSyncListenSMSThread::newConnectionRestartsTheListener()
{
    int from = m_phone.lineCount();
    setConnection(PHONE, PHONE, false);
    QVERIFY(m_phone.waitForLine(QStringLiteral("LISTENER"), 15000, nullptr, from));
    from = m_phone.lineCount();
    setConnection(PHONE, PHONE, false);
    QVERIFY(m_phone.waitForLine(QStringLiteral("LISTENER"), 15000, nullptr, from));
    m_phone.push(QStringLiteral("555"), QStringLiteral("after reconnect"));
    QTRY_COMPARE(m_received->count(), 1);
    QCOMPARE(m_errors->count(), 0);
}

void TestSyncListenSMSThread::stopDuringTheWaitBeforeConnecting()
{
    setConnection(PHONE, PHONE, false);
    SyncTimings::setForTests(SyncTimings::WAIT_BEFORE_CONNECT_MS, 0);
    const int from = m_phone.lineCount();
    m_listener->restartListening();
    m_listener->stopListening();
    SyncTimings::setForTests(0, 0);
    QVERIFY(!m_listener->isRunning());
    QCOMPARE(m_errors->count(), 0);
    QVERIFY(!m_phone.waitForLine(QStringLiteral("LISTENER"), 200, nullptr, from));
}

void TestSyncListenSMSThread::connectToMiniPhone()
{
    const qsizetype listenersBefore = m_mini.dataConnections.size();
    m_mini.becomeCurrent();
    QTRY_COMPARE(m_mini.dataConnections.size(), listenersBefore + 1);
}

void TestSyncListenSMSThread::eachRunHasItsOwnSocket()
{
    connectToMiniPhone();
    QTcpSocket* firstRun = m_mini.dataConnections.last();
    m_listener->restartListening();
    QTRY_COMPARE(m_mini.dataConnections.last() != firstRun, true);
    // The ended run closed its connection.
    QTRY_COMPARE(firstRun->state(), QAbstractSocket::UnconnectedState);
    m_mini.send(int(m_mini.dataConnections.size()) - 1, "$sms:5,0,,," + b64("x").toLatin1() + "\n");
    QTRY_COMPARE(m_received->count(), 1);
}

void TestSyncListenSMSThread::otherLinesAreIgnored()
{
    connectToMiniPhone();
    const int last = int(m_mini.dataConnections.size()) - 1;
    m_mini.send(last, "$count:3\n$bye:\nhello\r\n$SMS:1,0,,,\n");
    m_mini.send(last, "$sms:1700000000000,1,," + b64("Anna").toLatin1() + ",\n");
    QTRY_COMPARE(m_received->count(), 1);
    QCOMPARE(m_received->at(0).at(0).value<SMSInfo>().person, QStringLiteral("Anna"));
    QVERIFY(m_listener->isRunning());
    QCOMPARE(m_errors->count(), 0);
}

void TestSyncListenSMSThread::malformedRecordEndsTheRunSilently_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("four fields") << QByteArray("$sms:5,0,,")
                                 << QStringLiteral("SMS raw format wrong, less then 5 fields, "
                                                   "raw:$sms:5,0,,");
    QTest::newRow("six fields") << QByteArray("$sms:5,0,,,,")
                                << QStringLiteral("SMS raw format wrong, less then 5 fields, "
                                                  "raw:$sms:5,0,,,,");
    QTest::newRow("zero date") << QByteArray("$sms:0,0,,,")
                               << QStringLiteral("SMS 'date' field eq zero, raw:$sms:0,0,,,");
}

void TestSyncListenSMSThread::malformedRecordEndsTheRunSilently()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, logLine);
    connectToMiniPhone();
    m_mini.send(int(m_mini.dataConnections.size()) - 1, line + "\n$sms:5,0,,,\n");
    QTRY_VERIFY(m_listener->isFinished());
    QVERIFY(logged(logLine));
    QCOMPARE(m_received->count(), 0);
    QCOMPARE(m_errors->count(), 0);
}

void TestSyncListenSMSThread::badLinesEndTheRunWithAnError_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("close");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty line") << QByteArray("\n") << false << QStringLiteral("Null command.");
    QTest::newRow("error line") << QByteArray("$error:") + b64("Kein Speicher – нет").toLatin1() +
                                       "\n"
                                << false << QStringLiteral("Kein Speicher – нет");
    QTest::newRow("closed") << QByteArray() << true
                            << QStringLiteral("The remote host closed the connection");
}

void TestSyncListenSMSThread::badLinesEndTheRunWithAnError()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, close);
    QFETCH(QString, text);
    connectToMiniPhone();
    // Let a quiet read time-out pass first: an error after it is still an error.
    QTRY_VERIFY_WITH_TIMEOUT(logged(QStringLiteral("SyncListenSMSThread: ready receive SMS")),
                             5000);
    QTest::qWait(SyncListenSMSThread::READ_TIMEOUT_MS + 200);
    const int last = int(m_mini.dataConnections.size()) - 1;
    if (close)
        m_mini.dataConnections[last]->disconnectFromHost();
    else
        m_mini.send(last, bytes);
    QTRY_COMPARE(m_errors->count(), 1);
    QCOMPARE(m_errors->at(0).at(0).toString(), text);
    QTRY_VERIFY(m_listener->isFinished());
}

QTEST_MAIN(TestSyncListenSMSThread)
#include "tst_synclistensmsthread.moc"
