#include "core/print/PrintPagesJob.h"

#include "core/format/MMSAsTextSource.h"
#include "core/frame/ProgressThrottle.h"
#include "core/print/SMSPrinter.h"
#include "core/store/AbsSMSDataSource.h"
#include "core/store/Accounts.h"

PrintPagesJob::PrintPagesJob(AbsSMSDataSource* source)
    : JobThread("PrintPagesJob"), m_source(source)
{}

void PrintPagesJob::work()
{
    m_pages.clear();
    const int total = m_source->count();
    ProgressThrottle throttle(total);
    MMSAsTextSource source(m_source, currentDatabase());
    SMSPrinter printer(&source);
    printer.layoutPages([this](const QPicture& page) { m_pages.append(page); },
                        [&](int done) {
                            if (throttle.shouldReport(done))
                                reportProgress(done, total);
                        });
    emit succeed(QString());
}
