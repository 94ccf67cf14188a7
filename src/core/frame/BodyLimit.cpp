#include "core/frame/BodyLimit.h"

#include <QCoreApplication>

bool bodyOverLimit(QStringView body)
{
    // At most three bytes per UTF-16 unit; the exact size only where it matters.
    if (body.size() * 3 <= MAX_BODY_BYTES)
        return false;
    if (body.size() > MAX_BODY_BYTES)
        return true;
    qsizetype bytes = 0;
    for (const QChar c : body)
        bytes += c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 || c.isSurrogate() ? 2 : 3;
    return bytes > MAX_BODY_BYTES;
}

QString skippedOverLimitText(qint64 count)
{
    return QCoreApplication::translate("BodyLimit", "IDS_SKIPPED_BODY_OVER_LIMIT_%1").arg(count);
}
