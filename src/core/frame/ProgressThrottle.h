#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

// Decides which steps of a job reach its progress dialog: every change of the per-cent, the
// last step, and otherwise at most one every 100 ms. A fast job would otherwise queue one
// event per record in the dialog and spend as long again on painting them.
class ProgressThrottle
{
public:
    static constexpr qint64 INTERVAL_MS = 100;

    explicit ProgressThrottle(qint64 total);
    // True when the step with `done` units finished should be reported.
    bool shouldReport(qint64 done);

private:
    qint64 m_total;
    int m_lastPercent = -1;
    QElapsedTimer m_sinceReport;
};
