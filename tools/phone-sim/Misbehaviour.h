#pragma once

#include <QString>
#include <QStringList>

namespace phonesim {

// Faults the simulated phone can commit on request, one at a time.
// Adding a mode: a value here, a row in the table in Misbehaviour.cpp, and its use
// in the session that commits it.
enum class Misbehaviour
{
    None,
    Fields4,      // backup: one record with four fields
    Fields6,      // backup: one record with six fields
    ZeroDate,     // backup: one record dated 0
    ErrorMid,     // backup: an "$error:" line instead of a record
    CloseMid,     // backup: the data connection closed in the middle of a batch
    StallMid,     // backup: silence in the middle of a batch, the connection kept open
    EmptyLine,    // backup: an empty line before a record
    HugeLine,     // backup: 64 MiB without a line feed, then close
    NoDataPort,   // backup and restore data ports never listen
    NoHello,      // hello request never answered
    HelloError,   // hello answered with an error line
    SendFields4,  // send reply with four fields
    SendZeroDate, // send reply dated 0
    NoRestoreAck, // restore batches never acknowledged
};

struct MisbehaviourInfo
{
    Misbehaviour mode;
    const char* name;
    const char* description;
};

// Every mode with its command-line name, None first ("none").
const QList<MisbehaviourInfo>& misbehaviours();
bool misbehaviourFromName(const QString& name, Misbehaviour* mode);
QString misbehaviourName(Misbehaviour mode);
QString misbehaviourHelp();

// True for the modes that strike at one record of a backup.
bool strikesBackupRecord(Misbehaviour mode);

} // namespace phonesim
