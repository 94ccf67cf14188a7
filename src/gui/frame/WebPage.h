#pragma once

#include <QString>

// Opens the URL in the user's browser; fire and forget.
void openWebPage(const QString& url);
