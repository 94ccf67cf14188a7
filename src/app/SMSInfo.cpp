#include "app/SMSInfo.h"

void registerSMSInfoMetaType()
{
    qRegisterMetaType<SMSInfo>("SMSInfo");
}
