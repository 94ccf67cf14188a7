#pragma once

#include <QObject>
#include <QString>

class JobThread;

// How a job ended.
struct JobOutcome
{
    enum Kind
    {
        Succeeded,
        Failed,
        Cancelled,
    };
    Kind kind = Cancelled;
    QString text; // the success message or the failure's text
};

// Runs a job without a window (the command line, tests): starts it, keeps the calling thread's
// event loop running until the job's thread has ended, and says how it ended. cancel() may come
// from anywhere on the calling thread (a signal handler's notifier, a timer).
class JobRunner : public QObject
{
    Q_OBJECT
public:
    explicit JobRunner(JobThread& job, QObject* parent = nullptr);

    JobOutcome run();
    void cancel();

signals:
    void progress(int percent, const QString& text);

private:
    JobThread& m_job;
    JobOutcome m_outcome;
};
