#include "gui/ui/IncomingMessages.h"

#include "core/store/IncomingSMSGate.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/StoreSMS.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/MyTreeView.h"
#include "gui/frame/WindowFocus.h"
#include "gui/ui/ConversationForm.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/MainWindow.h"

IncomingMessages::IncomingMessages(MainWindow& window)
    : QObject(&window), m_window(window), m_gate(new IncomingSMSGate(this))
{
    connect(m_gate, &IncomingSMSGate::stored, this, &IncomingMessages::show);
    connect(m_gate, &IncomingSMSGate::storeFailed, this, &showErrorOccurred);
}

void IncomingMessages::offer(const SMSInfo& sms)
{
    m_gate->offer(sms);
}

qsizetype IncomingMessages::heldCount() const
{
    return m_gate->heldCount();
}

void IncomingMessages::show(const SMSInfo& sms)
{
    // Stored all the same; after the close no chat window may open and keep the program alive.
    if (m_window.wasClosed())
        return;
    const QString suffix = conversationSuffix(sms.address);
    if (sms.isSend) {
        // The user's own message opens no chat; an open one shows it.
        noteMessage(sms);
        m_window.selectFirstContact();
        if (ConversationForm* chat = ConversationForm::conversation(suffix))
            chat->refreshHistory();
        return;
    }
    const int row = m_window.contactsModel()->rowOfSuffix(suffix);
    if (row < 0) {
        // A new conversation: it takes its place in the list and is selected, as a requery
        // of every conversation would do.
        noteMessage(sms);
        m_window.selectFirstContact();
    } else {
        const QModelIndex current = m_window.contactsView()->currentIndex();
        if (current.isValid() && current.row() == row)
            m_window.showConversation(suffix);
    }
    bringForward(&m_window);
    ConversationForm::openConversation(contactDisplayName(sms), sms.address, suffix);
}

void IncomingMessages::noteMessage(const SMSInfo& sms)
{
    try {
        m_window.contactsModel()->noteMessage(sms);
    } catch (const Sqlite3Exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}
