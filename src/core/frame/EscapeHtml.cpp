#include "core/frame/EscapeHtml.h"

QString escapeMarkup(const QString& text)
{
    QString escaped = text;
    // The ampersand first, so the entities made afterwards are not escaped twice.
    escaped.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    escaped.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    escaped.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return escaped;
}

QString escapeHtml(const QString& text)
{
    return escapeMarkup(text).replace(QLatin1Char('\n'), QLatin1String("<br/>"));
}
