#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace tbtest {

// Runs the phone simulator (phone-sim, see docs/phone-sim.md) as a child process for one test,
// on a loopback address of the test's own (127.0.0.2, 127.0.0.3, ...), since the simulator
// always listens on the fixed ports of the phone service. Waits keep the event loop running.
class PhoneSimProcess
{
public:
    PhoneSimProcess();
    ~PhoneSimProcess(); // stops the simulator; after a failed test, shows the end of its log
    PhoneSimProcess(const PhoneSimProcess&) = delete;
    PhoneSimProcess& operator=(const PhoneSimProcess&) = delete;

    static QString executablePath();

    // Starts the simulator with extra command-line arguments and waits until it listens. On
    // failure errorText() says why (also as a warning).
    bool start(const QString& address, const QStringList& extraArguments = {},
               int timeoutMs = 20000);
    void stop(int timeoutMs = 5000); // asks it to quit, then ends it by force
    QString address() const { return m_address; }
    // The simulator's process id (0 when it does not run), for benchmarks reading its CPU time.
    qint64 processId() const { return m_process.processId(); }
    QString errorText() const { return m_error; }

    // A command line on the simulator's standard input.
    void sendCommand(const QString& line) { m_process.write(line.toUtf8() + '\n'); }
    // An incoming SMS for the program's listener (queued until the listener connects).
    void push(const QString& address, const QString& body);
    void pushNamed(const QString& address, const QString& person, const QString& body);
    // Waits until at least total pushes (counted from start) were written to a listener.
    bool waitForPushed(qint64 total, int timeoutMs = 15000);

    // Lines printed on standard output so far (READY, PUSHED n, SENT record, BACKUP-DONE,
    // RESTORED, PEER-ERROR, FAULT, ...).
    QStringList outputLines();
    int lineCount() { return outputLines().size(); }
    // Waits for a line beginning with prefix among the lines from index `from` on.
    bool waitForLine(const QString& prefix, int timeoutMs = 15000, QString* line = nullptr,
                     int from = 0);
    QStringList linesStartingWith(const QString& prefix);

    QString logText() const; // the traffic log: every line received and sent
    // Every record the program restored, one raw four-field record per entry.
    QStringList restoredRecords() const;

private:
    void readOutput();
    QString file(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_address;
    QString m_error;
    QByteArray m_partial;
    QStringList m_lines;
};

} // namespace tbtest
