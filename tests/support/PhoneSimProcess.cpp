#include "PhoneSimProcess.h"

#include <QFile>
#include <QTest>

#include "phone-sim/WireText.h"

namespace tbtest {

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

PhoneSimProcess::PhoneSimProcess(QObject* parent) : QObject(parent)
{
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &PhoneSimProcess::readOutput);
}

PhoneSimProcess::~PhoneSimProcess()
{
    reportOnFailure();
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
    m_error.clear();
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QFile::remove(logPath());
    QFile::remove(restoreLogPath());
    QStringList arguments = {QStringLiteral("--address"),     address,
                             QStringLiteral("--log"),         logPath(),
                             QStringLiteral("--restore-log"), restoreLogPath()};
    arguments += extraArguments;
    // A file keeps a chatty simulator from blocking on a pipe nobody reads.
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("stderr.txt")));
    m_process.start(executablePath(), arguments);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = m_process.errorString();
        return false;
    }
    if (waitForLine(QStringLiteral("READY"), timeoutMs))
        return true;
    m_error = QStringLiteral("simulator not ready: %1")
                  .arg(readText(m_dir.filePath(QStringLiteral("stderr.txt"))).trimmed());
    stop();
    return false;
}

void PhoneSimProcess::stop(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    if (m_process.state() == QProcess::Running) {
        m_process.write("quit\n");
        if (!m_process.waitForFinished(timeoutMs)) {
            m_process.terminate();
            if (!m_process.waitForFinished(timeoutMs))
                m_process.kill();
        }
    } else {
        m_process.kill();
    }
    m_process.waitForFinished(timeoutMs);
    readOutput();
}

bool PhoneSimProcess::isRunning() const
{
    return m_process.state() == QProcess::Running;
}

void PhoneSimProcess::sendCommand(const QString& line)
{
    m_process.write(line.toUtf8() + '\n');
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

void PhoneSimProcess::pushRandom(int count)
{
    sendCommand(QStringLiteral("push-random %1").arg(count));
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
    int checked = qMax(0, from);
    const auto found = [&] {
        readOutput();
        for (; checked < m_lines.size(); ++checked) {
            if (m_lines.at(checked).startsWith(prefix)) {
                if (line)
                    *line = m_lines.at(checked);
                return true;
            }
        }
        return false;
    };
    if (found())
        return true;
    const bool seen = QTest::qWaitFor(
        [&] { return found() || m_process.state() == QProcess::NotRunning; }, timeoutMs);
    return seen && found();
}

QStringList PhoneSimProcess::linesStartingWith(const QString& prefix)
{
    QStringList matching;
    for (const QString& l : outputLines()) {
        if (l.startsWith(prefix))
            matching.append(l);
    }
    return matching;
}

QString PhoneSimProcess::logPath() const
{
    return m_dir.filePath(QStringLiteral("phone-sim.log"));
}

QString PhoneSimProcess::logText() const
{
    return readText(logPath());
}

QString PhoneSimProcess::restoreLogPath() const
{
    return m_dir.filePath(QStringLiteral("restored.txt"));
}

QStringList PhoneSimProcess::restoredRecords() const
{
    QStringList records = readText(restoreLogPath()).split(u'\n');
    if (!records.isEmpty() && records.last().isEmpty())
        records.removeLast();
    return records;
}

void PhoneSimProcess::reportOnFailure() const
{
    if (!QTest::currentTestFailed() || m_address.isEmpty())
        return;
    const QStringList log = logText().split(u'\n');
    qWarning("phone-sim %s, last lines of its log:\n%s", qPrintable(m_address),
             qPrintable(log.mid(qMax<qsizetype>(0, log.size() - 40)).join(u'\n')));
}

} // namespace tbtest
