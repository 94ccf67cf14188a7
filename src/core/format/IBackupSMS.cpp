#include "core/format/IBackupSMS.h"

#include "core/store/MMSStore.h"

#include "core/frame/MessageDate.h"

#include <QDir>
#include <QFileDevice>
#include <stdexcept>

#include "core/format/CSVBackupSMS.h"
#include "core/format/HtmlBackupSMS.h"
#include "core/format/TXTBackupSMS.h"
#include "core/format/XMLBackupSMS.h"

void IBackupSMS::writeUnit(QIODevice* device, const QString& text)
{
    writeBytes(device, text.toUtf8());
}

void writeBytes(QIODevice* device, const QByteArray& bytes)
{
    const qint64 written = device->write(bytes);
    if (written == bytes.size())
        return;
    // A write the system took only in part (a full disk) leaves the reason unknown ("Unknown
    // error"); a flush, which tries the rest, hears it from the system. Bytes too many for the
    // buffer were written past it: the rest is tried again.
    auto* file = qobject_cast<QFileDevice*>(device);
    if (file && written >= 0 && file->error() == QFileDevice::NoError)
        file->write(bytes.constData() + written, bytes.size() - written);
    if (file)
        file->flush();
    const QString reason = device->errorString();
    throw std::runtime_error(
        (file ? fileFailureText(file->fileName(), reason) : reason).toUtf8().toStdString());
}

QString fileFailureText(const QString& file, const QString& reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file), reason);
}

QString IBackupSMS::dateText(const QDateTime& date)
{
    return messageDateText(date);
}

std::unique_ptr<IBackupSMS> backupWriterForSuffix(const QString& suffix)
{
    if (suffix == QLatin1String("csv"))
        return std::make_unique<CSVBackupSMS>();
    if (suffix == QLatin1String("txt"))
        return std::make_unique<TXTBackupSMS>();
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html") ||
        suffix == QLatin1String("doc"))
        return std::make_unique<HtmlBackupSMS>();
    if (suffix == QLatin1String("xml"))
        return std::make_unique<XMLBackupSMS>();
    return nullptr;
}

bool mmsAsText(Sqlite3DB* db, SMSInfo& sms)
{
    MMSInfo mms;
    if (sms.smsId == 0 || !loadMMS(db, sms.smsId, mms))
        return false;
    QStringList lines;
    if (!sms.body.isEmpty())
        lines.append(sms.body);
    for (const MMSPart& part : std::as_const(mms.parts)) {
        if (const QString placeholder = mmsPlaceholder(part); !placeholder.isEmpty())
            lines.append(placeholder);
    }
    sms.body = lines.join(QLatin1Char('\n'));
    return true;
}
