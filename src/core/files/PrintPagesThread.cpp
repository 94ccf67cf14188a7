#include "core/files/PrintPagesThread.h"

#include "core/files/MMSAsTextSource.h"
#include "core/files/SMSPrinter.h"
#include "core/frame/ProgressThrottle.h"
#include "core/store/AbsSMSDataSource.h"
#include "core/store/Accounts.h"

PrintPagesThread::PrintPagesThread(AbsSMSDataSource* source)
    : JobThread("PrintPagesThread"), m_source(source)
{}

void PrintPagesThread::work()
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
