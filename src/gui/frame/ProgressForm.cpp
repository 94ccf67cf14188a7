#include "gui/frame/ProgressForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/frame/MessageBoxes.h"

ProgressForm::ProgressForm(const QString& title, QWidget* parent)
    : QDialog(parent, Qt::MSWindowsFixedSizeDialogHint), m_progressBar(new QProgressBar(this)),
      m_lbProgress(new QLabel(this)), m_btnCancel(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(title);
    setFixedSize(348, 76);

    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(true);
    m_progressBar->setOrientation(Qt::Horizontal);

    m_lbProgress->setObjectName(QStringLiteral("lbProgress"));
    m_lbProgress->setAlignment(Qt::AlignCenter);
    m_lbProgress->setText(QStringLiteral("SMS: 0/0"));

    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setAutoDefault(false);
    connect(m_btnCancel, &QPushButton::clicked, this, &ProgressForm::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(4);
    layout->addWidget(m_progressBar);
    auto* row = new QHBoxLayout();
    row->addWidget(m_lbProgress, 1);
    row->addWidget(m_btnCancel);
    layout->addLayout(row);
}

void ProgressForm::updateProgress(int value, const QString& text)
{
    if (m_cancelling)
        return;
    m_progressBar->setValue(value);
    m_lbProgress->setText(text);
}

void ProgressForm::errorOccurred(const QString& text)
{
    m_reported = true;
    showErrorOccurred(text);
    QDialog::reject();
}

void ProgressForm::succeed(const QString& text)
{
    // Also after a cancel: a job that got as far as reporting success has committed its work.
    m_reported = true;
    if (!text.isEmpty())
        showInformation(text);
    accept();
}

void ProgressForm::jobFinished()
{
    if (!m_reported)
        QDialog::reject();
}

void ProgressForm::reject()
{
    // Cancel, Esc and the close button land here; the dialog closes when the job has ended.
    if (m_cancelling)
        return;
    m_cancelling = true;
    m_btnCancel->setEnabled(false);
    m_lbProgress->setText(tr("Cancelling..."));
    emit cancelRequested();
}
