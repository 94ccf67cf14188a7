#include "cli/ChosenMessages.h"

#include <QCoreApplication>

#include "cli/CommandFailure.h"
#include "cli/Invocation.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/SMSCursorSource.h"
#include "core/store/StoreSMS.h"

std::unique_ptr<SMSCursorSource> chosenMessages(const Invocation& invocation)
{
    Sqlite3DB* db = currentDatabase();
    if (!invocation.has(QStringLiteral("conversation")))
        return std::make_unique<SMSCursorSource>(db, wholeAccountQuery());
    const QString number = invocation.value(QStringLiteral("conversation"));
    auto source =
        std::make_unique<SMSCursorSource>(db, conversationQuery(conversationSuffix(number)));
    if (source->count() == 0)
        throw CommandFailure(QCoreApplication::translate(
                                 "ChosenMessages", "The account holds no conversation with %1.")
                                 .arg(number));
    return source;
}
