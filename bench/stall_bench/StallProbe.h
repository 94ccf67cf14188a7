#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// How long the thread it lives on (the GUI thread) goes without turning its event loop: a
// timer ticks every 10 ms and the longest gap between two ticks is kept. While the window
// works off the GUI thread the gaps stay near 10 ms; a gap of 300 ms is a window that could
// not repaint or react for 300 ms.
class StallProbe : public QObject
{
    Q_OBJECT
public:
    static constexpr int TICK_MS = 10;

    explicit StallProbe(QObject* parent = nullptr);

    // Forgets what was measured and starts ticking.
    void start();
    // Stops ticking; the time since the last tick counts as a gap too (the thread may have
    // been blocked right up to this call).
    void stop();
    double longestGapMs() const { return double(m_longestNs) / 1e6; }

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
};
