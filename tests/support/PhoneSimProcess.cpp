#include "PhoneSimProcess.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include "phone-sim/WireText.h"

namespace tbtest {

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

PhoneSimProcess::PhoneSimProcess()
{
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { readOutput(); });
}

PhoneSimProcess::~PhoneSimProcess()
{
    if (QTest::currentTestFailed() && !m_address.isEmpty()) {
        const QStringList log = logText().split(u'\n');
        qWarning("phone-sim %s, last lines of its log:\n%s", qPrintable(m_address),
                 qPrintable(log.mid(qMax<qsizetype>(0, log.size() - 40)).join(u'\n')));
    }
    stop();
}

QString PhoneSimProcess::executablePath()
{
    return QStringLiteral(TB_PHONE_SIM_PATH);
}

bool PhoneSimProcess::start(const QString& address, const QStringList& extraArguments,
                            int timeoutMs)
{
    stop();
    m_address = address;
    m_lines.clear();
    m_partial.clear();
    QFile::remove(file("phone-sim.log"));
    QFile::remove(file("restored.txt"));
    // A file keeps a chatty simulator from blocking on a pipe nobody reads.
    m_process.setStandardErrorFile(file("stderr.txt"));
    m_process.start(executablePath(),
                    QStringList{"--address", address, "--log", file("phone-sim.log"),
                                "--restore-log", file("restored.txt")} +
                        extraArguments);
    if (m_dir.isValid() && m_process.waitForStarted(timeoutMs) &&
        waitForLine(QStringLiteral("READY"), timeoutMs))
        return true;
    m_error = QStringLiteral("phone-sim on %1 not ready: %2 %3")
                  .arg(address, m_process.errorString(), readText(file("stderr.txt")).trimmed());
    qWarning("%s", qPrintable(m_error));
    stop();
    return false;
}

void PhoneSimProcess::stop(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    if (m_process.state() == QProcess::Starting)
        m_process.kill();
    else if (m_process.write("quit\n") && !m_process.waitForFinished(timeoutMs)) {
        m_process.terminate();
        if (!m_process.waitForFinished(timeoutMs))
            m_process.kill();
    }
    m_process.waitForFinished(timeoutMs);
    readOutput();
}

void PhoneSimProcess::push(const QString& address, const QString& body)
{
    sendCommand(QStringLiteral("push %1 %2")
                    .arg(phonesim::escapeArgument(address), phonesim::escapeArgument(body)));
}

void PhoneSimProcess::pushNamed(const QString& address, const QString& person, const QString& body)
{
    sendCommand(QStringLiteral("push-named %1 %2 %3")
                    .arg(phonesim::escapeArgument(address), phonesim::escapeArgument(person),
                         phonesim::escapeArgument(body)));
}

bool PhoneSimProcess::waitForPushed(qint64 total, int timeoutMs)
{
    return waitForLine(QStringLiteral("PUSHED %1").arg(total), timeoutMs);
}

void PhoneSimProcess::readOutput()
{
    m_partial += m_process.readAllStandardOutput();
    qsizetype start = 0;
    for (qsizetype end; (end = m_partial.indexOf('\n', start)) >= 0; start = end + 1)
        m_lines.append(QString::fromUtf8(m_partial.mid(start, end - start)));
    m_partial.remove(0, start);
}

QStringList PhoneSimProcess::outputLines()
{
    readOutput();
    return m_lines;
}

bool PhoneSimProcess::waitForLine(const QString& prefix, int timeoutMs, QString* line, int from)
{
    from = qMax(0, from);
    const auto found = [&] {
        readOutput();
        for (; from < m_lines.size(); ++from) {
            if (m_lines.at(from).startsWith(prefix)) {
                if (line)
                    *line = m_lines.at(from);
                return true;
            }
        }
        return false;
    };
    return found() ||
           (QTest::qWaitFor([&] { return found() || m_process.state() == QProcess::NotRunning; },
                            timeoutMs) &&
            found());
}

QStringList PhoneSimProcess::linesStartingWith(const QString& prefix)
{
    return outputLines().filter(QRegularExpression(u'^' + QRegularExpression::escape(prefix)));
}

QString PhoneSimProcess::logText() const
{
    return readText(file("phone-sim.log"));
}

QStringList PhoneSimProcess::restoredRecords() const
{
    return readText(file("restored.txt")).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace tbtest
