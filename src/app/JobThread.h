#pragma once

#include <QThread>
#include <atomic>
#include <functional>

class ProgressForm;

// Shared frame of the background jobs: three report signals, a cancel flag set when the
// progress dialog closes, and the wiring to the dialog.
class JobThread : public QThread
{
    Q_OBJECT
public:
    // Created without parent; connects itself to the dialog (when given).
    explicit JobThread(ProgressForm* form);

    bool isCancelRequested() const { return cancelRequested.load(); }

    // Per-cent done, truncated; 0 while the total is unknown, never above 100.
    static int percentOf(qint64 done, qint64 total);

signals:
    void updateProgress(int value, const QString& text);
    void errorOccurred(const QString& text);
    void succeed(const QString& text);

public slots:
    void onProgressClose(int result);

protected:
    // Written by the GUI thread, polled by the worker between units of work.
    std::atomic<bool> cancelRequested{false};
};

// Starts the job, runs the dialog modally, calls onResult with the dialog's result while the
// job may still be finishing, then waits for the job without time limit. Returns the result.
int runJob(ProgressForm& form, JobThread& job,
           const std::function<void(int)>& onResult = std::function<void(int)>());
