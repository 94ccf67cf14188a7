#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

// The small modal dialog shown while a background job runs. Cancel, Esc and the close button
// ask the job to stop: the dialog then says so and stays until the job has ended (at most about
// a second, since every wait of a job is cancellable), so that it never closes over a job that
// is still writing.
class ProgressForm : public QDialog
{
    Q_OBJECT
public:
    explicit ProgressForm(const QString& title, QWidget* parent = nullptr);

    QProgressBar* progressBar() const { return m_progressBar; }
    QLabel* progressLabel() const { return m_lbProgress; }
    QPushButton* cancelButton() const { return m_btnCancel; }
    bool cancelling() const { return m_cancelling; }

signals:
    // The user asked the job to stop.
    void cancelRequested();

public slots:
    void updateProgress(int value, const QString& text);
    void errorOccurred(const QString& text);
    void succeed(const QString& text);
    // The job's thread has ended: closes the dialog unless the job reported an outcome.
    void jobFinished();
    void reject() override;

private:
    QProgressBar* m_progressBar;
    QLabel* m_lbProgress;
    QPushButton* m_btnCancel;
    bool m_cancelling = false;
    bool m_reported = false;
};
