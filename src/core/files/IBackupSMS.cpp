#include "core/files/IBackupSMS.h"

#include <QIODevice>
#include <stdexcept>

#include "core/files/CSVBackupSMS.h"
#include "core/files/HtmlBackupSMS.h"
#include "core/files/TXTBackupSMS.h"
#include "core/files/XMLBackupSMS.h"

void IBackupSMS::writeUnit(QIODevice* device, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (device->write(bytes) != bytes.size())
        throw std::runtime_error(device->errorString().toUtf8().toStdString());
}

QString IBackupSMS::dateText(const QDateTime& date)
{
    if (!date.isValid())
        return QString();
    // Put together by hand: the general formatter (locale, calendar) took half of an export's
    // time. Years it would write otherwise (before 1 or after 9999) still go through it.
    const QDate day = date.date();
    const QTime time = date.time();
    if (day.year() < 1 || day.year() > 9999)
        return date.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    char text[20];
    const auto put = [&text](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + i] = char('0' + value % 10);
    };
    put(0, day.year(), 4);
    text[4] = '-';
    put(5, day.month(), 2);
    text[7] = '-';
    put(8, day.day(), 2);
    text[10] = ' ';
    put(11, time.hour(), 2);
    text[13] = ':';
    put(14, time.minute(), 2);
    text[16] = ':';
    put(17, time.second(), 2);
    return QString::fromLatin1(text, 19);
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
