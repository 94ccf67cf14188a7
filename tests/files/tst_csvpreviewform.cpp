// The preview dialog: its widgets and model, selection order, import all, the context menu,
// and restoring to the phone simulator (127.0.0.60) or without a connection.

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTranslator>
#include <QTreeView>
#include <QtTest>

#include "PhoneSimProcess.h"
#include "app/IMainWindow.h"
#include "common/DialogRecorder.h"
#include "device/DeviceConnection.h"
#include "files/CSVPreviewForm.h"
#include "files/FilesTestSupport.h"
#include "sync/SyncTimings.h"

using namespace filestest;

namespace {

const QString phoneAddress = QStringLiteral("127.0.0.60");

class FakeMainWindow : public IMainWindow
{
public:
    void reloadContacts() override { ++reloads; }
    void startBackupFromPhone() override {}
    void showConversation(const QString&) override {}
    int reloads = 0;
};

QStringList storedBodies()
{
    QStringList bodies;
    Sqlite3Cursor rows =
        currentDatabase()->queryThrow(Sqlite3Sql("select body from sms order by sms_id"));
    while (rows.moveNext())
        bodies.append(rows.getText("body"));
    return bodies;
}

QStringList restoredBodies(const QStringList& records)
{
    QStringList bodies;
    for (const QString& record : records)
        bodies.append(QString::fromUtf8(
            QByteArray::fromBase64(record.split(QLatin1Char(',')).value(3).toLatin1())));
    return bodies;
}

QTreeView* listOf(CSVPreviewForm& form)
{
    return form.findChild<QTreeView*>(QStringLiteral("listSMS"));
}

void ctrlClickRow(CSVPreviewForm& form, int row)
{
    QTreeView* list = listOf(form);
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
}

// Watches for a popup menu while `action` runs; returns the texts of its entries (empty when
// none opened) and lets `onMenu` act on it.
QStringList menuDuring(const std::function<void()>& action,
                       const std::function<void(QMenu*)>& onMenu)
{
    QStringList texts;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            poll.stop();
            for (QAction* entry : menu->actions())
                texts.append(entry->text());
            onMenu(menu);
        }
    });
    poll.start(10);
    action();
    QTest::qWait(50);
    return texts;
}

} // namespace

class TestCSVPreviewForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void widgetsAndModel();
    void modelShape();
    void emptyPreviewImportsNothing();
    void importAllClosesAndReloads();
    void failedImportKeepsDialogOpen();
    void selectionOrderIsKept();
    void contextMenuOnlyWithSelection();
    void restoreAllToPhone();
    void restoreSelectionToPhone();
    void restoreWithoutConnectionDoesNothing();

private:
    QTemporaryDir m_home;
    QTranslator m_translator;
    std::unique_ptr<DialogRecorder> m_recorder;
    FakeMainWindow m_window;
    tbtest::PhoneSimProcess m_phone;
    int m_account = 0;
};

void TestCSVPreviewForm::initTestCase()
{
    storetest::isolateHome(m_home);
    QVERIFY(m_translator.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_translator);
    SyncTimings::setForTests(0, 0);
    setMainWindowInstance(&m_window);
}

void TestCSVPreviewForm::init()
{
    m_recorder = std::make_unique<DialogRecorder>();
    m_window.reloads = 0;
    QVERIFY(openFreshAccount(QStringLiteral("preview%1.db").arg(++m_account)));
}

void TestCSVPreviewForm::cleanup()
{
    m_recorder.reset();
}

void TestCSVPreviewForm::widgetsAndModel()
{
    const QList<SMSInfo> list = {makeSMS("555", "Ann", "hello", true, at(2012, 3, 4, 5, 6, 7)),
                                 makeSMS("777", "", "world", false, at(2013, 1, 2, 3, 4, 5))};
    CSVPreviewForm form(list);
    QCOMPARE(form.objectName(), QStringLiteral("CSVPreviewForm"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallowbrook - Preview CSV File"));
    QCOMPARE(form.size(), QSize(669, 596));
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    QCOMPARE(form.findChild<QLabel*>("lbCSVTotal")->text(), QStringLiteral("Total:2"));
    QCOMPARE(form.findChild<QPushButton*>("btnImportToLocal")->text(),
             QStringLiteral("Import all SMS to Local Database."));
    QCOMPARE(form.findChild<QPushButton*>("btnRestoreToAndroid")->text(),
             QStringLiteral("Restore all SMS to Android."));
    QTreeView* view = listOf(form);
    QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(view->columnWidth(0), 130);
    QCOMPARE(view->columnWidth(1), 50);
    QCOMPARE(view->columnWidth(2), 100);
    QCOMPARE(view->columnWidth(3), 120);
    const QAbstractItemModel* model = view->model();
    QStringList headers;
    for (int c = 0; c < 5; ++c)
        headers.append(model->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(headers, (QStringList{"Date", "Flag", "Name", "Phone Number", "Message"}));
    QStringList row;
    for (int c = 0; c < 5; ++c)
        row.append(model->index(0, c).data().toString());
    QCOMPARE(row, (QStringList{"2012-03-04 05:06:07", "To", "Ann", "555", "hello"}));
    QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("From"));
    QCOMPARE(model->index(1, 4).data(Qt::ToolTipRole).toString(), QStringLiteral("world"));
}

void TestCSVPreviewForm::modelShape()
{
    ItemModelSMSPreview model(generated(3));
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 5);
    QVERIFY(!model.index(3, 0).isValid());
    QVERIFY(!model.index(0, 5).isValid());
    QVERIFY(!model.index(-1, 0).isValid());
    const QModelIndex first = model.index(0, 0);
    QCOMPARE(model.rowCount(first), 0);
    QVERIFY(!model.parent(first).isValid());
    QVERIFY(!model.index(0, 0, first).isValid());
    QVERIFY(!first.data(Qt::EditRole).isValid());
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
    QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
    QVERIFY(!(model.flags(first) & Qt::ItemIsEditable));
}

void TestCSVPreviewForm::emptyPreviewImportsNothing()
{
    CSVPreviewForm form({});
    QCOMPARE(form.findChild<QLabel*>("lbCSVTotal")->text(), QStringLiteral("Total:0"));
    form.show();
    form.findChild<QPushButton*>("btnImportToLocal")->pressed();
    QCOMPARE(m_recorder->lastText(), QStringLiteral("Successfully import 0 SMS."));
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(!form.isVisible());
}

void TestCSVPreviewForm::importAllClosesAndReloads()
{
    CSVPreviewForm form(generated(4));
    form.show();
    form.findChild<QPushButton*>("btnImportToLocal")->pressed();
    QCOMPARE(storedBodies(), (QStringList{"msg 0", "msg 1", "msg 2", "msg 3"}));
    QCOMPARE(m_recorder->lastText(), QStringLiteral("Successfully import 4 SMS."));
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(m_window.reloads, 1);
}

void TestCSVPreviewForm::failedImportKeepsDialogOpen()
{
    QList<SMSInfo> list = generated(2);
    list.append(makeSMS("1", "", "undated", false, QDateTime()));
    CSVPreviewForm form(list);
    form.show();
    form.findChild<QPushButton*>("btnImportToLocal")->pressed();
    QCOMPARE(m_recorder->messages.size(), 1);
    QCOMPARE(m_recorder->messages.first().icon, QMessageBox::Critical);
    QVERIFY(form.isVisible());
    QCOMPARE(m_window.reloads, 0);
    QVERIFY(storedBodies().isEmpty());
}

void TestCSVPreviewForm::selectionOrderIsKept()
{
    CSVPreviewForm form(generated(12));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (int row : {5, 2, 9})
        ctrlClickRow(form, row);
    form.onmiImportSelectionToLocal();
    QCOMPARE(storedBodies(), (QStringList{"msg 5", "msg 2", "msg 9"}));
    QCOMPARE(m_recorder->lastText(), QStringLiteral("Successfully import 3 SMS."));
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestCSVPreviewForm::contextMenuOnlyWithSelection()
{
    CSVPreviewForm form(generated(6));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTreeView* view = listOf(form);
    const QPoint at = view->visualRect(view->model()->index(1, 0)).center();
    const auto rightClick = [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &event);
    };

    const QStringList none = menuDuring(rightClick, [](QMenu* menu) { menu->close(); });
    QVERIFY(none.isEmpty());

    ctrlClickRow(form, 4);
    ctrlClickRow(form, 1);
    const QStringList entries = menuDuring(rightClick, [](QMenu* menu) {
        menu->setActiveAction(menu->actions().first());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QCOMPARE(entries, (QStringList{"Import selected SMS to Local Database",
                                   "Restore selected SMS to Android"}));
    QTRY_COMPARE(storedBodies(), (QStringList{"msg 4", "msg 1"}));
    QCOMPARE(m_window.reloads, 1);
}

void TestCSVPreviewForm::restoreAllToPhone()
{
    if (!m_phone.isRunning())
        QVERIFY2(m_phone.start(phoneAddress), qPrintable(m_phone.errorText()));
    setConnection(phoneAddress, phoneAddress, false);
    const qsizetype before = m_phone.restoredRecords().size();
    CSVPreviewForm form(generated(3, "to phone"));
    form.show();
    form.findChild<QPushButton*>("btnRestoreToAndroid")->pressed();
    QCOMPARE(m_recorder->lastText(), QStringLiteral("Successfully restore 3 SMS to Android."));
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QTRY_COMPARE(restoredBodies(m_phone.restoredRecords().mid(before)),
                 (QStringList{"to phone 0", "to phone 1", "to phone 2"}));
    QVERIFY(storedBodies().isEmpty());
    QCOMPARE(m_window.reloads, 0);
}

void TestCSVPreviewForm::restoreSelectionToPhone()
{
    if (!m_phone.isRunning())
        QVERIFY2(m_phone.start(phoneAddress), qPrintable(m_phone.errorText()));
    setConnection(phoneAddress, phoneAddress, false);
    const qsizetype before = m_phone.restoredRecords().size();
    CSVPreviewForm form(generated(5, "picked"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    ctrlClickRow(form, 3);
    ctrlClickRow(form, 0);
    form.onmiRestoreSelectionToAndroid();
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QTRY_COMPARE(restoredBodies(m_phone.restoredRecords().mid(before)),
                 (QStringList{"picked 3", "picked 0"}));
}

void TestCSVPreviewForm::restoreWithoutConnectionDoesNothing()
{
    clearConnection();
    CSVPreviewForm form(generated(2));
    form.show();
    bool asked = false;
    whenModal(QStringLiteral("ConnectionForm"), [&](QWidget* dialog) {
        asked = true;
        static_cast<QDialog*>(dialog)->reject();
    });
    form.findChild<QPushButton*>("btnRestoreToAndroid")->pressed();
    QVERIFY(asked);
    QVERIFY(form.isVisible());
    QVERIFY(m_recorder->messages.isEmpty());
}

QTEST_MAIN(TestCSVPreviewForm)
#include "tst_csvpreviewform.moc"
