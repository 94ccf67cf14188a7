#pragma once

#include "MessageGenerator.h"
#include "SimMessage.h"

#include <QList>

namespace phonesim {

// The phone's message store: messages loaded from a file, then the generated ones,
// then those added while running (sent, received, restored). Only grows.
class PhoneStore
{
public:
    explicit PhoneStore(const MessageGenerator& generator);

    void setLoaded(const QList<SimMessage>& messages) { m_loaded = messages; }
    qint64 count() const;
    SimMessage at(qint64 index) const;
    void add(const SimMessage& message) { m_added.append(message); }

private:
    const MessageGenerator& m_generator;
    QList<SimMessage> m_loaded;
    QList<SimMessage> m_added;
};

} // namespace phonesim
