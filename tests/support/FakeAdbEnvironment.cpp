#include "FakeAdbEnvironment.h"

#include <QFile>

namespace tbtest {

namespace {
const char* const kVariables[] = {"FAKE_ADB_DEVICES", "FAKE_ADB_STDERR", "FAKE_ADB_FORWARD_STDERR",
                                  "FAKE_ADB_LOG"};
}

FakeAdbEnvironment::FakeAdbEnvironment()
    : m_oldPath(qgetenv("PATH")), m_hadPath(qEnvironmentVariableIsSet("PATH"))
{
    for (const char* name : kVariables)
        qunsetenv(name);
    qputenv("PATH",
            QFile::encodeName(scriptFolder()) + (m_hadPath ? ":" + m_oldPath : QByteArray()));
    qputenv("FAKE_ADB_LOG", QFile::encodeName(m_dir.filePath(QStringLiteral("adb-calls.txt"))));
}

FakeAdbEnvironment::~FakeAdbEnvironment()
{
    for (const char* name : kVariables)
        qunsetenv(name);
    if (m_hadPath)
        qputenv("PATH", m_oldPath);
    else
        qunsetenv("PATH");
}

QString FakeAdbEnvironment::scriptFolder()
{
    return QStringLiteral(TB_FAKE_ADB_DIR);
}

void FakeAdbEnvironment::setDevices(const QStringList& entries)
{
    qputenv("FAKE_ADB_DEVICES", entries.join(u' ').toUtf8());
}

void FakeAdbEnvironment::setErrorText(const QString& text)
{
    if (text.isEmpty())
        qunsetenv("FAKE_ADB_STDERR");
    else
        qputenv("FAKE_ADB_STDERR", text.toUtf8());
}

void FakeAdbEnvironment::setForwardErrorText(const QString& text)
{
    if (text.isEmpty())
        qunsetenv("FAKE_ADB_FORWARD_STDERR");
    else
        qputenv("FAKE_ADB_FORWARD_STDERR", text.toUtf8());
}

QStringList FakeAdbEnvironment::commands() const
{
    QFile file(m_dir.filePath(QStringLiteral("adb-calls.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace tbtest
