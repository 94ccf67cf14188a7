#include "gui/files/CSVPreviewForm.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/device/DeviceConnection.h"
#include "core/files/LocalRestoreThread.h"
#include "core/frame/ProjectInfo.h"
#include "core/store/SMSListSource.h"
#include "core/sync/SyncBackupThread.h"
#include "gui/device/EnsureConnection.h"
#include "gui/frame/IMainWindow.h"
#include "gui/frame/JobRunner.h"
#include "gui/frame/MyTreeView.h"
#include "gui/frame/ProgressForm.h"

CSVPreviewForm::CSVPreviewForm(const QList<SMSInfo>& list, QWidget* parent)
    : QDialog(parent), m_model(list)
{
    buildInterface();
    connect(btnImportToLocal, &QPushButton::pressed, this,
            &CSVPreviewForm::onBtnImportAllToLocalPressed);
    connect(btnRestoreToAndroid, &QPushButton::pressed, this,
            &CSVPreviewForm::onBtnRestoreToAndroidPressed);
    connect(listSMS, &MyTreeView::createContextMenu, this,
            &CSVPreviewForm::onSMSListCreateContextMenu);
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setWindowTitle(tr("IDS_FORM_TITLE_%1_PREVIEW_SMS")
                       .arg(QCoreApplication::translate("QObject", ProjectInfo::displayName)));
    listSMS->setModel(&m_model);
    lbCSVTotal->setText(tr("Total:%1").arg(m_model.rowCount()));
    const int widths[] = {130, 50, 100, 120};
    for (int column = 0; column < 4; ++column)
        listSMS->setColumnWidth(column, widths[column]);
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

    lbCSVTotal = new QLabel(this);
    lbCSVTotal->setObjectName(QStringLiteral("lbCSVTotal"));
    lbCSVTotal->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    lbCSVTotal->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalLayout->addWidget(lbCSVTotal);

    btnImportToLocal = new QPushButton(tr("全部导入到本地数据库"), this);
    btnImportToLocal->setObjectName(QStringLiteral("btnImportToLocal"));
    horizontalLayout->addWidget(btnImportToLocal);

    btnRestoreToAndroid = new QPushButton(tr("全部还原到手机"), this);
    btnRestoreToAndroid->setObjectName(QStringLiteral("btnRestoreToAndroid"));
    horizontalLayout->addWidget(btnRestoreToAndroid);

    listSMS = new MyTreeView(this);
    listSMS->setObjectName(QStringLiteral("listSMS"));
    listSMS->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listSMS->setRootIsDecorated(false);
    verticalLayout->addWidget(listSMS);
}

void CSVPreviewForm::onBtnImportAllToLocalPressed()
{
    importToLocal(m_model.list());
}

void CSVPreviewForm::onBtnRestoreToAndroidPressed()
{
    restoreToAndroid(m_model.list());
}

void CSVPreviewForm::onSMSListCreateContextMenu()
{
    if (listSMS->selectionModel()->selectedIndexes().isEmpty())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("menuPreview"));
    connect(menu.addAction(tr("IDS_IMPORT_SELECTION_TO_LOCAL")), &QAction::triggered, this,
            &CSVPreviewForm::onmiImportSelectionToLocal);
    connect(menu.addAction(tr("IDS_RESTORE_SELECTION_TO_ANDROID")), &QAction::triggered, this,
            &CSVPreviewForm::onmiRestoreSelectionToAndroid);
    menu.exec(listSMS->menuPosition());
}

void CSVPreviewForm::onmiImportSelectionToLocal()
{
    importToLocal(selectedSMS());
}

void CSVPreviewForm::onmiRestoreSelectionToAndroid()
{
    restoreToAndroid(selectedSMS());
}

// One record per selected row, in the order the selection model reports them.
QList<SMSInfo> CSVPreviewForm::selectedSMS() const
{
    QList<SMSInfo> list;
    const QModelIndexList rows = listSMS->selectionModel()->selectedRows(0);
    for (const QModelIndex& row : rows)
        list.append(m_model.smsAt(row.row()));
    return list;
}

void CSVPreviewForm::importToLocal(const QList<SMSInfo>& list)
{
    ProgressForm form(tr("IDS_TITLS_IMPORTING_SMS"));
    LocalRestoreThread job(list);
    runJob(form, job, [this](int result) {
        if (result != QDialog::Accepted)
            return;
        accept();
        if (IMainWindow* window = mainWindowInstance())
            window->reloadContacts();
    });
}

void CSVPreviewForm::restoreToAndroid(const QList<SMSInfo>& list)
{
    if (!ensureConnection(true))
        return;
    ProgressForm form(tr("IDS_TITLE_RESTORE_SMS_TO_ANDROID"));
    SMSListSource source(list);
    SyncBackupThread job(&source);
    runJob(form, job, [this](int result) {
        if (result == QDialog::Accepted)
            accept();
    });
}
