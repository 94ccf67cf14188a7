#include "core/frame/LocalTimeZone.h"

#include <QByteArray>
#include <QtGlobal>

void readLocalTimeZoneOnce()
{
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
}
