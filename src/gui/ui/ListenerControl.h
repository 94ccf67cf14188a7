#pragma once

#include <QObject>

#include "core/frame/JobRunner.h"
#include "core/jobs/ListenJob.h"

// The window's listener for incoming messages, its one owner: starts it after a connection,
// shows its error and asks whether to restart it, and stops it when the window closes, within
// the listener's bounded wait. What arrives goes to whoever connects to job()'s receivedSMS.
class ListenerControl : public QObject
{
    Q_OBJECT
public:
    explicit ListenerControl(QObject* parent = nullptr);
    // Stops the listener; it has ended when this returns.
    ~ListenerControl() override;

    ListenJob& job() { return m_job; }
    bool isRunning() const { return m_runner.isRunning(); }

    // Starts a fresh run (a new connection); a running one makes way for it. Never waits.
    void restart();
    // Stops the listener for good (the window closes): at most ListenJob::STOP_WAIT_MS; true
    // when it has ended. Its errors are no news any more.
    bool stop();

public slots:
    // The listener failed. During a job (the phone dying mid-backup fails both) the job's own
    // boxes come first, so that nothing lands between this box and its question.
    void onListenerError(const QString& text);

private:
    // The error box and the question whether to restart.
    void reportError(const QString& text);

    ListenJob m_job;
    JobRunner m_runner;
    bool m_stopped = false;
};
