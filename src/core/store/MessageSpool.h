#pragma once

#include <QList>
#include <QString>

#include "core/frame/SMSInfo.h"

class Sqlite3DB;

// Messages received or sent that could not be stored yet (a job or another program held the
// account), kept beside the account in the folder "<account>.spool", one small file per message,
// so that neither the end of the program nor a crash loses them. Every file is written whole
// (temporary file, fsync, rename) and never changed. The next write transaction on the account
// stores them with the duplicate check and removes them after its commit; a message stored twice
// that way is a duplicate the second time, so each is stored once.
namespace MessageSpool {

struct Entry
{
    QString file;
    SMSInfo sms;
};

// The spool folder of an account file.
QString folderOf(const QString& accountPath);
// The same for an open account; empty for a database in memory.
QString folderOf(Sqlite3DB* db);
// Writes the message into the folder and returns its file. Throws std::runtime_error.
QString add(const QString& folder, const SMSInfo& sms);
// Every whole message in the folder, oldest first; unreadable files are left alone.
QList<Entry> read(const QString& folder);
// Quick: whether the folder holds any message.
bool holdsAny(const QString& folder);
void remove(const QStringList& files);

} // namespace MessageSpool
