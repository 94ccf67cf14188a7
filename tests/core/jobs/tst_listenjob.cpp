// The listener for messages the phone receives.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include "core/device/SimpleProtocol.h"
#include "core/frame/BodyLimit.h"
#include "core/frame/JobRunner.h"
#include "core/jobs/ListenJob.h"
#include "core/jobs/PhoneJobTimings.h"
#include "support/SyncTestSupport.h"

using tbtest::b64;

namespace {

const QString PHONE = QStringLiteral("127.0.0.55");
const QString SCRIPTED_PHONE = QStringLiteral("127.0.0.56");
const QString CHATTY_PHONE = QStringLiteral("127.0.0.57");

} // namespace

class TestSyncListen : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void withoutConnectionEndsWithError();
    void receivesInOrderAfterAStop();
    void stopDuringTheWaitBeforeConnecting();
    void eachRunHasItsOwnSocket();
    void phoneLines_data();
    void phoneLines();
    void stopsWithinASecondWhileThePhoneKeepsSending();

private:
    void connectToScriptedPhone();

    tbtest::PhoneSimProcess m_phone;
    synctest::ScriptedPhone m_scripted;
    ListenJob m_listener;
    JobRunner m_runner{m_listener};
    std::unique_ptr<QSignalSpy> m_received;
    std::unique_ptr<QSignalSpy> m_errors;
    QTranslator m_english;
};

void TestSyncListen::initTestCase()
{
    PhoneJobTimings::setForTests(0, 0);
    QVERIFY(m_english.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_english);
    QVERIFY(m_phone.start(PHONE));
    QVERIFY(m_scripted.listen(SCRIPTED_PHONE, ListenJob::DATA_PORT));
}

void TestSyncListen::init()
{
    QVERIFY(m_runner.stop(ListenJob::STOP_WAIT_MS));
    clearConnection();
    m_received = std::make_unique<QSignalSpy>(&m_listener, &ListenJob::receivedSMS);
    m_errors = std::make_unique<QSignalSpy>(&m_listener, &ListenJob::errorOccurred);
}

void TestSyncListen::cleanupTestCase()
{
    // What the program does before its application object goes.
    m_runner.stop(ListenJob::STOP_WAIT_MS);
    QVERIFY(!m_listener.isRunning());
}

void TestSyncListen::withoutConnectionEndsWithError()
{
    m_runner.restart();
    QTRY_COMPARE(m_errors->count(), 1);
    QCOMPARE(m_errors->at(0).at(0).toString(), QStringLiteral("No connection."));
    QVERIFY(m_listener.wait(5000));
}

void TestSyncListen::receivesInOrderAfterAStop()
{
    // A start after a stop (init stops the listener); a reconnect is tested with a chatty phone.
    const int from = m_phone.lineCount();
    setConnection(PHONE, PHONE, false);
    m_runner.restart();
    QVERIFY(m_phone.waitForLine(QStringLiteral("LISTENER"), 15000, nullptr, from));
    m_phone.pushNamed(QStringLiteral("0170 1234567"), QStringLiteral("Jörg"),
                      QStringLiteral("Erste, mit Komma\nund Zeile"));
    m_phone.push(QStringLiteral("Bank24"), QStringLiteral("Второе 😀"));
    QTRY_COMPARE(m_received->count(), 2);
    QStringList got; // in the order received
    for (const QList<QVariant>& args : *m_received) {
        const auto sms = args.at(0).value<SMSInfo>();
        got << QStringLiteral("%1|%2|%3|%4").arg(sms.address, sms.person, sms.body).arg(sms.smsId);
        QVERIFY(sms.date.isValid());
    }
    QCOMPARE(got, (QStringList{"0170 1234567|Jörg|Erste, mit Komma\nund Zeile|0",
                               "Bank24||Второе 😀|0"}));
    QCOMPARE(m_errors->count(), 0);
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("FAULT")).isEmpty());
}

void TestSyncListen::stopDuringTheWaitBeforeConnecting()
{
    setConnection(PHONE, PHONE, false);
    PhoneJobTimings::setForTests(PhoneJobTimings::WAIT_BEFORE_CONNECT_MS, 0);
    const int from = m_phone.lineCount();
    m_runner.restart();
    m_runner.stop(ListenJob::STOP_WAIT_MS);
    PhoneJobTimings::setForTests(0, 0);
    QVERIFY(!m_listener.isRunning());
    QCOMPARE(m_errors->count(), 0);
    QVERIFY(!m_phone.waitForLine(QStringLiteral("LISTENER"), 200, nullptr, from));
}

void TestSyncListen::connectToScriptedPhone()
{
    const qsizetype before = m_scripted.connections.size();
    m_scripted.becomeCurrent();
    m_runner.restart();
    QTRY_COMPARE(m_scripted.connections.size(), before + 1);
}

void TestSyncListen::eachRunHasItsOwnSocket()
{
    connectToScriptedPhone();
    QTcpSocket* firstRun = m_scripted.connections.last();
    m_runner.restart();
    QTRY_VERIFY(m_scripted.connections.last() != firstRun);
    // The ended run closed its connection, and the new one reads from its own.
    QTRY_COMPARE(firstRun->state(), QAbstractSocket::UnconnectedState);
    m_scripted.send("$sms:5,0,,," + b64("x") + "\n");
    QTRY_COMPARE(m_received->count(), 1);
}

void TestSyncListen::phoneLines_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: the phone closes the connection
    QTest::addColumn<QString>("end");      // empty: the listener goes on
    QTest::newRow("other lines ignored, a text over 1 MiB left out")
        << "$count:3\n$bye:\nhello\r\n$SMS:1,0,,,\n$sms:5,0,,," +
               b64(QString(MAX_BODY_BYTES + 1, u'x')) + "\n$sms:1700000000000,1,," + b64("Anna") +
               ",\n"
        << QString();
    // A malformed record ends monitoring, and the user is told so.
    const QString fields = QStringLiteral("error:SMS raw format wrong, less then 5 fields, raw:");
    QTest::newRow("four fields") << QByteArray("$sms:5,0,,\n$sms:5,0,,,\n") << fields + "5,0,,";
    QTest::newRow("six fields") << QByteArray("$sms:5,0,,,,\n$sms:5,0,,,\n") << fields + "5,0,,,,";
    QTest::newRow("zero date") << QByteArray("$sms:0,0,,,\n$sms:5,0,,,\n")
                               << QStringLiteral("error:SMS 'date' field eq zero, raw:0,0,,,");
    QTest::newRow("empty line") << QByteArray("\n") << QStringLiteral("error:Null command.");
    QTest::newRow("error line") << "$error:" + b64("Kein Speicher – нет") + "\n"
                                << QStringLiteral("error:Kein Speicher – нет");
    QTest::newRow("line over 16 MiB") << QByteArray(MAX_LINE_BYTES + 100, 'A') + '\n'
                                      << "error:Received a line longer than 16777216 bytes.";
    // Silence between lines is no fault, within a line it is (a silence limit is set here).
    QTest::newRow("half a line, then silence")
        << QByteArray("$sms:5,0,")
        << QStringLiteral("error:Gave up: the phone stopped answering for 1.5 s.");
    QTest::newRow("closed") << QByteArray()
                            << QStringLiteral("error:The remote host closed the connection");
}

void TestSyncListen::phoneLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, end);
    setPhoneSilenceLimitMs(1500);
    const auto noLimit = qScopeGuard([] { setPhoneSilenceLimitMs(-1); });
    connectToScriptedPhone();
    // Let a quiet read time-out pass first: an error after it is still an error.
    QTest::qWait(ListenJob::READ_TIMEOUT_MS + 200);
    if (bytes.isEmpty())
        m_scripted.connections.last()->disconnectFromHost();
    else
        m_scripted.send(bytes);
    if (end.isEmpty()) {
        QTRY_COMPARE(m_received->count(), 1);
        QCOMPARE(m_received->at(0).at(0).value<SMSInfo>().person, QStringLiteral("Anna"));
        QVERIFY(m_listener.isRunning());
    } else {
        QTRY_VERIFY(m_listener.isFinished()); // and stays ended until restarted
        QCOMPARE(m_received->count(), 0);
    }
    if (end.startsWith(QLatin1String("error:"))) {
        QTRY_COMPARE(m_errors->count(), 1);
        QCOMPARE("error:" + m_errors->at(0).at(0).toString(), end);
    } else {
        QCOMPARE(m_errors->count(), 0);
    }
}

void TestSyncListen::stopsWithinASecondWhileThePhoneKeepsSending()
{
    tbtest::PhoneSimProcess chatty;
    QVERIFY(chatty.start(CHATTY_PHONE, {"--push-every", "100"}));
    setConnection(CHATTY_PHONE, CHATTY_PHONE, false);
    for (int round = 0; round < 2; ++round) {
        // A reconnect: the running listener makes way for a fresh one at once.
        m_runner.restart();
        const int before = m_received->count();
        QTRY_VERIFY(m_received->count() >= before + 5); // lines come every 100 ms
    }
    QElapsedTimer timer;
    timer.start();
    QVERIFY(m_runner.stop(ListenJob::STOP_WAIT_MS)); // what quitting the program does
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(m_errors->count(), 0);
}

QTEST_MAIN(TestSyncListen)
#include "tst_listenjob.moc"
