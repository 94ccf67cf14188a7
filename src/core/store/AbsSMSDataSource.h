#pragma once

#include "core/frame/SMSInfo.h"

// Hands out messages one at a time to jobs and the printer; read once, no rewind.
class AbsSMSDataSource
{
public:
    virtual ~AbsSMSDataSource() = default;
    virtual int count() = 0;
    virtual bool next(SMSInfo& sms) = 0;
    // MMS the source holds besides its messages but never hands out (a file read for the
    // phone, which takes SMS only); asked once the messages are taken.
    virtual int mmsLeftOut() { return 0; }
};
