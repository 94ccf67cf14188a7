#include "gui/ui/SMSSearchForm.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/frame/ProjectInfo.h"
#include "core/store/Accounts.h"
#include "core/store/MMSStore.h"
#include "core/store/SMSQueryPageSource.h"
#include "core/store/SearchQuery.h"
#include "core/store/Sqlite3Exception.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/ui/SmsBrowser.h"

SMSSearchForm::SMSSearchForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SMSSearchForm"));
    resize(704, 607);

    auto* outer = new QVBoxLayout(this);
    outer->setObjectName(QStringLiteral("verticalLayout"));
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(5);

    auto* row = new QHBoxLayout();
    row->setObjectName(QStringLiteral("horizontalLayout"));
    row->setContentsMargins(9, 5, 9, 2);
    auto* label = new QLabel(QStringLiteral("Keyword:"), this);
    label->setObjectName(QStringLiteral("label"));
    m_txtKeyword = new QLineEdit(this);
    m_txtKeyword->setObjectName(QStringLiteral("txtKeyword"));
    auto* label2 = new QLabel(QStringLiteral("Folder:"), this);
    label2->setObjectName(QStringLiteral("label_2"));
    m_cbFolder = new QComboBox(this);
    m_cbFolder->setObjectName(QStringLiteral("cbFolder"));
    m_cbFolder->addItems(
        {QStringLiteral("ALL"), QStringLiteral("Inbox"), QStringLiteral("Sented Box")});
    m_btnSearch = new QPushButton(QStringLiteral("Search"), this);
    m_btnSearch->setObjectName(QStringLiteral("btnSearch"));
    row->addWidget(label);
    row->addWidget(m_txtKeyword);
    row->addWidget(label2);
    row->addWidget(m_cbFolder);
    row->addWidget(m_btnSearch);
    outer->addLayout(row);

    m_browserSMS = new SmsBrowser(this);
    m_browserSMS->setObjectName(QStringLiteral("browserSMS"));
    outer->addWidget(m_browserSMS);

    m_lbConversationStatus = new QLabel(this);
    m_lbConversationStatus->setObjectName(QStringLiteral("lbConversationStatus"));
    m_lbConversationStatus->setMinimumHeight(20);
    m_lbConversationStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    outer->addWidget(m_lbConversationStatus);

    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    connect(m_btnSearch, &QPushButton::pressed, this, &SMSSearchForm::onBtnSearchClicked);
    setWindowTitle(tr("%1-Search SMS").arg(tr(ProjectInfo::displayName)));
}

void SMSSearchForm::onBtnSearchClicked()
{
    const QString keyword = m_txtKeyword->text().trimmed();
    try {
        // Only the count and the page on screen are read; the other pages when shown. The count
        // is the search itself: a short keyword reads every message, so it runs on a worker
        // (with Cancel once it takes a while), and a cancel keeps the results shown before.
        const SearchFolder folder = SearchFolder(m_cbFolder->currentIndex());
        const auto source = std::make_shared<SMSQueryPageSource>(currentDatabaseShared(),
                                                                 searchQuery(keyword, folder));
        qint64 mms = 0;
        const auto search = [&source, &mms, &keyword, folder] {
            source->count();
            mms = countMMSIn(currentDatabase(), searchStatement(keyword, folder));
        };
        if (!runInBackground(tr("IDS_SEARCHING"), search, SHOW_BUSY_AFTER_MS))
            return;
        m_browserSMS->setSource(source, keyword);
        const qint64 found = m_browserSMS->messageCount();
        const QLocale english(QLocale::English);
        m_lbConversationStatus->setText(
            mms == 0 ? tr("Total:%1").arg(found)
                     : tr("IDS_SEARCH_TOTAL_%1_SMS_%2_MMS")
                           .arg(english.toString(found - mms), english.toString(mms)));
        if (found == 0)
            showInformation(tr("IDS_CAN_NOT_FIND_ANY_SMS"));
    } catch (const Sqlite3Exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}
