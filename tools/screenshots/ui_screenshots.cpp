// Fills a private account with generated conversations and saves pictures of the main window,
// a chat window and the search dialog (QWidget::grab) into the folder given as argument.
// Run on a real X server (scripts/screenshots.sh starts Xvfb).

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QTranslator>

#include "core/store/Accounts.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"
#include "core/store/WriteTransaction.h"
#include "gui/frame/IMainWindow.h"
#include "gui/frame/MyTreeView.h"
#include "gui/ui/ConversationForm.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/MainActions.h"
#include "gui/ui/MainWindow.h"
#include "gui/ui/SMSSearchForm.h"

namespace {

struct Contact
{
    const char* name;
    const char* number;
};

const Contact contacts[] = {
    {"Maria Keller", "+49 170 2345678"},
    {"Jonas Weber", "+49 151 9876543"},
    {"Sophie Laurent", "+33 6 98 76 54 32"},
    {"", "+44 7700 900456"},
    {"Lukas Brandt", "0176-5551234"},
    {"Emma Novak", "+420 601 234 567"},
    {"Dad", "+49 171 1112223"},
    {"", "DHL"},
    {"Clara Jansen", "+31 6 1234 5678"},
    {"Ben Fischer", "+49 160 7654321"},
    {"Yuki Tanaka", "+81 90 1234 5678"},
    {"", "Bank24"},
    {"Oliver Grant", "+1 415 555 0134"},
    {"Mia Schulz", "+49 152 3344556"},
};

const char* const bodies[] = {
    "Are we still on for dinner tonight?",    "Running 10 minutes late, sorry!",
    "Can you pick up bread on the way home?", "Happy birthday! Have a wonderful day!",
    "The meeting moved to 3 pm, room B.",     "Thanks for yesterday, it was great fun.",
    "Did you see the match last night?",      "Call me when you land.",
    "I left the keys with the neighbour.",    "Sounds good, see you at the station.",
    "Don't forget the tickets for Saturday.", "Can we move our call to Thursday?",
    "Just arrived, the hotel is lovely.",     "Lunch at the Italian place on Friday?",
};

const char* const serviceBodies[] = {
    "Your parcel will be delivered tomorrow between 9 and 12.",
    "Your parcel is waiting at the pick-up point on Hauptstrasse.",
    "Your code is 481 920. Do not share it.",
    "Card payment of 42.90 EUR approved.",
};

void fillAccount(Sqlite3DB* db)
{
    QRandomGenerator random(20261206);
    const QDateTime end(QDate(2026, 12, 5), QTime(18, 40));
    WriteTransaction transaction(db);
    const int contactCount = int(std::size(contacts));
    for (int i = 0; i < 1200; ++i) {
        const Contact& contact = contacts[random.bounded(contactCount)];
        SMSInfo sms;
        sms.address = QString::fromUtf8(contact.number);
        sms.person = QString::fromUtf8(contact.name);
        const bool service = sms.address.at(0).isLetter();
        sms.body =
            QString::fromUtf8(service ? serviceBodies[random.bounded(int(std::size(serviceBodies)))]
                                      : bodies[random.bounded(int(std::size(bodies)))]);
        sms.isSend = !service && random.bounded(2) == 1;
        sms.date = end.addSecs(-qint64(1200 - i) * 3300 - random.bounded(600));
        storeSMS(db, sms);
    }
    // A recent exchange for the conversation on show.
    const char* const chat[] = {
        "Are you coming to the concert on Saturday?", "Yes! I got two tickets. Shall we meet at 7?",
        "Perfect. At the main entrance?", "Main entrance at 7. Bring a jacket, it gets cold.",
        "Will do. Can't wait!"};
    for (int i = 0; i < 5; ++i) {
        SMSInfo sms;
        sms.address = QStringLiteral("+49 170 2345678");
        sms.person = QStringLiteral("Maria Keller");
        sms.body = QString::fromUtf8(chat[i]);
        sms.isSend = i % 2 == 1;
        sms.date = end.addSecs(60 * (i * 4 + 1));
        storeSMS(db, sms);
    }
    transaction.commit();
}

bool save(QWidget* widget, const QDir& out, const char* name)
{
    // Let the window system map and paint the widget first.
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
    const QString path = out.absoluteFilePath(QString::fromLatin1(name));
    const bool ok = widget->grab().save(path);
    qInfo("%s %s", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: ui_screenshots OUTPUT_FOLDER");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    app.setWindowIcon(QIcon(QStringLiteral(":/res/main_icon.png")));
    QTranslator translator;
    if (translator.load(QStringLiteral(":/en.qm"), QString(), QString(), QString()))
        QApplication::installTranslator(&translator);

    createAccountFile(QStringLiteral("Demo.db"));
    fillAccount(openAccountDatabase(QStringLiteral("Demo.db")));

    bool ok = true;
    {
        MainWindow window;
        setMainWindowInstance(&window);
        window.show();
        ok = save(&window, out, "main-window.png") && ok;

        window.onContactDoubleClicked(window.contactsModel()->index(0, 0));
        ConversationForm* chat =
            ConversationForm::conversation(window.contactsModel()->entries().first().suffix);
        chat->move(window.pos() + QPoint(220, 120));
        chat->replyEdit()->setPlainText(QStringLiteral("See you there!"));
        ok = save(chat, out, "chat-window.png") && ok;

        window.actions()->miSearch();
        window.actions()->searchForm()->keywordEdit()->setText(QStringLiteral("tickets"));
        window.actions()->searchForm()->onBtnSearchClicked();
        ok = save(window.actions()->searchForm(), out, "search-dialog.png") && ok;

        window.close();
        setMainWindowInstance(nullptr);
        ConversationForm::releaseAllConversations();
    }
    return ok ? 0 : 1;
}
