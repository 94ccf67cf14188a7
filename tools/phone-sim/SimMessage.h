#pragma once

#include <QString>
#include <QtGlobal>

namespace phonesim {

// One message as the phone's store holds it.
struct SimMessage
{
    qint64 dateMs = 0;
    bool isSend = false;
    QString address;
    QString person;
    QString body;
};

} // namespace phonesim
