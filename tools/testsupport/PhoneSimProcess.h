#pragma once

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace tbtest {

// Runs the phone simulator (phone-sim) as a child process for one test.
// Every phone test uses its own loopback address (127.0.0.2, 127.0.0.3, ...), since the
// simulator always listens on the fixed ports of the phone service.
// Waiting functions keep the calling thread's event loop running.
class PhoneSimProcess : public QObject
{
    Q_OBJECT
public:
    explicit PhoneSimProcess(QObject* parent = nullptr);
    ~PhoneSimProcess() override; // stops the simulator

    static QString executablePath();

    // Starts the simulator on address with extra command-line arguments (see
    // docs/phone-sim.md) and waits for it to listen. On failure errorText() says why.
    bool start(const QString& address, const QStringList& extraArguments = {},
               int timeoutMs = 20000);
    // Asks the simulator to quit, then ends it by force if it does not.
    void stop(int timeoutMs = 5000);
    bool isRunning() const;
    QString address() const { return m_address; }
    // The simulator's process id (0 when it does not run), for benchmarks reading its CPU time.
    qint64 processId() const { return m_process.processId(); }
    QString errorText() const { return m_error; }

    // A command line on the simulator's standard input.
    void sendCommand(const QString& line);
    // An incoming SMS for the program's listener (queued until the listener connects).
    void push(const QString& address, const QString& body);
    void pushNamed(const QString& address, const QString& person, const QString& body);
    void pushRandom(int count);
    // Waits until at least total pushes (counted from start) were written to a listener.
    bool waitForPushed(qint64 total, int timeoutMs = 15000);

    // Lines the simulator printed on standard output so far (READY, PUSHED n, SENT record,
    // BACKUP-DONE records batches, RESTORED records batches, PEER-ERROR, FAULT, ...).
    QStringList outputLines();
    int lineCount() { return outputLines().size(); }
    // Waits for a line beginning with prefix among the lines from index `from` on.
    bool waitForLine(const QString& prefix, int timeoutMs = 15000, QString* line = nullptr,
                     int from = 0);
    QStringList linesStartingWith(const QString& prefix);

    // The traffic log (every line received and sent) and its text.
    QString logPath() const;
    QString logText() const;
    // Every record the program restored, one raw four-field record per entry.
    QString restoreLogPath() const;
    QStringList restoredRecords() const;

private:
    void readOutput();
    void reportOnFailure() const;

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_address;
    QString m_error;
    QByteArray m_partial;
    QStringList m_lines;
};

} // namespace tbtest
