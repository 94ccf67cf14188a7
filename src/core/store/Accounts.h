#pragma once

#include <QString>
#include <functional>
#include <memory>

class JobThread;
class Sqlite3DB;

// The open account: its file name and its database, shared process-wide.
QString currentAccountName();
// The open database, or nullptr before an account was opened. Valid until another account
// is opened or the open account is deleted.
Sqlite3DB* currentDatabase();
// The same database as a shared handle, for holders (such as workers) that must keep it
// alive while another account is opened meanwhile.
std::shared_ptr<Sqlite3DB> currentDatabaseShared();

// A file name that stays inside the data folder (no folder part, not "." or ".."). The functions
// below refuse any other name.
bool isPlainAccountName(const QString& name);

// A name the user may give a new account: none of \ / : * ? " < > |.
bool isValidNewAccountName(const QString& name);

// Absolute path of the account file of that name in the data folder.
QString accountFilePath(const QString& name);

// Copies the empty template into the data folder under that name (read-write for the owner
// only). The name must be a plain file name. Throws std::runtime_error with the file
// system's text; nothing is left behind on failure.
void createAccountFile(const QString& name);
// Closes the database first when it is the open account. Throws std::runtime_error.
void deleteAccountFile(const QString& name);
// Runs the job that brings an opened account up to date (the window shows its progress dialog)
// and returns whether it succeeded; the runner tells the user about a failure itself.
using UpgradeRunner = std::function<bool(JobThread& job)>;

// Opens the account file, which becomes the current database. An account without a whole search
// index and conversation summary (one made from the template or by an older build, or a damaged
// one) gets them first: through runUpgrade when given and the account holds at least
// backgroundUpgradeFrom messages, otherwise on the calling thread. Returns
// nullptr when runUpgrade reported a cancel or failure. On any failure (not a database, not an
// account database, read-only, missing, the upgrade failed) the current account stays as it
// was. Throws Sqlite3Exception with SQLite's message.
Sqlite3DB* openAccountDatabase(const QString& name,
                               const UpgradeRunner& runUpgrade = UpgradeRunner());
// Below this many messages the upgrade takes well under a second and needs no progress dialog.
// The number of messages in the account, MMS included.
qint64 messageCount(Sqlite3DB* db);

qint64 backgroundUpgradeFrom();
// For tests.
void setBackgroundUpgradeFrom(qint64 messages);
