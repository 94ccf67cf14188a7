#include "core/store/SMSListSource.h"

int SMSListSource::count()
{
    return int(m_list.size());
}

bool SMSListSource::next(SMSInfo& sms)
{
    if (m_position >= m_list.size())
        return false;
    sms = m_list.at(m_position);
    ++m_position;
    return true;
}
