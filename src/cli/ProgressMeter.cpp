#include "cli/ProgressMeter.h"

#include <QRegularExpression>

ProgressMeter::ProgressMeter()
{
    m_clock.start();
}

ProgressMeter::Reading ProgressMeter::update(int percent, const QString& text)
{
    Reading reading;
    reading.percent = percent;
    reading.text = text;
    // Every job reports "SMS done:total".
    static const QRegularExpression counts(QStringLiteral("(\\d+):(\\d+)\\s*$"));
    const QRegularExpressionMatch match = counts.match(text);
    if (!match.hasMatch())
        return reading;
    reading.done = match.captured(1).toLongLong();
    reading.total = match.captured(2).toLongLong();
    const qint64 now = m_clock.elapsed();
    if (m_firstMs < 0) {
        m_firstMs = now;
        m_firstDone = reading.done;
        return reading;
    }
    const qint64 elapsedMs = now - m_firstMs;
    if (elapsedMs > 0 && reading.done > m_firstDone) {
        reading.rate = double(reading.done - m_firstDone) * 1000.0 / double(elapsedMs);
        if (reading.total >= reading.done)
            reading.secondsLeft = qint64(double(reading.total - reading.done) / reading.rate);
    }
    return reading;
}

bool ProgressMeter::due(const Reading& reading, qint64 intervalMs)
{
    const qint64 now = m_clock.elapsed();
    const bool complete = reading.percent >= 100 && !m_shownComplete;
    if (m_lastShownMs >= 0 && now - m_lastShownMs < intervalMs && !complete)
        return false;
    m_lastShownMs = now;
    m_shownComplete = m_shownComplete || reading.percent >= 100;
    return true;
}
