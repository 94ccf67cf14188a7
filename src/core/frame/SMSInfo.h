#pragma once

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

// One text message as every part of the program passes it around.
struct SMSInfo
{
    qint32 smsId = 0; // row id in the account database, 0 when not stored
    QString person;
    QString address;
    QString body;
    bool isSend = false;
    QDateTime date;
};

Q_DECLARE_METATYPE(SMSInfo)

// Makes SMSInfo usable in queued connections; safe to call more than once.
void registerSMSInfoMetaType();
