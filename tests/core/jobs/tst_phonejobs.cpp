// Backup from the phone (PhoneBackupJob) and restore to the phone (PhoneRestoreJob).
#include <QtTest>

#include "core/frame/BodyLimit.h"
#include "core/jobs/PhoneJobTimings.h"
#include "core/store/MMSStore.h"
#include "core/store/SMSListSource.h"
#include "support/SyncTestSupport.h"

using namespace synctest;

namespace {

const QString PHONE = QStringLiteral("127.0.0.40");
const QString FAULTY_PHONE = QStringLiteral("127.0.0.41");
const QString PORTLESS_PHONE = QStringLiteral("127.0.0.42");
const QString BIG_PHONE = QStringLiteral("127.0.0.43");
const QString SCRIPTED_PHONE = QStringLiteral("127.0.0.44");
const QString SILENT_PHONE = QStringLiteral("127.0.0.48");
const QString ERROR_TEXT = QStringLiteral("Speicher nicht lesbar – ошибка чтения 📵");
const QStringList PHONE_STORE = {"--count", "345", "--seed", "11", "--batch", "100"};
const QStringList FAULTY_STORE = {"--count", "250", "--seed", "12", "--batch", "50"};

QList<SMSInfo> messages(int count)
{
    const QStringList bodies = {"Treffen um 10:30, Raum 4.12,,", "Zeile 1\r\nZeile 2\n\nEnde",
                                "Привет, как дела? 你好 مرحبا",
                                "\"Quoted\", 'single' 😀👍🏽"};
    const QStringList addresses = {"+49 170 1234567", "0170-1234567", "Банк24"};
    QList<SMSInfo> list;
    for (int i = 0; i < count; ++i)
        list.append(makeSMS(addresses[i % 3], "never sent", bodies[i % 4] + QString::number(i),
                            i % 3 == 0,
                            QDateTime::fromMSecsSinceEpoch(Q_INT64_C(1600000000123) + i * 61001)));
    return list;
}

// The records the phone received, read back: date in ms, direction, address, body.
void compareRestored(const QStringList& records, const QList<SMSInfo>& expected)
{
    QCOMPARE(records.size(), expected.size());
    for (int i = 0; i < records.size(); ++i) {
        const QStringList f = records[i].split(u',');
        const auto text = [&f](int n) {
            return QString::fromUtf8(QByteArray::fromBase64(f.value(n).toLatin1()));
        };
        const SMSInfo& sms = expected[i];
        QCOMPARE(f.size(), 4);
        QCOMPARE((QStringList{f[0], f[1], text(2), text(3)}),
                 (QStringList{QString::number(sms.date.toMSecsSinceEpoch()), sms.isSend ? "1" : "0",
                              sms.address, sms.body}));
    }
}

// A phone record of a received message, the body telling which one it is.
QByteArray sms(int n)
{
    return "$sms:" + QByteArray::number(Q_INT64_C(1600000000000) + n * 1000) + ",0," + b64("555") +
           ",," + b64(QStringLiteral("message %1").arg(n)) + "\n";
}

} // namespace

class TestSyncJobs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void jobsFailWithoutAPhone();
    void fullBackupThenTheSameAgain();
    void misbehavingPhoneRollsBack_data();
    void misbehavingPhoneRollsBack();
    void closingTheDialogCancelsAndRollsBack();
    void backupLineRules();
    void restoresInBatches_data();
    void restoresInBatches();
    void sourceRunningShortFailsCleanly();
    void stalledPhoneIsCancelledWithinASecond_data();
    void stalledPhoneIsCancelledWithinASecond();
    void cancelAfterTheCommitReportsSuccess();

private:
    TestAccount m_account;
    tbtest::PhoneSimProcess m_phone;
    tbtest::PhoneSimProcess m_faulty;
};

void TestSyncJobs::initTestCase()
{
    PhoneJobTimings::setForTests(0, 0);
    QVERIFY(m_account.open());
    QVERIFY(m_phone.start(PHONE, PHONE_STORE));
    QVERIFY(m_faulty.start(FAULTY_PHONE, FAULTY_STORE + QStringList{"--error-text", ERROR_TEXT}));
}

void TestSyncJobs::jobsFailWithoutAPhone()
{
    tbtest::PhoneSimProcess portless;
    QVERIFY(portless.start(PORTLESS_PHONE, {"--misbehave", "no-data-port"}));
    const qsizetype storedBefore = storedMessages().size();
    for (const QString& phone : {QString(), PORTLESS_PHONE}) {
        if (phone.isEmpty())
            clearConnection();
        else
            setConnection(phone, phone, false);
        SMSListSource source(messages(3));
        for (const RunResult& outcome : {backupFromPhone(), restoreToPhone(&source)}) {
            QVERIFY2(outcome.failedWith(phone.isEmpty() ? "No connection." : "Connection refused"),
                     qPrintable(outcome.text));
        }
    }
    QCOMPARE(storedMessages().size(), storedBefore);
}

void TestSyncJobs::fullBackupThenTheSameAgain()
{
    currentDatabase()->executeThrow(Sqlite3Sql("delete from sms"));
    setConnection(PHONE, PHONE, false);
    const RunResult outcome = backupFromPhone();
    QVERIFY(outcome.succeeded());
    QCOMPARE(outcome.text, QStringLiteral("Successfully import 345 SMS."));
    QCOMPARE(outcome.progress.last(), QStringLiteral("100 SMS 345:345"));
    QVERIFY(m_phone.waitForLine(QStringLiteral("BACKUP-DONE 345 4")));

    QCOMPARE(keys(storedMessages()), keys(simulatorStore(PHONE_STORE)));
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("FAULT")).isEmpty());

    // The same backup again stores nothing new, but counts every record as processed.
    const QString rows = dump();
    QCOMPARE(backupFromPhone().text, QStringLiteral("Successfully import 345 SMS."));
    QCOMPARE(dump(), rows);
}

void TestSyncJobs::misbehavingPhoneRollsBack_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("toldThePhone"); // a refused record is reported back to the phone
    const auto row = [](const char* name, const char* mode, const QString& text, bool told) {
        QTest::newRow(name) << mode << text << told;
    };
    const QString fields = QStringLiteral("SMS raw format wrong, less then 5 fields, raw:");
    row("four fields", "fields4", fields, true);
    row("six fields", "fields6", fields, true);
    row("zero date", "zero-date", "SMS 'date' field eq zero, raw:0,", true);
    row("error line", "error-mid", ERROR_TEXT, false);
    row("closed mid-batch", "close-mid", "The remote host closed the connection", false);
    row("empty line", "empty-line", "Null command.", false);
    row("64 MiB line", "huge-line", "longer than 16777216 bytes", false);
}

void TestSyncJobs::misbehavingPhoneRollsBack()
{
    QFETCH(QString, mode);
    QFETCH(QString, text);
    QFETCH(bool, toldThePhone);
    setConnection(FAULTY_PHONE, FAULTY_PHONE, false);
    const qsizetype storedBefore = storedMessages().size();
    const int from = m_faulty.lineCount();
    m_faulty.sendCommand(QStringLiteral("misbehave ") + mode);
    QVERIFY(m_faulty.waitForLine(QStringLiteral("MISBEHAVE ") + mode, 15000, nullptr, from));

    const RunResult outcome = backupFromPhone();
    QVERIFY2(outcome.failedWith(text), qPrintable(outcome.text));
    // The earlier batches had been stored and acknowledged; nothing of them remains.
    QVERIFY(outcome.progress.contains(QStringLiteral("40 SMS 100:250")) || mode == "huge-line");
    QCOMPARE(storedMessages().size(), storedBefore);
    if (toldThePhone)
        QVERIFY(m_faulty.waitForLine(QStringLiteral("PEER-ERROR"), 15000, nullptr, from));

    // The program goes on: the same phone, behaving again, backs up fine.
    m_faulty.sendCommand(QStringLiteral("misbehave none"));
    QVERIFY(m_faulty.waitForLine(QStringLiteral("MISBEHAVE none"), 15000, nullptr, from));
    QCOMPARE(backupFromPhone().text, QStringLiteral("Successfully import 250 SMS."));
}

void TestSyncJobs::closingTheDialogCancelsAndRollsBack()
{
    tbtest::PhoneSimProcess big;
    QVERIFY(big.start(BIG_PHONE, {"--count", "200000", "--seed", "13"}));
    setConnection(BIG_PHONE, BIG_PHONE, false);
    const qsizetype storedBefore = storedMessages().size();
    PhoneBackupJob job;
    // The user cancels as soon as the first messages have come.
    const RunResult outcome = runRecorded(job, [&job](JobRunner& runner) {
        connect(&job, &JobThread::updateProgress, &runner, &JobRunner::cancel,
                Qt::QueuedConnection);
    });
    QCOMPARE(outcome.kind, JobOutcome::Cancelled);
    QVERIFY(outcome.text.isEmpty()); // a failure after the cancel stays silent
    QVERIFY(job.processedCount() < 200000);
    QCOMPARE(storedMessages().size(), storedBefore);
    QVERIFY(big.waitForLine(QStringLiteral("BACKUP-ABORTED")));
}

void TestSyncJobs::backupLineRules()
{
    ScriptedPhone phone;
    QVERIFY(phone.listen(SCRIPTED_PHONE, PhoneBackupJob::DATA_PORT));
    phone.becomeCurrent();
    currentDatabase()->executeThrow(Sqlite3Sql("delete from sms"));
    phone.setScript({"$count:0\n$bye:\n"});
    QCOMPARE(backupFromPhone().text, QStringLiteral("Successfully import 0 SMS."));
    QCOMPARE(phone.received, QByteArray());

    // A record before any batch and "$bye:" or "$count:" inside a batch are ignored; without
    // a total the progress stays 0; a later count holds for the later batches.
    phone.setScript({sms(0) + "$batch:\n" + sms(1) + "$bye:\n$count:9\n" + sms(2) + "$end:\n",
                     "$hello:\n$count:4\n$batch:\n" + sms(3) + sms(4) + "$end:\n", "$bye:\n"});
    const RunResult outcome = backupFromPhone();
    QCOMPARE(outcome.text, QStringLiteral("Successfully import 4 SMS."));
    QCOMPARE(outcome.progress.first(), QStringLiteral("0 SMS 1:0"));
    QVERIFY(outcome.progress.contains(QStringLiteral("0 SMS 2:0")));
    QCOMPARE(outcome.progress.last(), QStringLiteral("100 SMS 4:4"));
    QCOMPARE(phone.received, QByteArray("$batch:\n$batch:\n"));
    QCOMPARE(storedBodies(), (QStringList{"message 1", "message 2", "message 3", "message 4"}));

    // A text over 1 MiB is left out and counted, as from files.
    const QByteArray huge =
        "$sms:1600000009000,0," + b64("555") + ",," + b64(QString(MAX_BODY_BYTES + 1, u'x')) + "\n";
    phone.setScript({"$count:2\n$batch:\n" + huge + sms(5) + "$end:\n", "$bye:\n"});
    QCOMPARE(backupFromPhone().text, QStringLiteral("Successfully import 1 SMS. Skipped 1 SMS "
                                                    "whose text is larger than 1 MiB."));
    QCOMPARE(storedBodies().size(), 5);
}

void TestSyncJobs::restoresInBatches_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("mms");              // stored MMS among them, after the SMS: left out
    QTest::addColumn<QStringList>("progress"); // one report for each batch of at most 100
    QTest::newRow("230") << 230 << 0
                         << QStringList{"43 SMS 100:230", "86 SMS 200:230", "100 SMS 230:230"};
    QTest::newRow("100") << 100 << 0 << QStringList{"100 SMS 100:100"};
    QTest::newRow("101") << 101 << 0 << QStringList{"99 SMS 100:101", "100 SMS 101:101"};
    QTest::newRow("99") << 99 << 0 << QStringList{"100 SMS 99:99"};
    QTest::newRow("99 and 2 MMS") << 99 << 2 << QStringList{"100 SMS 101:101"};
    QTest::newRow("none") << 0 << 0 << QStringList{};
}

void TestSyncJobs::restoresInBatches()
{
    QFETCH(int, count);
    QFETCH(int, mms);
    QFETCH(QStringList, progress);
    setConnection(PHONE, PHONE, false);
    const int from = m_phone.lineCount();
    const qsizetype restoredFrom = m_phone.restoredRecords().size();
    const QList<SMSInfo> list = messages(count);
    QList<SMSInfo> withMMS = list;
    for (int i = 0; i < mms; ++i) {
        MMSInfo stored{{{"date", QString::number(i * 1000)}, {"msg_box", "1"}}, {}, {}};
        QVERIFY(storeMMS(currentDatabase(), stored));
        withMMS.append(SMSInfo{stored.smsId, {}, {}, {}, false, {}, {}});
    }
    SMSListSource source(withMMS);

    const RunResult outcome = restoreToPhone(&source);
    QVERIFY(outcome.succeeded());
    QCOMPARE(outcome.text,
             QStringLiteral("Successfully restore %1 SMS to Android.").arg(count) +
                 (mms ? QStringLiteral(" Left out %1 MMS: the phone takes SMS only.").arg(mms)
                      : QString()));
    QVERIFY(m_phone.waitForLine(QStringLiteral("RESTORED %1 %2").arg(count).arg(progress.size()),
                                15000, nullptr, from));
    compareRestored(m_phone.restoredRecords().mid(restoredFrom), list);
    QCOMPARE(outcome.progress, progress);
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("FAULT")).isEmpty());
}

void TestSyncJobs::sourceRunningShortFailsCleanly()
{
    // A source that announces more records than it has.
    class ShortSource : public SMSListSource
    {
    public:
        using SMSListSource::SMSListSource;
        int count() override { return 10; }
    };
    setConnection(PHONE, PHONE, false);
    const int from = m_phone.lineCount();
    const qsizetype restoredFrom = m_phone.restoredRecords().size();
    const QList<SMSInfo> list = messages(5);
    ShortSource source(list);
    const RunResult outcome = restoreToPhone(&source);
    QVERIFY2(outcome.failedWith(
                 QStringLiteral("The messages to restore ran out after 5 of the 10 announced.")),
             qPrintable(outcome.text));
    QVERIFY(m_phone.waitForLine(QStringLiteral("RESTORE-ABORTED"), 15000, nullptr, from));
    // No unfilled record reached the phone: at most the five real ones, then the line dropped.
    const QStringList received = m_phone.restoredRecords().mid(restoredFrom);
    QVERIFY(received.size() <= list.size());
    compareRestored(received, list.mid(0, received.size()));
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("RESTORE-REJECTED")).isEmpty());
}

void TestSyncJobs::stalledPhoneIsCancelledWithinASecond_data()
{
    QTest::addColumn<QString>("stall");
    QTest::newRow("backup stops mid-batch") << "stall-mid";
    QTest::newRow("restore never acknowledged") << "no-restore-ack";
}

void TestSyncJobs::stalledPhoneIsCancelledWithinASecond()
{
    QFETCH(QString, stall);
    tbtest::PhoneSimProcess silent;
    QVERIFY(silent.start(SILENT_PHONE, {"--count", "230", "--misbehave", stall}));
    const qsizetype storedBefore = storedMessages().size();
    SMSListSource source(messages(230));
    setConnection(SILENT_PHONE, SILENT_PHONE, false);
    std::unique_ptr<JobThread> job;
    if (stall == QLatin1String("stall-mid"))
        job = std::make_unique<PhoneBackupJob>();
    else
        job = std::make_unique<PhoneRestoreJob>(&source);
    RunResult outcome;
    const qint64 cancelToEnd = cancelAfter(*job, 1500, &outcome);
    QCOMPARE(outcome.kind, JobOutcome::Cancelled);
    QVERIFY(!outcome.progress.isEmpty()); // it was under way when the phone fell silent
    QVERIFY2(cancelToEnd >= 0 && cancelToEnd < 1000, qPrintable(QString::number(cancelToEnd)));
    QCOMPARE(storedMessages().size(), storedBefore);
}

void TestSyncJobs::cancelAfterTheCommitReportsSuccess()
{
    // The pause after the commit is where a late cancel lands.
    PhoneJobTimings::setForTests(0, 3000);
    setConnection(PHONE, PHONE, false);
    currentDatabase()->executeThrow(Sqlite3Sql("delete from sms"));
    PhoneBackupJob job;
    RunResult outcome;
    const qint64 cancelToEnd = cancelAfter(job, 1500, &outcome);
    PhoneJobTimings::setForTests(0, 0);
    QVERIFY(outcome.succeeded());
    QCOMPARE(outcome.text, QStringLiteral("Successfully import 345 SMS."));
    QVERIFY(cancelToEnd < 1000);
    QCOMPARE(storedMessages().size(), 345);
}

QTEST_MAIN(TestSyncJobs)
#include "tst_phonejobs.moc"
