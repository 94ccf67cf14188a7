#include "cli/MessageLine.h"

#include "cli/Console.h"
#include "core/frame/MessageDate.h"
#include "core/store/StoreSMS.h"

namespace {

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString direction(const SMSInfo& sms)
{
    return sms.isSend ? QStringLiteral("sent") : QStringLiteral("received");
}

} // namespace

QString messageLine(const SMSInfo& sms)
{
    return QStringList{messageDateText(sms.date), direction(sms), escaped(contactDisplayName(sms)),
                       escaped(sms.body)}
        .join(QLatin1Char('\t'));
}

QJsonObject messageJson(const SMSInfo& sms)
{
    return {{QStringLiteral("date"), sms.date.toString(Qt::ISODate)},
            {QStringLiteral("direction"), direction(sms)},
            {QStringLiteral("contact"), contactDisplayName(sms)},
            {QStringLiteral("address"), sms.address},
            {QStringLiteral("person"), sms.person},
            {QStringLiteral("text"), sms.body}};
}

void printMessage(Console& console, const SMSInfo& sms)
{
    // Only the form the console writes: the other took a third of a long search's time.
    if (console.json())
        console.record(QStringLiteral("message"), QString(), messageJson(sms));
    else
        console.record(QStringLiteral("message"), messageLine(sms), QJsonObject());
}
