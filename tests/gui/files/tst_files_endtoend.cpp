// End to end through the real main window: export an account to CSV or XML with "Export",
// import the file into a second account with "Import" and the preview dialog, compare the
// accounts.

#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include "core/store/ConversationQuery.h"
#include "core/store/StoreSMS.h"
#include "gui/frame/IMainWindow.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/MainWindow.h"
#include "support/DialogRecorder.h"
#include "support/FilesTestSupport.h"
#include "support/GuiTestSupport.h"

using namespace filestest;
using guitest::whenModal;

namespace {

// The account as the program shows it: every message with its conversation's contact name.
QStringList accountRows()
{
    QList<SMSInfo> list;
    for (Sqlite3Cursor row = currentDatabase()->queryThrow(wholeAccountQuery().ordered());
         row.moveNext();)
        list.append(readSMSRow(row));
    QStringList rows = keys(list);
    rows.sort();
    return rows;
}

QList<SMSInfo> sourceMessages()
{
    QList<SMSInfo> list;
    for (const SMSInfo& sms : awkwardMessages()) {
        if (!sms.address.isEmpty())
            list.append(sms);
    }
    list.append(generated(40, QStringLiteral("ordinary, \"quoted\"")));
    // One conversation whose messages carry different names, one without any name.
    list.append(makeSMS("0301234", "Eve", "first", false, at(2018, 1, 1, 10, 0, 0)));
    list.append(makeSMS("0301234", "", "second", true, at(2018, 1, 1, 10, 0, 1)));
    list.append(makeSMS("0309999", "", "nameless", false, at(2018, 1, 1, 10, 0, 2)));
    return list;
}

} // namespace

class TestFilesEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void exportThenImportIntoSecondAccount_data();
    void exportThenImportIntoSecondAccount();

private:
    TestAccount m_account;
    QTemporaryDir m_dir;
};

void TestFilesEndToEnd::exportThenImportIntoSecondAccount_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("csv") << "CSV Files(*.csv)"
                         << ".csv";
    QTest::newRow("xml") << "XML Files(*.xml)"
                         << ".xml";
}

void TestFilesEndToEnd::exportThenImportIntoSecondAccount()
{
    QFETCH(QString, filter);
    QFETCH(QString, suffix);
    QVERIFY(m_account.open(QStringLiteral("source%1.db").arg(suffix)));
    const QList<SMSInfo> messages = sourceMessages();
    for (const SMSInfo& sms : messages)
        QVERIFY(store(sms));
    const QStringList sourceRows = accountRows();
    QCOMPARE(sourceRows.size(), messages.size());

    DialogRecorder recorder;
    MainWindow window;
    setMainWindowInstance(&window); // as the program's start-up does
    window.show();
    QVERIFY(window.contactsModel()->rowCount() > 0);

    // Export: the name is typed without suffix, the filter adds it.
    const QString file = m_dir.filePath(QStringLiteral("whole-account")) + suffix;
    recorder.queueFileName(file.chopped(suffix.size()));
    recorder.queueSelectedFilter(filter);
    window.miExport();
    QCOMPARE(recorder.lastText(),
             QStringLiteral("Successfully export %1 SMS.").arg(messages.size()));
    QVERIFY(QFile::exists(file));

    // A second, empty account becomes the open one.
    QVERIFY(m_account.open(QStringLiteral("target%1.db").arg(suffix)));
    window.reloadContacts();
    QCOMPARE(window.contactsModel()->rowCount(), 0);

    // Import through the preview dialog; then the same file again: nothing new, the same
    // count reported.
    for (int round = 0; round < 2; ++round) {
        recorder.clear();
        recorder.queueFileName(file);
        int previewed = -1;
        whenModal(QStringLiteral("CSVPreviewForm"), [&](QWidget* dialog) {
            previewed =
                dialog->findChild<QTreeView*>(QStringLiteral("listSMS"))->model()->rowCount();
            emit dialog->findChild<QPushButton*>(QStringLiteral("btnImportToLocal"))->pressed();
        });
        window.miImport();
        QCOMPARE(recorder.fileFilters, QStringList{"CSV Files(*.csv);;XML Files(*.xml)"});
        QCOMPARE(previewed, messages.size());
        QCOMPARE(recorder.messages.size(), 2);
        QCOMPARE(recorder.messages[0].text,
                 QStringLiteral("Successfully load %1 SMS.").arg(messages.size()));
        QCOMPARE(recorder.messages[1].text,
                 QStringLiteral("Successfully import %1 SMS.").arg(messages.size()));
        QCOMPARE(accountRows(), sourceRows);
        // The preview dialog had the main window reload its conversations.
        QCOMPARE(contactLines(window.contactsModel()->entries()), groupedContacts());
    }
    window.close();
    setMainWindowInstance(nullptr);
}

QTEST_MAIN(TestFilesEndToEnd)
#include "tst_files_endtoend.moc"
