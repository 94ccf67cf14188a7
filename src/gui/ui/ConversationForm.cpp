#include "gui/ui/ConversationForm.h"

#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextEdit>
#include <QVBoxLayout>
#include <exception>
#include <memory>

#include "core/device/DeviceConnection.h"
#include "core/device/SendSMSThroughPhone.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/MMSStore.h"
#include "core/store/SMSQueryPageSource.h"
#include "core/store/Sqlite3Exception.h"
#include "gui/device/EnsureConnection.h"
#include "gui/frame/IMainWindow.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/frame/SendKey.h"
#include "gui/frame/WindowFocus.h"
#include "gui/ui/SmsBrowser.h"

namespace {

// Suffix -> its chat window. Used from the GUI thread only.
QHash<QString, std::shared_ptr<ConversationForm>>& windowTable()
{
    static QHash<QString, std::shared_ptr<ConversationForm>> table;
    return table;
}

} // namespace

ConversationForm::ConversationForm(const QString& address, const QString& suffix)
    : QDialog(nullptr), m_address(address), m_suffix(suffix)
{
    setObjectName(QStringLiteral("ConversationForm"));
    resize(600, 500);
    auto* layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("verticalLayout"));
    layout->setContentsMargins(2, 2, 2, 2);

    m_txtHistory = new SmsBrowser(this);
    m_txtHistory->setObjectName(QStringLiteral("txtHistory"));
    layout->addWidget(m_txtHistory);
    m_lbConversationStatus = new QLabel(this);
    m_lbConversationStatus->setObjectName(QStringLiteral("lbConversationStatus"));
    m_lbConversationStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_lbConversationStatus);
    m_txtSendSMS = new QTextEdit(this);
    m_txtSendSMS->setObjectName(QStringLiteral("txtSendSMS"));
    m_txtSendSMS->setAcceptRichText(false);
    m_txtSendSMS->setFixedHeight(150);
    layout->addWidget(m_txtSendSMS);

    auto* bottom = new QHBoxLayout();
    bottom->setObjectName(QStringLiteral("horizontalLayout"));
    bottom->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    auto* label = new QLabel(QStringLiteral("(Press Alt + Enter to send SMS)"), this);
    label->setObjectName(QStringLiteral("label"));
    bottom->addWidget(label);
    m_btnSendSMS = new QPushButton(QStringLiteral("Send"), this);
    m_btnSendSMS->setObjectName(QStringLiteral("btnSendSMS"));
    // Only Alt+Return (or the button itself) sends; Enter elsewhere must not press it.
    m_btnSendSMS->setAutoDefault(false);
    bottom->addWidget(m_btnSendSMS);
    layout->addLayout(bottom);

    m_txtSendSMS->installEventFilter(this);
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    connect(m_btnSendSMS, &QPushButton::pressed, this, &ConversationForm::onBtnSendSMSPressed);
}

void ConversationForm::openConversation(const QString& title, const QString& address,
                                        const QString& suffix)
{
    auto& table = windowTable();
    const auto found = table.constFind(suffix);
    if (found != table.constEnd()) {
        ConversationForm* form = found.value().get();
        form->refreshHistory();
        bringForward(form);
        return;
    }
    std::shared_ptr<ConversationForm> form(new ConversationForm(address, suffix));
    form->setWindowTitle(title);
    form->refreshHistory();
    table.insert(suffix, form);
    bringForward(form.get());
}

void ConversationForm::closeAllConversations()
{
    const auto& table = windowTable();
    for (const auto& form : table)
        form->reject();
}

void ConversationForm::releaseAllConversations()
{
    windowTable().clear();
}

ConversationForm* ConversationForm::conversation(const QString& suffix)
{
    const auto& table = windowTable();
    const auto found = table.constFind(suffix);
    return found == table.constEnd() ? nullptr : found.value().get();
}

int ConversationForm::conversationCount()
{
    return int(windowTable().size());
}

void ConversationForm::refreshHistory()
{
    try {
        m_txtHistory->setSource(std::make_shared<SMSQueryPageSource>(currentDatabaseShared(),
                                                                     conversationQuery(m_suffix)),
                                QString());
        m_lbConversationStatus->setText(tr("Total:%1").arg(m_txtHistory->messageCount()));
    } catch (const Sqlite3Exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}

bool ConversationForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_txtSendSMS && event->type() == QEvent::KeyPress) {
        if (isSendKey(static_cast<QKeyEvent*>(event))) {
            onBtnSendSMSPressed();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ConversationForm::onBtnSendSMSPressed()
{
    const QString text = m_txtSendSMS->toPlainText().trimmed();
    if (text.isEmpty()) {
        showWarning(tr("IDS_SEND_SMS_NO_CONTENT"));
        return;
    }
    // The phone sends SMS to one number: a group's joined address is none.
    if (!groupMembers(m_address, m_suffix).isEmpty()) {
        showWarning(tr("IDS_SEND_SMS_TO_GROUP"));
        return;
    }
    const std::shared_ptr<DeviceConnection> connection = ensureConnection(true);
    if (!connection)
        return;
    try {
        SMSInfo sent;
        if (!runInBackground(tr("Sending the message..."), [&] {
                sent = sendSMSThroughPhone(connection.get(), m_address, text);
            }))
            return;
        // Sent is sent: storing (now, or once the account is free) cannot undo it.
        if (IMainWindow* window = mainWindowInstance())
            window->messageSent(sent);
        showInformation(tr("IDS_SEND_SMS_SUC"));
        refreshHistory();
        m_txtSendSMS->clear();
    } catch (const std::exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}
