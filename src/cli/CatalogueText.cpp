#include "cli/CatalogueText.h"

#include <QCoreApplication>

QString catalogueText(const char* key)
{
    return QCoreApplication::translate("QObject", key);
}
