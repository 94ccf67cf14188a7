#include <QContextMenuEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include "UiTestSupport.h"
#include "app/EscapeHtml.h"
#include "ui/ItemModelContacts.h"
#include "ui/MyTreeView.h"
#include "ui/SmsBrowser.h"

using namespace uitest;

namespace {

QList<SMSInfo> numberedMessages(int count)
{
    QList<SMSInfo> list;
    for (int i = 0; i < count; ++i)
        list.append(message(QStringLiteral("555"), QStringLiteral("Anna"),
                            QStringLiteral("message %1").arg(i + 1), 1600000000 + i));
    return list;
}

const QString highlightOpen = QStringLiteral("<span style=\"background-color:yellow;\">");

} // namespace

class TestUiViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void emptyAccountHasNoContacts();
    void contactsNewestFirstWithDisplayTexts();
    void greatestNameAndAddressOfAConversation();
    void modelShape();
    void reloadDropsIndexesIntoTheOldList();
    void treeViewSignals();

    void hundredMessagesMakeOnePage();
    void hundredAndOneMessagesOpenOnTheSecondPage();
    void pageLinksMoveAndScroll();
    void emptyListClearsTheView();
    void bodiesAreEscaped();
    void sentMessagesShowRecipient();
    void highlightInAnyLetterCase();
    void highlightLeavesMarkupAlone_data();
    void highlightLeavesMarkupAlone();
    void highlightOfEscapedCharacters();

private:
    std::unique_ptr<Environment> m_env;
};

void TestUiViews::initTestCase()
{
    m_env = std::make_unique<Environment>();
    openFreshAccount(QStringLiteral("views.db"));
}

void TestUiViews::init()
{
    clearMessages();
}

void TestUiViews::emptyAccountHasNoContacts()
{
    ItemModelContacts model;
    model.reload();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.index(0, 0).isValid());
}

void TestUiViews::contactsNewestFirstWithDisplayTexts()
{
    store(message(QStringLiteral("555"), QStringLiteral("Anna"), QStringLiteral("a"), 1000));
    store(message(QStringLiteral("777"), QString(), QStringLiteral("b"), 3000));
    store(message(QString(), QString(), QStringLiteral("c"), 2000));
    store(message(QStringLiteral("555"), QString(), QStringLiteral("d"), 1500, true));

    ItemModelContacts model;
    model.reload();
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("777"));
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("Unknown"));
    QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("Anna(555)"));
    QCOMPARE(model.entries().at(2).suffix, QStringLiteral("555"));
    QCOMPARE(model.entries().at(1).suffix, QString());
    QCOMPARE(model.rowOfSuffix(QStringLiteral("777")), 0);
    QCOMPARE(model.rowOfSuffix(QStringLiteral("999")), -1);
}

void TestUiViews::greatestNameAndAddressOfAConversation()
{
    // One conversation, written two ways, with two names.
    store(message(QStringLiteral("+49 170 1234567"), QStringLiteral("Bob"), QStringLiteral("x"),
                  1000));
    store(
        message(QStringLiteral("0170-1234567"), QStringLiteral("Anna"), QStringLiteral("y"), 2000));
    ItemModelContacts model;
    model.reload();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("Bob(0170-1234567)"));
    QCOMPARE(model.entries().first().suffix, QStringLiteral("701234567"));
}

void TestUiViews::modelShape()
{
    store(message(QStringLiteral("555"), QString(), QStringLiteral("a"), 1000));
    ItemModelContacts model;
    model.reload();
    const QModelIndex first = model.index(0, 0);
    QVERIFY(first.isValid());
    QCOMPARE(model.columnCount(), 1);
    QCOMPARE(model.rowCount(first), 0);
    QVERIFY(!model.parent(first).isValid());
    QVERIFY(!model.index(0, 1).isValid());
    QVERIFY(!model.index(1, 0).isValid());
    QVERIFY(!model.headerData(0, Qt::Horizontal).isValid());
    QVERIFY(!model.data(first, Qt::ToolTipRole).isValid());
    QVERIFY(!model.data(first, Qt::DecorationRole).value<QIcon>().isNull());
    const auto* entry = static_cast<const ContactEntry*>(first.internalPointer());
    QCOMPARE(entry->address, QStringLiteral("555"));
}

void TestUiViews::reloadDropsIndexesIntoTheOldList()
{
    for (int i = 0; i < 5; ++i)
        store(message(QString::number(100 + i), QString(), QStringLiteral("m"), 1000 + i));
    ItemModelContacts model;
    model.reload();
    MyTreeView view;
    view.setModel(&model);
    view.setCurrentIndex(model.index(4, 0));
    currentDatabase()->executeThrow(Sqlite3Sql("delete from sms where address <> '104'"));
    model.reload();
    QCOMPARE(model.rowCount(), 1);
    // No index may point past the new list.
    QVERIFY(!view.currentIndex().isValid() || view.currentIndex().row() < model.rowCount());
}

void TestUiViews::treeViewSignals()
{
    store(message(QStringLiteral("555"), QString(), QStringLiteral("a"), 1000));
    ItemModelContacts model;
    model.reload();
    MyTreeView view;
    view.setModel(&model);
    QSignalSpy menus(&view, &MyTreeView::createContextMenu);
    QSignalSpy selections(&view, &MyTreeView::onSelectionChanged);
    view.setCurrentIndex(model.index(0, 0));
    QCOMPARE(selections.count(), 1);
    QContextMenuEvent mouse(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QCoreApplication::sendEvent(view.viewport(), &mouse);
    QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(5, 5), QPoint(5, 5));
    // The menu key reaches the focused view itself, a right click its viewport.
    QCoreApplication::sendEvent(&view, &keyboard);
    QCOMPARE(menus.count(), 2);
}

void TestUiViews::hundredMessagesMakeOnePage()
{
    SmsBrowser browser;
    browser.setSMSList(numberedMessages(100), QString());
    QCOMPARE(browser.pageCount(), 1);
    QCOMPARE(browser.currentPage(), 1);
    const QString html = browser.toHtml();
    QVERIFY(!html.contains(QStringLiteral("/pre_page")));
    QVERIFY(!html.contains(QStringLiteral("/next_page")));
    QVERIFY(browser.toPlainText().contains(QStringLiteral("message 1\n")));
    QVERIFY(browser.toPlainText().contains(QStringLiteral("message 100\n")));
}

void TestUiViews::hundredAndOneMessagesOpenOnTheSecondPage()
{
    SmsBrowser browser;
    browser.setSMSList(numberedMessages(101), QString());
    QCOMPARE(browser.pageCount(), 2);
    QCOMPARE(browser.currentPage(), 2);
    const QString html = browser.toHtml();
    QVERIFY(html.contains(QStringLiteral("href=\"/pre_page\"")));
    QVERIFY(!html.contains(QStringLiteral("/next_page")));
    const QString text = browser.toPlainText();
    QVERIFY(text.contains(QStringLiteral("<<Previous Page")));
    QVERIFY(text.contains(QStringLiteral("message 101")));
    QVERIFY(!text.contains(QStringLiteral("message 100\n")));
    QVERIFY(browser.textCursor().atEnd());
}

void TestUiViews::pageLinksMoveAndScroll()
{
    SmsBrowser browser;
    browser.setSMSList(numberedMessages(250), QString());
    QCOMPARE(browser.currentPage(), 3);
    browser.onSourceChanged(QUrl(QStringLiteral("/pre_page")));
    QCOMPARE(browser.currentPage(), 2);
    QVERIFY(browser.textCursor().atEnd());
    QVERIFY(browser.toHtml().contains(QStringLiteral("/next_page")));
    QVERIFY(browser.toHtml().contains(QStringLiteral("/pre_page")));
    QVERIFY(browser.toPlainText().contains(QStringLiteral("message 101\n")));
    QVERIFY(browser.toPlainText().contains(QStringLiteral("message 200\n")));
    browser.onSourceChanged(QUrl(QStringLiteral("/pre_page")));
    browser.onSourceChanged(QUrl(QStringLiteral("/pre_page"))); // already on the first page
    QCOMPARE(browser.currentPage(), 1);
    QVERIFY(!browser.toHtml().contains(QStringLiteral("/pre_page")));
    browser.onSourceChanged(QUrl(QStringLiteral("/next_page")));
    QCOMPARE(browser.currentPage(), 2);
    QVERIFY(browser.textCursor().atStart());
    browser.onSourceChanged(QUrl(QStringLiteral("/elsewhere")));
    QCOMPARE(browser.currentPage(), 2);
    // A click on the link reaches the same slot.
    emit browser.anchorClicked(QUrl(QStringLiteral("/next_page")));
    QCOMPARE(browser.currentPage(), 3);
}

void TestUiViews::emptyListClearsTheView()
{
    SmsBrowser browser;
    browser.setSMSList(numberedMessages(3), QString());
    browser.setSMSList({}, QString());
    QCOMPARE(browser.pageCount(), 0);
    QVERIFY(browser.toPlainText().isEmpty());
}

void TestUiViews::bodiesAreEscaped()
{
    QCOMPARE(SmsBrowser::highlightedHtml(QStringLiteral("<b>x</b> & y\nz"), QString()),
             QStringLiteral("&lt;b&gt;x&lt;/b&gt; &amp; y<br/>z"));
    SmsBrowser browser;
    browser.setSMSList({message(QStringLiteral("<i>555</i>"), QString(),
                                QStringLiteral("<b>bold</b> &amp; co\nsecond line"), 1000)},
                       QString());
    const QString text = browser.toPlainText();
    QVERIFY(text.contains(QStringLiteral("<i>555</i>:")));
    QVERIFY(text.contains(QStringLiteral("<b>bold</b> &amp; co\nsecond line")));
}

void TestUiViews::sentMessagesShowRecipient()
{
    SmsBrowser browser;
    const QDateTime date = QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7));
    SMSInfo sent = message(QStringLiteral("555"), QStringLiteral("Anna"), QStringLiteral("hi"),
                           date.toSecsSinceEpoch(), true);
    SMSInfo received = sent;
    received.isSend = false;
    browser.setSMSList({sent, received}, QString());
    const QString text = browser.toPlainText();
    QVERIFY(text.contains(QStringLiteral("To Anna(555): hi\nsent:2021-03-04 05:06:07")));
    QVERIFY(text.contains(QStringLiteral("\nAnna(555): hi\nsent:2021-03-04 05:06:07")));
    const QString html = browser.toHtml();
    QVERIFY(html.contains(QStringLiteral("#008040"))); // the sent colour
    QVERIFY(html.contains(QStringLiteral("#0000ff"), Qt::CaseInsensitive));
}

void TestUiViews::highlightInAnyLetterCase()
{
    SmsBrowser browser;
    browser.setSMSList({message(QStringLiteral("555"), QStringLiteral("HELLO Kitty"),
                                QStringLiteral("Hello and hElLo"), 1000)},
                       QStringLiteral("hello"));
    QCOMPARE(
        SmsBrowser::highlightedHtml(QStringLiteral("Hello and hElLo"), QStringLiteral("hello")),
        highlightOpen + QStringLiteral("hello</span> and ") + highlightOpen +
            QStringLiteral("hello</span>"));
    // Shown in the keyword's letter case, in names too.
    QVERIFY(browser.toPlainText().contains(QStringLiteral("hello Kitty(555): hello and hello")));
    QCOMPARE(browser.toHtml().count(QStringLiteral("background-color:#ffff00")), 3);
}

void TestUiViews::highlightLeavesMarkupAlone_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::newRow("amp") << QStringLiteral("amp");
    QTest::newRow("lt") << QStringLiteral("lt");
    QTest::newRow("gt") << QStringLiteral("gt");
    QTest::newRow("br") << QStringLiteral("br");
    QTest::newRow("span") << QStringLiteral("span");
    QTest::newRow("class") << QStringLiteral("class");
    QTest::newRow("semicolon") << QStringLiteral(";");
}

void TestUiViews::highlightLeavesMarkupAlone()
{
    QFETCH(QString, keyword);
    const QString body = QStringLiteral("Tom & Jerry <3\nsee you");
    // The keyword is nowhere in the visible text: the markup is the plain escaped text.
    QCOMPARE(SmsBrowser::highlightedHtml(body, keyword), escapeHtml(body));
    SmsBrowser browser;
    browser.setSMSList({message(QStringLiteral("555"), QString(), body, 1000)}, keyword);
    QVERIFY(browser.toPlainText().contains(QStringLiteral("Tom & Jerry <3\nsee you")));
    QVERIFY(!browser.toHtml().contains(QStringLiteral("#ffff00")));
}

void TestUiViews::highlightOfEscapedCharacters()
{
    QCOMPARE(SmsBrowser::highlightedHtml(QStringLiteral("a & b"), QStringLiteral("&")),
             QStringLiteral("a ") + highlightOpen + QStringLiteral("&amp;</span> b"));
    QCOMPARE(SmsBrowser::highlightedHtml(QStringLiteral("x<y"), QStringLiteral("<Y")),
             QStringLiteral("x") + highlightOpen + QStringLiteral("&lt;Y</span>"));
    SmsBrowser browser;
    browser.setSMSList(
        {message(QStringLiteral("555"), QString(), QStringLiteral("R&D <team>"), 1000)},
        QStringLiteral("&d <t"));
    QCOMPARE(browser.highlightKeyword(), QStringLiteral("&amp;d &lt;t"));
    QVERIFY(browser.toPlainText().contains(QStringLiteral("R&d <team>")));
}

QTEST_MAIN(TestUiViews)
#include "tst_uiviews.moc"
