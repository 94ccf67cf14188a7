// The preview dialog: its list, selection order, import all, the context menu, and restoring to
// the phone simulator (127.0.0.60) or without a connection.

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include "core/device/DeviceConnection.h"
#include "core/jobs/PhoneJobTimings.h"
#include "core/jobs/XMLPreviewJob.h"
#include "gui/files/CSVPreviewForm.h"
#include "support/DialogRecorder.h"
#include "support/FilesTestSupport.h"
#include "support/GuiTestSupport.h"
#include "support/PhoneSimProcess.h"

using namespace filestest;
using guitest::whenModal;

namespace {

const QString phoneAddress = QStringLiteral("127.0.0.60");

QTreeView* listOf(CSVPreviewForm& form)
{
    return form.findChild<QTreeView*>(QStringLiteral("listSMS"));
}

void press(CSVPreviewForm& form, const char* button)
{
    emit form.findChild<QPushButton*>(QLatin1String(button))->pressed();
}

void ctrlClickRows(CSVPreviewForm& form, std::initializer_list<int> rows)
{
    QTreeView* list = listOf(form);
    for (int row : rows) {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
    }
}

} // namespace

class TestCSVPreviewForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void shownRecords();
    void importAll();
    void contextMenuOnlyWithSelection();
    void restoreToPhone();
    void xmlFileByFirstPage();

private:
    // Shows the dialog for the records; waits until it can take clicks.
    std::unique_ptr<CSVPreviewForm> shown(const QList<SMSInfo>& list)
    {
        auto form = std::make_unique<CSVPreviewForm>(list);
        form->show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(form.get())); }();
        return form;
    }
    // The bodies of the records the simulator received since `before`.
    QStringList restoredBodies(qsizetype before)
    {
        QStringList bodies;
        for (const QString& record : m_phone.restoredRecords().mid(before))
            bodies.append(QString::fromUtf8(
                QByteArray::fromBase64(record.split(QLatin1Char(',')).value(3).toLatin1())));
        return bodies;
    }

    TestAccount m_account;
    std::unique_ptr<DialogRecorder> m_recorder;
    guitest::FakeMainWindow m_window;
    tbtest::PhoneSimProcess m_phone;
    int m_accounts = 0;
};

void TestCSVPreviewForm::initTestCase()
{
    PhoneJobTimings::setForTests(0, 0);
    QVERIFY(m_phone.start(phoneAddress));
}

void TestCSVPreviewForm::init()
{
    m_recorder.reset(); // uninstall before installing the next one
    m_recorder = std::make_unique<DialogRecorder>();
    m_window.reloads = 0;
    QVERIFY(m_account.open(QStringLiteral("preview%1.db").arg(++m_accounts)));
}

void TestCSVPreviewForm::shownRecords()
{
    CSVPreviewForm form({makeSMS("555", "Ann", "hello", true, at(2012, 3, 4, 5, 6, 7)),
                         makeSMS("777", "", "<b>world</b>", false, at(2013, 1, 2, 3, 4, 5))});
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallowbrook - Preview CSV File"));
    QCOMPARE(form.findChild<QLabel*>("lbCSVTotal")->text(), QStringLiteral("Total:2"));
    const QAbstractItemModel* model = listOf(form)->model();
    QStringList headers;
    QStringList row;
    for (int c = 0; c < 5; ++c) {
        headers.append(model->headerData(c, Qt::Horizontal).toString());
        row.append(model->index(0, c).data().toString());
    }
    QCOMPARE(headers, (QStringList{"Date", "Flag", "Name", "Phone Number", "Message"}));
    QCOMPARE(row, (QStringList{"2012-03-04 05:06:07", "To", "Ann", "555", "hello"}));
    QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("From"));
    // Text from the file is shown literally, also in the tool tip (which would render markup).
    QVERIFY(model->index(1, 4).data(Qt::ToolTipRole).toString().contains("&lt;b&gt;world"));
    // A flat list of five columns.
    QVERIFY(!model->index(2, 0).isValid());
    QVERIFY(!model->index(0, 5).isValid());
    QCOMPARE(model->rowCount(model->index(0, 0)), 0);
}

void TestCSVPreviewForm::importAll()
{
    // A failed import leaves the dialog open and stores nothing.
    QList<SMSInfo> list = generated(2);
    list.append(makeSMS("1", "", "undated", false, QDateTime()));
    auto failing = shown(list);
    press(*failing, "btnImportToLocal");
    QCOMPARE(m_recorder->messages.size(), 1);
    QCOMPARE(m_recorder->messages.first().icon, QMessageBox::Critical);
    QVERIFY(failing->isVisible());
    QCOMPARE(storedBodies(), QStringList());

    for (int count : {0, 4}) {
        auto form = shown(generated(count));
        press(*form, "btnImportToLocal");
        QCOMPARE(m_recorder->lastText(), QStringLiteral("Successfully import %1 SMS.").arg(count));
        QCOMPARE(form->result(), int(QDialog::Accepted));
        QVERIFY(!form->isVisible());
    }
    QCOMPARE(storedBodies(), (QStringList{"msg 0", "msg 1", "msg 2", "msg 3"}));
    QCOMPARE(m_window.reloads, 2);
}

void TestCSVPreviewForm::contextMenuOnlyWithSelection()
{
    auto form = shown(generated(6));
    QTreeView* view = listOf(*form);
    const QPoint at = view->visualRect(view->model()->index(1, 0)).center();
    QStringList entries;
    bool opened = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            opened = true;
            for (QAction* entry : menu->actions())
                entries.append(entry->text());
            menu->setActiveAction(menu->actions().first());
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    poll.start(10);
    const auto rightClick = [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &event);
        QTest::qWait(50);
    };
    rightClick();
    QVERIFY(!opened);

    ctrlClickRows(*form, {4, 1});
    rightClick();
    QVERIFY(opened);
    QCOMPARE(entries, (QStringList{"Import selected SMS to Local Database",
                                   "Restore selected SMS to Android"}));
    QTRY_COMPARE(storedBodies(), (QStringList{"msg 4", "msg 1"})); // in the order chosen
    QCOMPARE(m_window.reloads, 1);
}

void TestCSVPreviewForm::restoreToPhone()
{
    // Without a connection, and the connection dialog cancelled: no job, the dialog stays.
    clearConnection();
    auto all = shown(generated(3, "to phone"));
    bool asked = false;
    whenModal(QStringLiteral("ConnectionForm"), [&](QWidget* dialog) {
        asked = true;
        static_cast<QDialog*>(dialog)->reject();
    });
    press(*all, "btnRestoreToAndroid");
    QVERIFY(asked);
    QVERIFY(all->isVisible());
    QVERIFY(m_recorder->messages.isEmpty());

    setConnection(phoneAddress, phoneAddress, false);
    qsizetype before = m_phone.restoredRecords().size();
    press(*all, "btnRestoreToAndroid");
    QCOMPARE(m_recorder->lastText(), QStringLiteral("Successfully restore 3 SMS to Android."));
    QCOMPARE(all->result(), int(QDialog::Accepted));
    QTRY_COMPARE(restoredBodies(before), (QStringList{"to phone 0", "to phone 1", "to phone 2"}));

    before = m_phone.restoredRecords().size();
    auto picked = shown(generated(5, "picked"));
    ctrlClickRows(*picked, {3, 0});
    picked->onmiRestoreSelectionToAndroid();
    QCOMPARE(picked->result(), int(QDialog::Accepted));
    QTRY_COMPARE(restoredBodies(before), (QStringList{"picked 3", "picked 0"}));
    QCOMPARE(storedBodies(), QStringList()); // nothing went into the account
    QCOMPARE(m_window.reloads, 0);
}

void TestCSVPreviewForm::xmlFileByFirstPage()
{
    // The dialog holds the first page and shows the file's total; import all reads the file.
    // Two MMS, one among the messages and one after them.
    const int total = XMLPreviewJob::FIRST_PAGE + 5;
    const QByteArray mms =
        "<mms date=\"7000\" msg_box=\"1\" address=\"555\"><parts><part seq=\"0\" "
        "ct=\"text/plain\" text=\"picture\"/></parts><addrs><addr "
        "address=\"555\" type=\"137\"/></addrs></mms>";
    QByteArray xml = "<smses>";
    for (int i = 0; i < total; ++i)
        xml += "<sms address=\"555\" type=\"1\" date=\"" + QByteArray::number(i * 1000 + 1) +
               "\" body=\"m" + QByteArray::number(i) + "\"/>" + (i == 3 ? mms : QByteArray());
    QTemporaryDir dir;
    XMLPreviewJob preview(writeFile(dir.filePath("big.xml"),
                                    xml + QByteArray(mms).replace("7000", "9000") + "</smses>"));
    QVERIFY(jobtest::runRecorded(preview).succeeded());
    QCOMPARE(preview.smsList().size(), XMLPreviewJob::FIRST_PAGE);
    const auto form = [&] {
        return std::make_unique<CSVPreviewForm>(preview.smsList(), dir.filePath("big.xml"),
                                                preview.totalCount());
    };
    auto picked = form();
    picked->show();
    QVERIFY(QTest::qWaitForWindowExposed(picked.get()));
    QCOMPARE(picked->findChild<QLabel*>("lbCSVTotal")->text(),
             QStringLiteral("Total:%1").arg(total));
    ctrlClickRows(*picked, {2, 0});
    picked->onmiImportSelectionToLocal();
    QCOMPARE(storedBodies(), (QStringList{"m2", "m0"}));
    auto all = form();
    press(*all, "btnImportToLocal");
    QCOMPARE(m_recorder->lastText(),
             QStringLiteral("Successfully import %1 SMS. Imported 2 MMS.").arg(total));
    QCOMPARE(storedBodies().size(), total + 2);
    // Restore all reads the file again, too; the phone takes no MMS.
    setConnection(phoneAddress, phoneAddress, false);
    const qsizetype before = m_phone.restoredRecords().size();
    press(*form(), "btnRestoreToAndroid");
    QCOMPARE(m_recorder->lastText(),
             QStringLiteral("Successfully restore %1 SMS to Android. Left out 2 MMS: the phone "
                            "takes SMS only.")
                 .arg(total));
    QTRY_COMPARE(restoredBodies(before).size(), total);
}

QTEST_MAIN(TestCSVPreviewForm)
#include "tst_csvpreviewform.moc"
