#pragma once

#include <QThread>

// The one base of background work, long jobs, short tasks and the listener alike (run by
// JobRunner): three report signals and cancellation. A job is
// cancelled through its thread's interruption request (see Cancellation.h): the GUI's progress
// dialog and the command line's Ctrl+C both call requestCancel.
//
// A job implements work(). Cancellation::Cancelled thrown from any wait ends the job quietly
// (a transaction held in an RAII object is rolled back on the way out); any other exception
// becomes errorOccurred, unless the job was cancelled meanwhile, when the user has already
// gone and the failure is no news.
class JobThread : public QThread
{
    Q_OBJECT
public:
    // Created without parent.
    explicit JobThread(const char* name);
    // Cancels a job still running and waits for it; every wait of a job is cancellable, so
    // this does not last.
    ~JobThread() override;

    bool cancelRequested() const { return isInterruptionRequested(); }

    // Per-cent done, truncated; 0 while the total is unknown, never above 100.
    static int percentOf(qint64 done, qint64 total);

signals:
    void updateProgress(int value, const QString& text);
    void errorOccurred(const QString& text);
    void succeed(const QString& text);

public slots:
    void requestCancel();
    // The progress dialog's finished(int): the dialog has gone, the job stops too.
    void onProgressClose(int result);

protected:
    void run() final;
    virtual void work() = 0;
    // Leaves the progress text and the per-cent to the throttle in ProgressThrottle.h.
    void reportProgress(qint64 done, qint64 total);

private:
    const char* m_name;
};
