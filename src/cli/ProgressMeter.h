#pragma once

#include <QElapsedTimer>
#include <QString>

// Follows a job's progress reports (per-cent and "SMS done:total") and works out the rate and
// the time left. The rate counts from the first report, so a job's fixed wait before the
// phone sends does not lower it.
class ProgressMeter
{
public:
    struct Reading
    {
        int percent = 0;
        qint64 done = -1; // -1 when the text carries no counts
        qint64 total = -1;
        double rate = 0; // units per second; 0 until it can be told
        qint64 secondsLeft = -1;
        QString text;
    };

    ProgressMeter();

    Reading update(int percent, const QString& text);
    // Whether a reading is worth showing: the first one, the first at 100 per-cent, and
    // otherwise one every intervalMs.
    bool due(const Reading& reading, qint64 intervalMs);

private:
    QElapsedTimer m_clock;
    qint64 m_firstMs = -1;
    qint64 m_firstDone = 0;
    qint64 m_lastShownMs = -1;
    bool m_shownComplete = false;
};
