#pragma once

#include "core/store/SMSPageSource.h"

// Pages of a list held in memory (a preview, a test).
class SMSListPageSource : public SMSPageSource
{
public:
    explicit SMSListPageSource(const QList<SMSInfo>& list) : m_list(list) {}
    qint64 count() override { return m_list.size(); }
    QList<SMSInfo> page(qint64 first, int n) override;

private:
    QList<SMSInfo> m_list;
};
