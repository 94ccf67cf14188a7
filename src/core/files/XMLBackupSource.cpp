#include "core/files/XMLBackupSource.h"

XMLBackupSource::XMLBackupSource(const QString& fileName, int count)
    : m_fileName(fileName), m_count(count)
{}

bool XMLBackupSource::next(SMSInfo& sms)
{
    if (!m_file)
        m_file = std::make_unique<XMLReadAhead>(m_fileName, false); // SMS only
    while (m_position == m_batch.messages.size()) {
        if (!m_file->next(m_batch))
            return false;
        m_position = 0;
    }
    sms = m_batch.messages.at(m_position++);
    return true;
}
