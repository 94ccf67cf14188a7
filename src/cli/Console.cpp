#include "cli/Console.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdio>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Console", text);
}

constexpr int BAR_WIDTH = 24;
constexpr qint64 BAR_INTERVAL_MS = 100;
constexpr qint64 LINE_INTERVAL_MS = 1000;

void write(FILE* stream, const QString& text, bool flush = true)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    if (flush)
        std::fflush(stream);
}

// A message as one line: a failure text may hold line breaks.
QString oneLine(const QString& text)
{
    return text.simplified();
}

QString duration(qint64 seconds)
{
    const qint64 h = seconds / 3600;
    const qint64 m = seconds / 60 % 60;
    const qint64 s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

// "1234 SMS/s, 0:07 left" as far as known.
QString speed(const ProgressMeter::Reading& reading)
{
    QStringList parts;
    if (reading.rate > 0)
        parts << tr("%1 SMS/s").arg(qint64(reading.rate + 0.5));
    if (reading.secondsLeft >= 0)
        parts << tr("%1 left").arg(duration(reading.secondsLeft));
    return parts.join(QStringLiteral(", "));
}

const char* statusOf(int exitCode)
{
    switch (exitCode) {
    case ExitSuccess:
        return "ok";
    case ExitUsage:
        return "usage";
    case ExitCancelled:
        return "cancelled";
    default:
        return "failed";
    }
}

} // namespace

Console::Console(bool json, bool quiet, bool progressOnTerminal)
    : m_json(json), m_quiet(quiet), m_bar(progressOnTerminal && !json)
{}

void Console::startProgress()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_meter = ProgressMeter();
}

void Console::progress(int percent, const QString& text)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_quiet)
        return;
    const ProgressMeter::Reading reading = m_meter.update(percent, text);
    if (!m_meter.due(reading, m_bar ? BAR_INTERVAL_MS : LINE_INTERVAL_MS))
        return;
    if (m_json)
        writeProgressJson(reading);
    else if (m_bar)
        drawBar(reading);
    else
        writeLine(reading);
}

void Console::drawBar(const ProgressMeter::Reading& reading)
{
    const int filled = reading.percent * BAR_WIDTH / 100;
    QString line =
        QStringLiteral("\r[%1%2] %3%  %4")
            .arg(QString(filled, QLatin1Char('#')), QString(BAR_WIDTH - filled, QLatin1Char('-')))
            .arg(reading.percent, 3)
            .arg(reading.text);
    const QString rate = speed(reading);
    if (!rate.isEmpty())
        line += QStringLiteral("  ") + rate;
    // Clears what a longer line before left on the right.
    write(stderr, line + QStringLiteral("\x1b[K"));
    m_barDrawn = true;
}

void Console::writeLine(const ProgressMeter::Reading& reading)
{
    QString line = QStringLiteral("%1 (%2%)").arg(reading.text).arg(reading.percent);
    const QString rate = speed(reading);
    if (!rate.isEmpty())
        line += QStringLiteral(", ") + rate;
    write(stderr, line + QLatin1Char('\n'));
}

void Console::writeProgressJson(const ProgressMeter::Reading& reading)
{
    QJsonObject object{{QStringLiteral("type"), QStringLiteral("progress")},
                       {QStringLiteral("percent"), reading.percent},
                       {QStringLiteral("text"), reading.text}};
    if (reading.done >= 0) {
        object.insert(QStringLiteral("done"), reading.done);
        object.insert(QStringLiteral("total"), reading.total);
    }
    if (reading.rate > 0)
        object.insert(QStringLiteral("rate"), qRound64(reading.rate));
    if (reading.secondsLeft >= 0)
        object.insert(QStringLiteral("seconds_left"), reading.secondsLeft);
    writeJson(object);
}

void Console::endProgress()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_barDrawn)
        write(stderr, QStringLiteral("\n"));
    m_barDrawn = false;
}

void Console::note(const QString& text)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_quiet || m_json)
        return;
    endProgress();
    write(stderr, text + QLatin1Char('\n'));
}

void Console::warning(const QString& text)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    endProgress();
    write(stderr, QStringLiteral("tallowbrook-cli: %1\n").arg(oneLine(text)));
}

void Console::record(const QString& type, const QString& text, QJsonObject object)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_json) {
        object.insert(QStringLiteral("type"), type);
        writeJson(object, !m_recordsBuffered);
    } else {
        write(stdout, text + QLatin1Char('\n'), !m_recordsBuffered);
    }
}

void Console::setRecordsBuffered(bool buffered)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_recordsBuffered = buffered;
    std::fflush(stdout);
}

void Console::result(int exitCode, const QString& message, QJsonObject fields)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    endProgress();
    if (exitCode != ExitSuccess)
        write(stderr, QStringLiteral("tallowbrook-cli: %1\n").arg(oneLine(message)));
    if (m_json) {
        fields.insert(QStringLiteral("type"), QStringLiteral("result"));
        fields.insert(QStringLiteral("status"), QLatin1String(statusOf(exitCode)));
        fields.insert(QStringLiteral("exit"), exitCode);
        fields.insert(QStringLiteral("message"), oneLine(message));
        writeJson(fields);
    } else if (exitCode == ExitSuccess && !message.isEmpty()) {
        write(stdout, message + QLatin1Char('\n'));
    }
}

void Console::usage(const QString& text)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    write(stderr, QLatin1Char('\n') + text);
}

bool Console::confirm(const QString& question)
{
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        endProgress();
        write(stderr, question + tr(" [y/N] "));
    }
    char answer[64] = {};
    if (!std::fgets(answer, sizeof answer, stdin))
        return false;
    const QString word = QString::fromLocal8Bit(answer).trimmed().toLower();
    return word == QLatin1String("y") || word == QLatin1String("yes");
}

void Console::writeJson(QJsonObject object, bool flush)
{
    write(stdout,
          QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
              QLatin1Char('\n'),
          flush);
}
