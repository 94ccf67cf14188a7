#include "cli/Commands.h"

#include "cli/CliSession.h"

int runCommand(CliSession& session)
{
    const QString& command = session.invocation().command;
    if (command == QLatin1String("accounts"))
        return runAccounts(session);
    if (command == QLatin1String("backup"))
        return runBackup(session);
    if (command == QLatin1String("restore"))
        return runRestore(session);
    if (command == QLatin1String("import"))
        return runImport(session);
    if (command == QLatin1String("export"))
        return runExport(session);
    if (command == QLatin1String("search"))
        return runSearch(session);
    if (command == QLatin1String("send"))
        return runSend(session);
    return runListen(session); // the parser knows no other command
}
