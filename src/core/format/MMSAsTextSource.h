#pragma once

#include "core/store/AbsSMSDataSource.h"

class Sqlite3DB;

// Hands out another source's messages with each MMS as its text and a placeholder per attachment
// ("[image: IMG_0001.jpg]"), for the pages (printing, PDF) and the formats that hold text only;
// counts the MMS it turned to text.
class MMSAsTextSource : public AbsSMSDataSource
{
public:
    // db: the account the messages come from; none, or an account without MMS, changes nothing.
    MMSAsTextSource(AbsSMSDataSource* source, Sqlite3DB* db);

    int count() override { return m_source->count(); }
    bool next(SMSInfo& sms) override;
    int mmsCount() const { return m_mms; }

private:
    AbsSMSDataSource* m_source;
    Sqlite3DB* m_db;
    int m_mms = 0;
};
