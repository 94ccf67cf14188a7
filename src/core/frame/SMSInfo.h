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
    // The phone's subscription (SIM) the message went through, as a backup file gave it; null
    // when unknown (messages from the phone or a CSV file).
    QString subId;
};

Q_DECLARE_METATYPE(SMSInfo)

// Makes SMSInfo usable in queued connections; safe to call more than once.
void registerSMSInfoMetaType();
