#include "core/frame/MessageDate.h"

QString messageDateText(const QDateTime& date)
{
    if (!date.isValid())
        return QString();
    // Put together by hand: the general formatter (locale, calendar) took half of an export's time.
    // Years it would write otherwise (before 1 or after 9999) still go through it.
    const QDate day = date.date();
    const QTime time = date.time();
    if (day.year() < 1 || day.year() > 9999)
        return date.toString(QString::fromLatin1(MESSAGE_DATE_FORMAT));
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
