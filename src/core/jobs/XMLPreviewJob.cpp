#include "core/jobs/XMLPreviewJob.h"

#include <QFileInfo>

#include "core/format/XMLReadAhead.h"
#include "core/frame/Cancellation.h"
#include "core/jobs/XMLProgress.h"

XMLPreviewJob::XMLPreviewJob(const QString& fileName)
    : JobThread("XMLPreviewJob"), m_fileName(fileName)
{}

void XMLPreviewJob::work()
{
    m_smsList.clear();
    m_total = 0;
    // The page shows SMS only: MMS are counted and said not to be previewed.
    XMLReadAhead file(m_fileName, false);
    XMLProgress progress(*this, QFileInfo(m_fileName).size());
    QList<SMSInfo> page;
    int total = 0;
    XMLReadAhead::Batch batch;
    while (file.next(batch)) {
        Cancellation::throwIfRequested();
        total += int(batch.messages.size());
        for (SMSInfo& sms : batch.messages) {
            if (page.size() == FIRST_PAGE)
                break;
            // The dialog and whatever takes the records from it see local time, as from CSV.
            sms.date = sms.date.toLocalTime();
            page.append(sms);
        }
        progress.step(batch.position, batch.elements, batch.declaredCount);
    }
    progress.finish(batch.elements, batch.declaredCount);
    m_smsList = page;
    m_total = total;
    QString text = tr("IDS_IMPORT_CSV_PREVIEW_SUC_%1").arg(total);
    if (const QString skipped = file.skippedSummary(); !skipped.isEmpty())
        text += QLatin1Char(' ') + skipped;
    emit succeed(text);
}
