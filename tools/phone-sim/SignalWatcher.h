#pragma once

#include <QObject>

class QSocketNotifier;

namespace phonesim {

// Turns SIGTERM and SIGINT into a signal delivered by the event loop.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);

signals:
    void terminationRequested();

private:
    static void onSignal(int);
    static int s_fds[2];
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace phonesim
