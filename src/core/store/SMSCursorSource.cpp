#include "core/store/SMSCursorSource.h"

#include "core/store/StoreSMS.h"

int SMSCursorSource::count()
{
    return m_cursor.count();
}

bool SMSCursorSource::next(SMSInfo& sms)
{
    if (!m_cursor.moveNext())
        return false;
    sms = readSMSRow(m_cursor);
    return true;
}
