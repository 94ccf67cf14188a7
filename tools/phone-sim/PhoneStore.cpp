#include "PhoneStore.h"

namespace phonesim {

PhoneStore::PhoneStore(const MessageGenerator& generator) : m_generator(generator) {}

qint64 PhoneStore::count() const
{
    return m_loaded.size() + m_generator.count() + m_added.size();
}

SimMessage PhoneStore::at(qint64 index) const
{
    if (index < m_loaded.size())
        return m_loaded.at(index);
    index -= m_loaded.size();
    if (index < m_generator.count())
        return m_generator.message(index);
    return m_added.at(index - m_generator.count());
}

} // namespace phonesim
