#include "core/files/LocalImportXMLThread.h"

#include <QFile>
#include <stdexcept>

#include "core/files/XMLBackupReader.h"
#include "core/files/XMLProgress.h"
#include "core/frame/Cancellation.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"
#include "core/store/Transaction.h"

LocalImportXMLThread::LocalImportXMLThread(const QString& fileName)
    : JobThread("LocalImportXMLThread"), m_fileName(fileName)
{}

void LocalImportXMLThread::work()
{
    m_stored = m_duplicates = m_skipped = 0;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(file.errorString().toUtf8().toStdString());
    const std::shared_ptr<Sqlite3DB> db = currentDatabaseShared();
    if (!db)
        throw std::runtime_error("No account database is open.");
    XMLBackupReader reader(&file);
    XMLProgress progress(*this, file, reader);
    Transaction transaction(db.get());
    int stored = 0;
    int duplicates = 0;
    SMSInfo sms;
    while (reader.next(sms)) {
        Cancellation::throwIfRequested();
        if (sms.address.isEmpty())
            sms.address = QStringLiteral("Unknown");
        if (storeSMS(db.get(), sms))
            ++stored;
        else
            ++duplicates;
        progress.step();
    }
    transaction.commit();
    progress.finish();
    m_stored = stored;
    m_duplicates = duplicates;
    m_skipped =
        int(reader.skippedOtherTypes() + reader.skippedMMS() + reader.skippedInvalidDates());
    QString text = tr("IDS_RESTORE_SUC_%1").arg(stored + duplicates);
    if (const QString skipped = reader.skippedSummary(); !skipped.isEmpty())
        text += QLatin1Char(' ') + skipped;
    emit succeed(text);
}
