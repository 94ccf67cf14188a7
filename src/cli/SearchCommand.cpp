// search WORD [--inbox|--sent]: the search dialog's statement, printed as it is read.

#include <QCoreApplication>
#include <QJsonObject>

#include "cli/CatalogueText.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/MessageLine.h"
#include "core/frame/Cancellation.h"
#include "core/store/Accounts.h"
#include "core/store/MMSStore.h"
#include "core/store/SearchQuery.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"

namespace {

SearchFolder folderOf(const Invocation& invocation)
{
    if (invocation.has(QStringLiteral("inbox")))
        return SearchFolder::Inbox;
    if (invocation.has(QStringLiteral("sent")))
        return SearchFolder::Sent;
    return SearchFolder::All;
}

} // namespace

int runSearch(CliSession& session)
{
    const QString word = session.invocation().arguments.value(0).trimmed();
    const SearchFolder folder = folderOf(session.invocation());
    session.openAccount();
    qint64 found = 0;
    qint64 mms = 0;
    // On a worker, so that Ctrl+C stops a long search; rows are written as they come, a buffer
    // at a time.
    const auto search = [&] {
        // Pages read in place rather than copied into the connection's cache one by one (a
        // search may find thousands of messages all over the file).
        currentDatabase()->executeThrow(Sqlite3Sql("pragma mmap_size = 1073741824"));
        Sqlite3Cursor cursor = currentDatabase()->queryThrow(searchStatement(word, folder));
        while (cursor.moveNext()) {
            Cancellation::throwIfRequested();
            printMessage(session.console(), readSMSRow(cursor));
            ++found;
        }
        mms = countMMSIn(currentDatabase(), searchStatement(word, folder));
    };
    session.console().setRecordsBuffered(true);
    try {
        session.runTask(search);
    } catch (...) {
        session.console().setRecordsBuffered(false);
        throw;
    }
    session.console().setRecordsBuffered(false);
    if (found == 0)
        session.console().note(catalogueText("IDS_CAN_NOT_FIND_ANY_SMS"));
    QJsonObject fields{{QStringLiteral("found"), found}};
    if (mms > 0)
        fields.insert(QStringLiteral("mms"), mms);
    session.console().result(ExitSuccess, QString(), fields);
    return ExitSuccess;
}
