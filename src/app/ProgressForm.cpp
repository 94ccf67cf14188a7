#include "app/ProgressForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/MessageBoxes.h"

ProgressForm::ProgressForm(const QString& title, QWidget* parent)
    : QDialog(parent, Qt::MSWindowsFixedSizeDialogHint), m_progressBar(new QProgressBar(this)),
      m_lbProgress(new QLabel(this))
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

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_lbProgress);
}

void ProgressForm::updateProgress(int value, const QString& text)
{
    m_progressBar->setValue(value);
    m_lbProgress->setText(text);
}

void ProgressForm::errorOccurred(const QString& text)
{
    showErrorOccurred(text);
    reject();
}

void ProgressForm::succeed(const QString& text)
{
    if (!text.isEmpty())
        showInformation(text);
    accept();
}
