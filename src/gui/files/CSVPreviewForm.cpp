#include "gui/files/CSVPreviewForm.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/device/DeviceConnection.h"
#include "core/format/XMLBackupSource.h"
#include "core/frame/ProjectInfo.h"
#include "core/jobs/ImportJob.h"
#include "core/jobs/PhoneRestoreJob.h"
#include "core/jobs/XMLImportJob.h"
#include "core/store/SMSListSource.h"
#include "gui/device/EnsureConnection.h"
#include "gui/frame/IMainWindow.h"
#include "gui/frame/MyTreeView.h"
#include "gui/frame/ProgressForm.h"
#include "gui/frame/RunBehindDialog.h"

CSVPreviewForm::CSVPreviewForm(const QList<SMSInfo>& list, QWidget* parent)
    : CSVPreviewForm(list, QString(), int(list.size()), parent)
{}

CSVPreviewForm::CSVPreviewForm(const QList<SMSInfo>& firstPage, const QString& xmlFile, int total,
                               QWidget* parent)
    : QDialog(parent), m_model(firstPage), m_xmlFile(xmlFile), m_total(total)
{
    buildInterface();
    connect(m_btnImportToLocal, &QPushButton::pressed, this,
            &CSVPreviewForm::onBtnImportAllToLocalPressed);
    connect(m_btnRestoreToAndroid, &QPushButton::pressed, this,
            &CSVPreviewForm::onBtnRestoreToAndroidPressed);
    connect(m_listSMS, &MyTreeView::createContextMenu, this,
            &CSVPreviewForm::onSMSListCreateContextMenu);
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setWindowTitle(tr("IDS_FORM_TITLE_%1_PREVIEW_SMS")
                       .arg(QCoreApplication::translate("QObject", ProjectInfo::displayName)));
    m_listSMS->setModel(&m_model);
    m_lbCSVTotal->setText(tr("Total:%1").arg(m_total));
    const int widths[] = {130, 50, 100, 120};
    for (int column = 0; column < 4; ++column)
        m_listSMS->setColumnWidth(column, widths[column]);
}

void CSVPreviewForm::buildInterface()
{
    setObjectName(QStringLiteral("CSVPreviewForm"));
    resize(669, 596);

    auto* verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(2);
    verticalLayout->setContentsMargins(0, 0, 0, 0);

    auto* horizontalLayout = new QHBoxLayout();
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(10);
    verticalLayout->addLayout(horizontalLayout);

    m_lbCSVTotal = new QLabel(this);
    m_lbCSVTotal->setObjectName(QStringLiteral("lbCSVTotal"));
    m_lbCSVTotal->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_lbCSVTotal->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalLayout->addWidget(m_lbCSVTotal);

    m_btnImportToLocal = new QPushButton(tr("全部导入到本地数据库"), this);
    m_btnImportToLocal->setObjectName(QStringLiteral("btnImportToLocal"));
    horizontalLayout->addWidget(m_btnImportToLocal);

    m_btnRestoreToAndroid = new QPushButton(tr("全部还原到手机"), this);
    m_btnRestoreToAndroid->setObjectName(QStringLiteral("btnRestoreToAndroid"));
    horizontalLayout->addWidget(m_btnRestoreToAndroid);

    m_listSMS = new MyTreeView(this);
    m_listSMS->setObjectName(QStringLiteral("listSMS"));
    m_listSMS->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listSMS->setRootIsDecorated(false);
    verticalLayout->addWidget(m_listSMS);
}

void CSVPreviewForm::onBtnImportAllToLocalPressed()
{
    if (m_xmlFile.isEmpty()) {
        importToLocal(m_model.list());
        return;
    }
    XMLImportJob job(m_xmlFile);
    runImport(job);
}

void CSVPreviewForm::onBtnRestoreToAndroidPressed()
{
    if (m_xmlFile.isEmpty()) {
        SMSListSource source(m_model.list());
        restoreToAndroid(source);
        return;
    }
    XMLBackupSource source(m_xmlFile, m_total);
    restoreToAndroid(source);
}

void CSVPreviewForm::onSMSListCreateContextMenu()
{
    if (m_listSMS->selectionModel()->selectedIndexes().isEmpty())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("menuPreview"));
    connect(menu.addAction(tr("IDS_IMPORT_SELECTION_TO_LOCAL")), &QAction::triggered, this,
            &CSVPreviewForm::onmiImportSelectionToLocal);
    connect(menu.addAction(tr("IDS_RESTORE_SELECTION_TO_ANDROID")), &QAction::triggered, this,
            &CSVPreviewForm::onmiRestoreSelectionToAndroid);
    menu.exec(m_listSMS->menuPosition());
}

void CSVPreviewForm::onmiImportSelectionToLocal()
{
    importToLocal(selectedSMS());
}

void CSVPreviewForm::onmiRestoreSelectionToAndroid()
{
    SMSListSource source(selectedSMS());
    restoreToAndroid(source);
}

// One record per selected row, in the order the selection model reports them.
QList<SMSInfo> CSVPreviewForm::selectedSMS() const
{
    QList<SMSInfo> list;
    const QModelIndexList rows = m_listSMS->selectionModel()->selectedRows(0);
    for (const QModelIndex& row : rows)
        list.append(m_model.smsAt(row.row()));
    return list;
}

void CSVPreviewForm::importToLocal(const QList<SMSInfo>& list)
{
    ImportJob job(list);
    runImport(job);
}

void CSVPreviewForm::runImport(JobThread& job)
{
    ProgressForm form(tr("IDS_TITLS_IMPORTING_SMS"));
    runJob(form, job, [this](int result) {
        if (result != QDialog::Accepted)
            return;
        accept();
        if (IMainWindow* window = mainWindowInstance())
            window->reloadContacts();
    });
}

void CSVPreviewForm::restoreToAndroid(AbsSMSDataSource& source)
{
    if (!ensureConnection(true))
        return;
    ProgressForm form(tr("IDS_TITLE_RESTORE_SMS_TO_ANDROID"));
    PhoneRestoreJob job(&source);
    runJob(form, job, [this](int result) {
        if (result == QDialog::Accepted)
            accept();
    });
}
