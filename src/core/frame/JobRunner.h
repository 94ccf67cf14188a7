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

// Runs one job on its thread, the same for every kind of job and every front end: a long job
// behind the window's progress dialog or the command line's meter, a short task behind a busy
// dialog, the listener for incoming messages as long as it is wanted. The runner is the job's
// one owner of start and stop; the job only works and reports. Used from one thread (the one
// that created it); the waits below keep that thread's event loop running, without user input.
class JobRunner : public QObject
{
    Q_OBJECT
public:
    explicit JobRunner(JobThread& job, QObject* parent = nullptr);

    // Starts the job and waits until its thread has ended; says how it ended.
    JobOutcome run();

    // Starts the job unless it runs; never waits.
    void start();
    // Waits until the job's thread has ended, at once when it does not run. Reports queued
    // before the end have been delivered then.
    void waitForEnd();
    // How the last run ended (Cancelled while none ended yet).
    JobOutcome outcome() const { return m_outcome; }
    bool isRunning() const;

    // For a job that runs until stopped: asks the running job to end and starts it anew as soon
    // as it has (at once when it does not run); never waits.
    void restart();
    // Asks the job to end and waits for that at most waitMs, without the event loop; true when
    // it has ended. A restart asked for before is called off.
    bool stop(int waitMs);

public slots:
    void cancel();

signals:
    void progress(int percent, const QString& text);
    // The job's thread has ended; every report it sent before has been delivered.
    void ended();

private:
    void onEnded();

    JobThread& m_job;
    JobOutcome m_outcome;
    bool m_endPending = false; // started, and the end's notice has not come yet
    bool m_restartPending = false;
};
