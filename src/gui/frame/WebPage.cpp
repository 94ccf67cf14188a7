#include "gui/frame/WebPage.h"

#include <QDesktopServices>
#include <QUrl>

void openWebPage(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}
