#pragma once

#include <QString>

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

} // namespace largeaccount
