#include "core/frame/ReasonText.h"

QString withReason(const QString& sentence, const QString& reason)
{
    const qsizetype at = sentence.indexOf(QLatin1String("%1"));
    const QString text = reason.trimmed();
    if (at < 0)
        return sentence;
    QString joined = sentence.left(at);
    if (!text.isEmpty()) {
        if (at > 0 && !joined.back().isSpace())
            joined += QLatin1Char(' ');
        joined += text;
        if (!QStringView(u".!?\u2026").contains(text.back()))
            joined += QLatin1Char('.');
    }
    return joined + sentence.mid(at + 2);
}
