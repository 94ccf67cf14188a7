// Message boxes, the catalogue and the data folder.
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include "app/DataDirectory.h"
#include "app/MessageBoxes.h"
#include "app/ProjectInfo.h"
#include "common/DialogRecorder.h"

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void boxesCarryTitleIconAndButtons();
    void askYesNoFollowsTheAnswer();
    void realBoxAddsButtonsInFixedOrder();
    void realBoxClosedAnswersNoOrCancel();
    void errorOccurredTextFromCatalogue();
    void catalogue_data();
    void catalogue();
    void dataDirectoryWithoutRoaming();
    void dataDirectoryWithRoaming();

private:
    QTranslator m_translator;
    QByteArray m_home;
};

void TestShell::initTestCase()
{
    m_home = qgetenv("HOME");
    QVERIFY(m_translator.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_translator);
}

void TestShell::cleanupTestCase()
{
    qputenv("HOME", m_home);
}

void TestShell::boxesCarryTitleIconAndButtons()
{
    DialogRecorder boxes;
    showWarning(QStringLiteral("w"));
    showInformation(QStringLiteral("i"));
    showCritical(QStringLiteral("c"));
    askYesNo(QStringLiteral("q"));
    QCOMPARE(boxes.messages.size(), 4);
    const QList<QMessageBox::Icon> icons = {QMessageBox::Warning, QMessageBox::Information,
                                            QMessageBox::Critical, QMessageBox::Question};
    const QStringList texts = {"w", "i", "c", "q"};
    for (int i = 0; i < 4; ++i) {
        const DialogRecorder::Message& box = boxes.messages.at(i);
        QCOMPARE(box.title, QString::fromUtf8(ProjectInfo::displayName));
        QCOMPARE(box.icon, icons.at(i));
        QCOMPARE(box.text, texts.at(i));
        const QMessageBox::StandardButtons expected =
            i == 3 ? (QMessageBox::Yes | QMessageBox::No)
                   : QMessageBox::StandardButtons(QMessageBox::Ok);
        QCOMPARE(box.buttons, expected);
    }
}

void TestShell::askYesNoFollowsTheAnswer()
{
    DialogRecorder boxes;
    boxes.queueButton(QMessageBox::Yes);
    QVERIFY(askYesNo(QStringLiteral("first")));
    boxes.queueButton(QMessageBox::No);
    QVERIFY(!askYesNo(QStringLiteral("second")));
    // Closing the box (escape) counts as No.
    boxes.queueButton(QMessageBox::Cancel);
    QVERIFY(!askYesNo(QStringLiteral("third")));
}

void TestShell::realBoxAddsButtonsInFixedOrder()
{
    // No answerer: the real box runs; inspect it and press a button from inside its loop.
    QStringList onScreen;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        icon = box->icon();
        QList<QAbstractButton*> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
            return a->mapToGlobal(QPoint(0, 0)).x() < b->mapToGlobal(QPoint(0, 0)).x();
        });
        for (QAbstractButton* button : buttons)
            onScreen.append(button->text());
        QVERIFY(onScreen.size() == 4);
        buttons.at(1)->click(); // the second from the left: No
    });
    const int pressed =
        showMessage(QMessageBox::Question, QStringLiteral("Order?"),
                    QMessageBox::Cancel | QMessageBox::Ok | QMessageBox::No | QMessageBox::Yes);
    QCOMPARE(pressed, int(QMessageBox::No));
    QCOMPARE(title, QString::fromUtf8(ProjectInfo::displayName));
    QCOMPARE(icon, QMessageBox::Question);
    QDialogButtonBox texts;
    QStringList expected;
    for (auto button : {QDialogButtonBox::Yes, QDialogButtonBox::No, QDialogButtonBox::Ok,
                        QDialogButtonBox::Cancel})
        expected.append(texts.addButton(button)->text());
    QCOMPARE(onScreen, expected);
}

void TestShell::realBoxClosedAnswersNoOrCancel()
{
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        box->reject();
    });
    QCOMPARE(showMessage(QMessageBox::Question, QStringLiteral("Close?"),
                         QMessageBox::Yes | QMessageBox::No),
             int(QMessageBox::No));
}

void TestShell::errorOccurredTextFromCatalogue()
{
    DialogRecorder boxes;
    showErrorOccurred(QStringLiteral("no such table: sms"));
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages.first().icon, QMessageBox::Critical);
    QCOMPARE(boxes.messages.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    const QString expected = QStringLiteral("Error occurred. Please contact %1 for help. Error "
                                            "info:\nno such table: sms")
                                 .arg(QString::fromUtf8(ProjectInfo::supportEmail));
    QCOMPARE(boxes.lastText(), expected);
}

void TestShell::catalogue_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("english");
    const QList<std::array<const char*, 3>> rows = {
        {"AccountForm", "IDS_INVALID_ACCOUNT_NAME",
         "Invalid account(can't contain \\ / : * ? \" < > | etc)."},
        {"AccountForm", "IDS_CONFIRM_CREATE_ACCOUNT_%1", "Confirm to create account %1?"},
        {"MainWindow", "IDS_TITLE_IMPORT_SMS_FROM_ANDROID", "Backing up SMS now"},
        {"MainWindow", "IDS_ERROR_OCCURRED_WHEN_LISTENING_SMS_%1",
         "Error occurred during monitoring message receiving. %1"},
        {"ConnectionForm", "IDS_CAN_NOT_MAKE_CONNECTION_START_SYNC_FIRST_ERR_%1",
         "Fail to connect device. Please start ZO Ruro Vedarov to retry.%1"},
        {"SyncRestoreThread", "IDS_RESTORE_SUC_%1", "Successfully import %1 SMS."},
        {"SyncBackupThread", "IDS_EXPORT_SMS_TO_ANDROID_SUC_%1",
         "Successfully restore %1 SMS to Android."},
        {"LocalPreviewCSVThread", "IDS_IMPORT_CSV_PREVIEW_SUC_%1_INVALID_%2",
         "Successfully load %1 SMS. Found %2 invalid sms."},
        {"LocalRestoreThread", "IDS_INVALID_DATE_FORMAT",
         "Incorrect date format in CSV data.Correct format is (yyyy-MM-dd hh:mm:ss)."},
        {"CSVPreviewForm", "IDS_FORM_TITLE_%1_PREVIEW_SMS", "%1 - Preview CSV File"},
        {"DraftSMSForm", "IDS_SEND_SMS_NO_RECIPIENTS", "Please enter recepient."},
        {"SMSPrinter", "IDS_PRINT_SMS", "Print SMS"},
    };
    for (const auto& row : rows) {
        QTest::addRow("%s/%s", row[0], row[1])
            << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1])
            << QString::fromUtf8(row[2]);
    }
}

void TestShell::catalogue()
{
    QFETCH(QString, context);
    QFETCH(QString, key);
    QFETCH(QString, english);
    QCOMPARE(
        QCoreApplication::translate(context.toLatin1().constData(), key.toLatin1().constData()),
        english);
}

void TestShell::dataDirectoryWithoutRoaming()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    qputenv("HOME", QFile::encodeName(home.path()));
    const QString expectedBase = QDir(home.path()).absoluteFilePath("Application Data");
    QCOMPARE(appDataBaseDirectory().absolutePath(), expectedBase);
    QVERIFY(!QFileInfo::exists(expectedBase)); // the base is only named, not made
    const QDir data = dataDirectory();
    QCOMPARE(data.absolutePath(), expectedBase + QStringLiteral("/Quillmarten/Fernhollow"));
    QVERIFY(data.exists());
    // Called again with the folder in place: same answer, no failure.
    QCOMPARE(dataDirectory().absolutePath(), data.absolutePath());
}

void TestShell::dataDirectoryWithRoaming()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QVERIFY(QDir(home.path()).mkpath("AppData/Roaming"));
    qputenv("HOME", QFile::encodeName(home.path()));
    const QString roaming = QDir(home.path()).absoluteFilePath("AppData/Roaming");
    QCOMPARE(appDataBaseDirectory().absolutePath(), roaming);
    const QDir data = dataDirectory();
    QCOMPARE(data.absolutePath(), roaming + QStringLiteral("/Quillmarten/Fernhollow"));
    QVERIFY(data.exists());
    QVERIFY(!QFileInfo::exists(QDir(home.path()).absoluteFilePath("Application Data")));
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
