#include "Misbehaviour.h"

#include <QList>

namespace phonesim {

const QList<MisbehaviourInfo>& misbehaviours()
{
    static const QList<MisbehaviourInfo> table = {
        {Misbehaviour::None, "none", "behave correctly"},
        {Misbehaviour::Fields4, "fields4", "backup: one record has 4 fields"},
        {Misbehaviour::Fields6, "fields6", "backup: one record has 6 fields"},
        {Misbehaviour::ZeroDate, "zero-date", "backup: one record has date 0"},
        {Misbehaviour::ErrorMid, "error-mid", "backup: an $error: line instead of a record"},
        {Misbehaviour::CloseMid, "close-mid", "backup: data connection closed mid-batch"},
        {Misbehaviour::StallMid, "stall-mid", "backup: silence mid-batch, connection kept open"},
        {Misbehaviour::EmptyLine, "empty-line", "backup: an empty line before a record"},
        {Misbehaviour::HugeLine, "huge-line", "backup: 64 MiB without a line feed, then close"},
        {Misbehaviour::NoDataPort, "no-data-port", "backup and restore data ports never listen"},
        {Misbehaviour::NoHello, "no-hello", "hello is never answered"},
        {Misbehaviour::HelloError, "hello-error", "hello is answered with $error:"},
        {Misbehaviour::SendFields4, "send-fields4", "send reply has 4 fields"},
        {Misbehaviour::SendZeroDate, "send-zero-date", "send reply has date 0"},
        {Misbehaviour::NoRestoreAck, "no-restore-ack", "restore batches are never acknowledged"},
    };
    return table;
}

bool misbehaviourFromName(const QString& name, Misbehaviour* mode)
{
    for (const MisbehaviourInfo& info : misbehaviours()) {
        if (name == QLatin1String(info.name)) {
            *mode = info.mode;
            return true;
        }
    }
    return false;
}

QString misbehaviourName(Misbehaviour mode)
{
    for (const MisbehaviourInfo& info : misbehaviours()) {
        if (info.mode == mode)
            return QString::fromLatin1(info.name);
    }
    return {};
}

QString misbehaviourHelp()
{
    QString text;
    for (const MisbehaviourInfo& info : misbehaviours())
        text += QStringLiteral("  %1  %2\n")
                    .arg(QString::fromLatin1(info.name).leftJustified(15),
                         QString::fromLatin1(info.description));
    return text;
}

bool strikesBackupRecord(Misbehaviour mode)
{
    switch (mode) {
    case Misbehaviour::Fields4:
    case Misbehaviour::Fields6:
    case Misbehaviour::ZeroDate:
    case Misbehaviour::ErrorMid:
    case Misbehaviour::CloseMid:
    case Misbehaviour::StallMid:
    case Misbehaviour::EmptyLine:
        return true;
    default:
        return false;
    }
}

} // namespace phonesim
