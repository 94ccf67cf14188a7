#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;

// The small modal dialog shown while a background job runs.
class ProgressForm : public QDialog
{
    Q_OBJECT
public:
    explicit ProgressForm(const QString& title, QWidget* parent = nullptr);

    QProgressBar* progressBar() const { return m_progressBar; }
    QLabel* progressLabel() const { return m_lbProgress; }

public slots:
    void updateProgress(int value, const QString& text);
    void errorOccurred(const QString& text);
    void succeed(const QString& text);

private:
    QProgressBar* m_progressBar;
    QLabel* m_lbProgress;
};
