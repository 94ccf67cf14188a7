#include "core/format/MMSAsTextSource.h"

#include "core/format/IBackupSMS.h"
#include "core/store/MMSStore.h"

MMSAsTextSource::MMSAsTextSource(AbsSMSDataSource* source, Sqlite3DB* db)
    : m_source(source), m_db(db && accountHasMMS(db) ? db : nullptr)
{}

bool MMSAsTextSource::next(SMSInfo& sms)
{
    if (!m_source->next(sms))
        return false;
    if (m_db && mmsAsText(m_db, sms))
        ++m_mms;
    return true;
}
