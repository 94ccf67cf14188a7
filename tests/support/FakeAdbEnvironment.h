#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tbtest {

// Puts the fake "adb" script (support/fake-adb) first on PATH for the life of the object,
// inside this test process only, and steers what it prints. Restores PATH when destroyed.
class FakeAdbEnvironment
{
public:
    FakeAdbEnvironment();
    ~FakeAdbEnvironment();
    FakeAdbEnvironment(const FakeAdbEnvironment&) = delete;
    FakeAdbEnvironment& operator=(const FakeAdbEnvironment&) = delete;

    static QString scriptFolder();

    // Serials listed by "adb devices"; "serial:state" gives another state than "device".
    void setDevices(const QStringList& entries);
    // Text every command prints on standard error (empty: none).
    void setErrorText(const QString& text);
    // Text only "forward" prints on standard error (empty: none).
    void setForwardErrorText(const QString& text);
    // Every command line the fake tool was run with, oldest first.
    QStringList commands() const;

private:
    QByteArray m_oldPath;
    bool m_hadPath;
    QTemporaryDir m_dir;
};

} // namespace tbtest
