#include "core/store/SMSListPageSource.h"

QList<SMSInfo> SMSListPageSource::page(qint64 first, int n)
{
    if (first < 0 || n <= 0 || first >= m_list.size())
        return {};
    return m_list.mid(first, n);
}
