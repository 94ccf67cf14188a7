#include "ListenerHub.h"

#include "ListenerSession.h"
#include "WireText.h"

namespace phonesim {

ListenerHub::ListenerHub(QObject* parent) : QObject(parent) {}

int ListenerHub::listeners() const
{
    int live = 0;
    for (const QPointer<ListenerSession>& session : m_sessions) {
        if (session && session->connected())
            ++live;
    }
    return live;
}

void ListenerHub::addListener(ListenerSession* session)
{
    m_sessions.removeAll(nullptr);
    m_sessions.append(session);
    connect(session, &ListenerSession::delivered, this, &ListenerHub::onDelivered);
    for (const Pending& pending : std::as_const(m_queue))
        session->deliver(pending.line, pending.number);
    m_queue.clear();
}

qint64 ListenerHub::push(const SimMessage& message)
{
    const Pending pending{"$sms:" + formatPhoneRecord(message), ++m_pushed};
    m_sessions.removeAll(nullptr);
    if (listeners() == 0) {
        m_queue.append(pending);
        return pending.number;
    }
    for (const QPointer<ListenerSession>& session : std::as_const(m_sessions)) {
        if (session->connected())
            session->deliver(pending.line, pending.number);
    }
    return pending.number;
}

int ListenerHub::dropListeners()
{
    int dropped = 0;
    for (const QPointer<ListenerSession>& session : std::as_const(m_sessions)) {
        if (session && session->connected()) {
            session->drop();
            ++dropped;
        }
    }
    return dropped;
}

void ListenerHub::onDelivered(qint64 number)
{
    while (m_announced < number)
        emit delivered(++m_announced);
}

} // namespace phonesim
