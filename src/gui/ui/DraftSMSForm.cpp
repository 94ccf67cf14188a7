#include "gui/ui/DraftSMSForm.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QVBoxLayout>
#include <exception>

#include "core/device/DeviceConnection.h"
#include "core/device/SendSMSThroughPhone.h"
#include "core/frame/ProjectInfo.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3Exception.h"
#include "gui/device/EnsureConnection.h"
#include "gui/frame/IMainWindow.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/frame/SendKey.h"

DraftSMSForm::DraftSMSForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DraftSMSForm"));
    resize(512, 327);

    auto* area = new QWidget(this);
    area->setObjectName(QStringLiteral("layoutWidget"));
    area->setGeometry(20, 22, 471, 258);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* top = new QGridLayout();
    auto* label = new QLabel(QStringLiteral("Recipients:"), area);
    label->setObjectName(QStringLiteral("label"));
    m_txtRecipients = new QLineEdit(area);
    m_txtRecipients->setObjectName(QStringLiteral("txtRecipients"));
    auto* label2 = new QLabel(QStringLiteral("(Use Commas separate Multiple Recipients)"), area);
    label2->setObjectName(QStringLiteral("label_2"));
    auto* label3 = new QLabel(QStringLiteral("Content:"), area);
    label3->setObjectName(QStringLiteral("label_3"));
    top->addWidget(label, 0, 0);
    top->addWidget(m_txtRecipients, 0, 1);
    top->addWidget(label2, 1, 1);
    top->addWidget(label3, 2, 0, Qt::AlignTop);
    m_txtSMSContent = new QTextEdit(area);
    m_txtSMSContent->setObjectName(QStringLiteral("txtSMSContent"));
    m_txtSMSContent->setAcceptRichText(false);
    top->addWidget(m_txtSMSContent, 2, 1);
    layout->addLayout(top);

    auto* label4 = new QLabel(QStringLiteral("(Press Alt + Enter to send SMS)"), this);
    label4->setObjectName(QStringLiteral("label_4"));
    label4->setGeometry(119, 286, 291, 30);
    label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_btnSend = new QPushButton(QStringLiteral("Send"), this);
    m_btnSend->setObjectName(QStringLiteral("btnSend"));
    // Only Alt+Return (or the button itself) sends; Enter elsewhere must not press it.
    m_btnSend->setAutoDefault(false);
    m_btnSend->setGeometry(416, 290, 75, 23);

    m_listSearchResult = new QListWidget(this);
    m_listSearchResult->setObjectName(QStringLiteral("listSearchResult"));
    m_listSearchResult->setGeometry(113, 47, 377, 192);
    m_listSearchResult->hide();

    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(tr("%1 - Sending Message").arg(tr(ProjectInfo::displayName)));

    connect(m_txtRecipients, &QLineEdit::textChanged, this, &DraftSMSForm::onRecipientTextChanged);
    connect(m_listSearchResult, &QListWidget::itemClicked, this,
            &DraftSMSForm::onSearchResultItemClicked);
    connect(m_listSearchResult, &QListWidget::itemActivated, this,
            &DraftSMSForm::onSearchResultItemClicked);
    connect(m_btnSend, &QPushButton::pressed, this, &DraftSMSForm::onBtnSendPressed);
    m_txtSMSContent->installEventFilter(this);
    m_txtRecipients->installEventFilter(this);
}

QStringList DraftSMSForm::recipients(const QString& recipientsText)
{
    QStringList result;
    for (const QString& part : recipientsText.split(QLatin1Char(','))) {
        // Blanks around a recipient would become part of the stored address.
        if (!part.trimmed().isEmpty())
            result.append(part.trimmed());
    }
    return result;
}

QString DraftSMSForm::numberOf(const QString& recipient)
{
    static const QRegularExpression namedNumber(QStringLiteral("^[^()]+\\(([^()]+)\\)$"));
    const QRegularExpressionMatch match = namedNumber.match(recipient);
    return match.hasMatch() ? match.captured(1) : recipient;
}

QString DraftSMSForm::withChosenRecipient(const QString& recipientsText, const QString& entry)
{
    static const QRegularExpression lastFragment(QStringLiteral(",*[^,]+$"));
    QString text = recipientsText;
    const QRegularExpressionMatch match = lastFragment.match(text);
    if (match.hasMatch())
        text = text.left(match.capturedStart()) + QLatin1Char(',') + entry + QLatin1Char(',');
    if (text.startsWith(QLatin1Char(',')))
        text.remove(0, 1);
    return text;
}

void DraftSMSForm::onRecipientTextChanged(const QString& text)
{
    static const QRegularExpression fragmentAtEnd(QStringLiteral("([^,]+)$"));
    m_listSearchResult->hide();
    const QRegularExpressionMatch match = fragmentAtEnd.match(text);
    if (!match.hasMatch())
        return;
    try {
        const QStringList found = m_completer.matches(currentDatabase(), match.captured(1));
        if (found.isEmpty())
            return;
        m_listSearchResult->clear();
        m_listSearchResult->addItems(found);
        m_listSearchResult->show();
        m_listSearchResult->raise();
    } catch (const Sqlite3Exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}

void DraftSMSForm::onSearchResultItemClicked(QListWidgetItem* item)
{
    if (!item)
        return;
    const QString text = withChosenRecipient(m_txtRecipients->text(), item->text());
    m_txtRecipients->setText(text);
    m_txtRecipients->setCursorPosition(int(text.size()));
    m_listSearchResult->hide();
    m_txtRecipients->setFocus();
}

void DraftSMSForm::mousePressEvent(QMouseEvent* event)
{
    m_listSearchResult->hide();
    QDialog::mousePressEvent(event);
}

bool DraftSMSForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_txtSMSContent && event->type() == QEvent::KeyPress) {
        if (isSendKey(static_cast<QKeyEvent*>(event))) {
            onBtnSendPressed();
            return true;
        }
    }
    if (watched == m_txtRecipients && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down && m_listSearchResult->isVisible()) {
        // The completion list is reached from the keyboard; Enter there chooses.
        m_listSearchResult->setFocus();
        m_listSearchResult->setCurrentRow(0);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void DraftSMSForm::onBtnSendPressed()
{
    const QStringList targets = recipients(m_txtRecipients->text());
    if (targets.isEmpty()) {
        showWarning(tr("IDS_SEND_SMS_NO_RECIPIENTS"));
        return;
    }
    const QString content = m_txtSMSContent->toPlainText().trimmed();
    if (content.isEmpty()) {
        showWarning(tr("IDS_SEND_SMS_NO_SMS_CONTENT"));
        return;
    }
    const std::shared_ptr<DeviceConnection> connection = ensureConnection(true);
    if (!connection)
        return;
    QList<SMSInfo> sent;
    QString failure;
    bool finished = false;
    try {
        finished = runInBackground(tr("Sending the message..."), [&] {
            for (const QString& recipient : targets)
                sent.append(sendSMSThroughPhone(connection.get(), numberOf(recipient), content));
        });
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    // What the phone sent is stored however the rest went (now, or once the account is free).
    for (const SMSInfo& sms : std::as_const(sent)) {
        m_sent.append(sms);
        if (IMainWindow* window = mainWindowInstance())
            window->messageSent(sms);
    }
    if (finished) {
        showInformation(tr("IDS_SEND_SMS_SUC"));
        accept();
        return;
    }
    if (!failure.isEmpty())
        showErrorOccurred(failure);
    keepUnsentRecipients(targets, targets.mid(0, sent.size()));
}

void DraftSMSForm::keepUnsentRecipients(const QStringList& targets, const QStringList& sentTo)
{
    if (sentTo.isEmpty())
        return;
    const QStringList unsent = targets.mid(sentTo.size());
    // Sending again reaches only those still waiting for the message.
    m_txtRecipients->setText(unsent.join(QStringLiteral(", ")));
    m_listSearchResult->hide();
    showWarning(tr("IDS_SEND_SMS_SENT_TO_%1_NOT_SENT_TO_%2")
                    .arg(sentTo.join(QStringLiteral(", ")), unsent.join(QStringLiteral(", "))));
}
