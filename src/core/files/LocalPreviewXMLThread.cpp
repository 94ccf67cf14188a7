#include "core/files/LocalPreviewXMLThread.h"

#include <QFile>
#include <QSet>
#include <algorithm>
#include <stdexcept>

#include "core/files/XMLBackupReader.h"
#include "core/files/XMLProgress.h"
#include "core/frame/Cancellation.h"

namespace {

// Hands out one shared copy of each distinct text.
class StringPool
{
public:
    void share(QString& text)
    {
        if (text.isEmpty())
            return;
        const auto it = m_texts.constFind(text);
        if (it != m_texts.constEnd())
            text = *it;
        else
            m_texts.insert(text);
    }

private:
    QSet<QString> m_texts;
};

} // namespace

LocalPreviewXMLThread::LocalPreviewXMLThread(const QString& fileName)
    : JobThread("LocalPreviewXMLThread"), m_fileName(fileName)
{}

void LocalPreviewXMLThread::work()
{
    m_smsList.clear();
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(file.errorString().toUtf8().toStdString());
    XMLBackupReader reader(&file);
    QList<SMSInfo> list;
    StringPool pool;
    XMLProgress progress(*this, file.size());
    SMSInfo sms;
    while (reader.next(sms)) {
        Cancellation::throwIfRequested();
        if (list.isEmpty()) {
            // The root's count is known now; a wrong one must not reserve wildly.
            list.reserve(
                qsizetype(std::clamp<qint64>(reader.declaredCount(), 0, file.size() / 64)));
        }
        pool.share(sms.address);
        pool.share(sms.person);
        // The dialog and whatever takes the records from it see local time, as from CSV.
        sms.date = sms.date.toLocalTime();
        list.append(sms);
        progress.step(file.pos(), reader.elementsRead(), reader.declaredCount());
    }
    progress.finish(reader.elementsRead(), reader.declaredCount());
    m_smsList = list;
    QString text = tr("IDS_IMPORT_CSV_PREVIEW_SUC_%1").arg(list.size());
    if (const QString skipped = reader.skippedSummary(); !skipped.isEmpty())
        text += QLatin1Char(' ') + skipped;
    emit succeed(text);
}
