#pragma once

#include "SimMessage.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>

namespace phonesim {

class ListenerSession;

// Hands pushed SMS to every connected listener, or keeps them until one connects.
// Numbers pushes 1, 2, 3 ... and reports each number once its bytes were written.
class ListenerHub : public QObject
{
    Q_OBJECT
public:
    explicit ListenerHub(QObject* parent = nullptr);

    void addListener(ListenerSession* session);
    qint64 push(const SimMessage& message);
    qint64 pushed() const { return m_pushed; }
    int listeners() const;
    qint64 queued() const { return m_queue.size(); }
    // Closes every listener connection; returns how many there were.
    int dropListeners();

signals:
    void delivered(qint64 number);

private:
    struct Pending
    {
        QByteArray line;
        qint64 number;
    };
    void onDelivered(qint64 number);

    QList<QPointer<ListenerSession>> m_sessions;
    QList<Pending> m_queue;
    qint64 m_pushed = 0;
    qint64 m_announced = 0;
};

} // namespace phonesim
