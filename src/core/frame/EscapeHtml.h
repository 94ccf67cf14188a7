#pragma once

#include <QString>

// "&", "<", ">" become entities; quotes and line breaks stay as they are.
QString escapeMarkup(const QString& text);
// The same, and a line feed becomes "<br/>".
QString escapeHtml(const QString& text);
