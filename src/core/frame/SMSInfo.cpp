#include "core/frame/SMSInfo.h"

void registerSMSInfoMetaType()
{
    qRegisterMetaType<SMSInfo>("SMSInfo");
}
