#pragma once

#include <QList>

#include "core/store/AbsSMSDataSource.h"

class SMSListSource : public AbsSMSDataSource
{
public:
    explicit SMSListSource(const QList<SMSInfo>& list) : m_list(list) {}
    int count() override;
    bool next(SMSInfo& sms) override;

private:
    QList<SMSInfo> m_list;
    int m_position = 0;
};
