#pragma once

// Runs a job the way the command line does, without a window, and records how it went.
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "core/frame/JobRunner.h"
#include "core/frame/JobThread.h"

namespace jobtest {

// How a job ended, with every progress report ("percent text") in order.
struct RunResult
{
    JobOutcome::Kind kind = JobOutcome::Cancelled;
    QString text;
    QStringList progress;

    // The per-cent values of the progress reports.
    QList<int> percents() const
    {
        QList<int> values;
        for (const QString& report : progress)
            values.append(report.section(u' ', 0, 0).toInt());
        return values;
    }

    bool succeeded() const { return kind == JobOutcome::Succeeded; }
    bool failedWith(const QString& part) const
    {
        return kind == JobOutcome::Failed && text.contains(part);
    }
};

// Runs the job with the core runner (no window). setup may arrange a cancel.
inline RunResult runRecorded(JobThread& job, const std::function<void(JobRunner&)>& setup = {})
{
    RunResult result;
    JobRunner runner(job);
    QObject::connect(&job, &JobThread::updateProgress, &runner,
                     [&](int percent, const QString& text) {
                         result.progress << QString::number(percent) + u' ' + text;
                     });
    if (setup)
        setup(runner);
    const JobOutcome outcome = runner.run();
    result.kind = outcome.kind;
    result.text = outcome.text;
    return result;
}

// Runs the job, cancels it after delayMs and returns how long it took to end after the cancel.
inline qint64 cancelAfter(JobThread& job, int delayMs, RunResult* result = nullptr)
{
    QElapsedTimer sinceCancel;
    RunResult run = runRecorded(job, [&](JobRunner& runner) {
        QTimer::singleShot(delayMs, &runner, [&] {
            sinceCancel.start();
            runner.cancel();
        });
    });
    if (result)
        *result = run;
    return sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
}

// Cancels the job from its own thread when it reports the progress text, so that the cancel
// lands at a known record.
inline void cancelAtProgress(JobThread& job, const QString& text)
{
    QObject::connect(
        &job, &JobThread::updateProgress, &job,
        [&job, text](int, const QString& reported) {
            if (reported == text)
                job.requestCancel();
        },
        Qt::DirectConnection);
}

} // namespace jobtest
