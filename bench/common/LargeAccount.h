#pragma once

#include <QString>
#include <functional>

class QRandomGenerator;

class Sqlite3DB;

// The large account the benchmarks share: 1,000,000 messages in 5,000 conversations, the first
// 20,000 of them in one conversation, one message in a hundred holding the keyword.
namespace largeaccount {

inline constexpr int messageCount = 1000000;
inline constexpr int conversationCount = 5000;
inline constexpr int bigConversation = 20000;
inline const QString keyword = QStringLiteral("asparagus");

// Writes the messages straight into the (open) account file through the C API, in one
// transaction: the store's own duplicate check is not what the benchmarks measure. Open the
// account again afterwards, so that it gets its search index as after a backup.
void fill(Sqlite3DB* account);

// Which conversation message i belongs to, and whether it holds the keyword.
struct Placement
{
    int conversation;
    bool keyword;
};
// The same for conversations numbered 0 to conversations - 1 ("+49 17x ..." numbers, two in
// three with a name), placement telling where each of the messages goes.
void fillWith(Sqlite3DB* account, int conversations, qint64 messages,
              const std::function<Placement(qint64 i, QRandomGenerator& random)>& placement);

} // namespace largeaccount
