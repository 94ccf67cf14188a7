#include "core/format/XMLBackupSource.h"

XMLBackupSource::XMLBackupSource(const QString& fileName, int count)
    : m_fileName(fileName), m_count(count)
{}

XMLReadAhead& XMLBackupSource::file()
{
    if (!m_file)
        m_file = std::make_unique<XMLReadAhead>(m_fileName, false); // SMS only
    return *m_file;
}

bool XMLBackupSource::next(SMSInfo& sms)
{
    while (m_position == m_batch.messages.size()) {
        if (!file().next(m_batch))
            return false;
        m_position = 0;
    }
    sms = m_batch.messages.at(m_position++);
    return true;
}

int XMLBackupSource::mmsLeftOut()
{
    while (file().next(m_batch)) {
    }
    m_position = m_batch.messages.size();
    return int(file().skippedMMS());
}
