#include "gui/frame/BusyDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/frame/ProjectInfo.h"

BusyDialog::BusyDialog(const QString& text, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      m_lbText(new QLabel(text, this)), m_btnCancel(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("BusyDialog"));
    setWindowTitle(tr(ProjectInfo::displayName));
    setModal(true);
    m_lbText->setObjectName(QStringLiteral("lbBusyText"));
    m_lbText->setTextFormat(Qt::PlainText);
    m_lbText->setWordWrap(true);
    auto* bar = new QProgressBar(this);
    bar->setRange(0, 0); // busy, no per-cent
    bar->setTextVisible(false);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setAutoDefault(false);
    connect(m_btnCancel, &QPushButton::clicked, this, &BusyDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lbText);
    layout->addWidget(bar);
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    row->addWidget(m_btnCancel);
    layout->addLayout(row);
    setFixedWidth(320);
}

void BusyDialog::reject()
{
    if (m_cancelling)
        return;
    m_cancelling = true;
    m_btnCancel->setEnabled(false);
    m_lbText->setText(tr("Cancelling..."));
    emit cancelRequested();
}
