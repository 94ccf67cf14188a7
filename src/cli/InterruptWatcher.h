#pragma once

#include <QObject>

class QSocketNotifier;

// Ctrl+C (SIGINT) and SIGTERM for the command line. While work that can be cancelled runs
// (armed), the first signal arrives as interruptRequested() on the main thread, and the work is
// cancelled through its token, so the account stays as it was; a second signal ends the
// program at once (SQLite rolls an unfinished transaction back at the next open). While
// nothing is armed (reading the command line, asking a question) a signal ends the program at
// once with exit code 130. One instance, on the main thread.
class InterruptWatcher : public QObject
{
    Q_OBJECT
public:
    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

    void setArmed(bool armed);
    // A signal came while armed.
    bool interrupted() const { return m_interrupted; }

signals:
    void interruptRequested();

private:
    void onSignalPending();

    QSocketNotifier* m_notifier = nullptr;
    bool m_interrupted = false;
};
