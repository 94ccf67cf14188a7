#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace tbtest {

// Puts the fake "adb" script (support/fake-adb) first on PATH for the life of the object, inside
// this test process only, and steers what it prints.
class FakeAdbEnvironment
{
public:
    FakeAdbEnvironment() : m_oldPath(qgetenv("PATH"))
    {
        for (const char* name : {"FAKE_ADB_DEVICES", "FAKE_ADB_STDERR", "FAKE_ADB_FORWARD_STDERR"})
            qunsetenv(name);
        qputenv("PATH", QFile::encodeName(QStringLiteral(TB_FAKE_ADB_DIR)) + ':' + m_oldPath);
        qputenv("FAKE_ADB_LOG", QFile::encodeName(m_dir.filePath(QStringLiteral("calls"))));
    }
    ~FakeAdbEnvironment() { qputenv("PATH", m_oldPath); }
    FakeAdbEnvironment(const FakeAdbEnvironment&) = delete;
    FakeAdbEnvironment& operator=(const FakeAdbEnvironment&) = delete;

    // Serials listed by "adb devices"; "serial:state" gives another state than "device".
    void setDevices(const QStringList& entries)
    {
        qputenv("FAKE_ADB_DEVICES", entries.join(u' ').toUtf8());
    }
    // Text every command (or only "forward") prints on standard error, failing; empty: none.
    void setErrorText(const QString& text) { qputenv("FAKE_ADB_STDERR", text.toUtf8()); }
    void setForwardErrorText(const QString& text)
    {
        qputenv("FAKE_ADB_FORWARD_STDERR", text.toUtf8());
    }
    // Every command line the fake tool was run with, oldest first.
    QStringList commands() const
    {
        QFile file(m_dir.filePath(QStringLiteral("calls")));
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    }

private:
    QByteArray m_oldPath;
    QTemporaryDir m_dir;
};

} // namespace tbtest
