#include "core/files/PrintPagesThread.h"

#include "core/files/SMSPrinter.h"
#include "core/frame/ProgressThrottle.h"
#include "core/store/AbsSMSDataSource.h"

PrintPagesThread::PrintPagesThread(AbsSMSDataSource* source)
    : JobThread("PrintPagesThread"), m_source(source)
{}

void PrintPagesThread::work()
{
    m_pages.clear();
    const int total = m_source->count();
    ProgressThrottle throttle(total);
    SMSPrinter printer(m_source);
    printer.layoutPages([this](const QPicture& page) { m_pages.append(page); },
                        [&](int done) {
                            if (throttle.shouldReport(done))
                                reportProgress(done, total);
                        });
    emit succeed(QString());
}
