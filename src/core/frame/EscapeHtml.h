#pragma once

#include <QString>

// "&", "<", ">" become entities and a line feed becomes "<br/>"; quotes stay as they are.
QString escapeHtml(const QString& text);
