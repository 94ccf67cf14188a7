#pragma once

#include <QList>
#include <QPicture>

#include "core/frame/JobThread.h"

class AbsSMSDataSource;

// Lays the source's messages out as printed pages (see SMSPrinter), for the print preview.
class PrintPagesJob : public JobThread
{
    Q_OBJECT
public:
    explicit PrintPagesJob(AbsSMSDataSource* source);

    // The pages, once the job has succeeded.
    const QList<QPicture>& pages() const { return m_pages; }

protected:
    void work() override;

private:
    AbsSMSDataSource* m_source; // not owned
    QList<QPicture> m_pages;
};
