// accounts, accounts create NAME, accounts delete NAME [--yes]: the account files of the data
// folder, through the same functions as the window's account dialog.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "cli/CatalogueText.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "core/frame/DataDirectory.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AccountCommands", text);
}

qint64 messageCount(const QString& name)
{
    return messageCount(openAccountDatabase(name));
}

// Every account, the most recently changed first (as the window lists them), with its number
// of messages; a file that is not an account says why instead.
int listAccounts(CliSession& session)
{
    const QFileInfoList files =
        dataDirectory().entryInfoList({QStringLiteral("*.db")}, QDir::Files, QDir::Time);
    for (const QFileInfo& file : files) {
        const QString name = file.fileName();
        try {
            const qint64 count = messageCount(name);
            session.console().record(
                QStringLiteral("account"), QStringLiteral("%1\t%2").arg(name).arg(count),
                {{QStringLiteral("name"), name}, {QStringLiteral("messages"), count}});
        } catch (const std::exception& e) {
            const QString why = QString::fromUtf8(e.what());
            session.console().record(
                QStringLiteral("account"), QStringLiteral("%1\t-\t%2").arg(name, why),
                {{QStringLiteral("name"), name}, {QStringLiteral("error"), why}});
        }
    }
    if (files.isEmpty())
        session.console().note(tr("No accounts in %1.").arg(dataDirectory().absolutePath()));
    session.console().result(ExitSuccess, QString(),
                             {{QStringLiteral("accounts"), int(files.size())}});
    return ExitSuccess;
}

// As the window's account dialog: no \ / : * ? " < > |, and ".db" added when missing.
int createAccount(CliSession& session, QString name)
{
    if (!isValidNewAccountName(name) || !isPlainAccountName(name))
        throw UsageError(catalogueText("IDS_INVALID_ACCOUNT_NAME") + QLatin1Char(' ') + name);
    if (!name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
        name += QLatin1String(".db");
    if (QFileInfo::exists(accountFilePath(name)))
        throw CommandFailure(tr("The account %1 exists already.").arg(name));
    createAccountFile(name);
    session.console().result(ExitSuccess, tr("Created the account %1.").arg(name),
                             {{QStringLiteral("account"), name}});
    return ExitSuccess;
}

int deleteAccount(CliSession& session, const QString& typed)
{
    const QString name = CliSession::existingAccountName(typed);
    if (!session.invocation().has(QStringLiteral("yes")) &&
        !session.console().confirm(
            QStringLiteral("%1 (%2)").arg(catalogueText("IDS_CONFIRM_DEL_THIS_ACCOUNT"), name)))
        throw CommandFailure(tr("The account %1 was not deleted.").arg(name));
    deleteAccountFile(name);
    session.console().result(ExitSuccess, catalogueText("IDS_DEL_ACCOUNT_SUC"),
                             {{QStringLiteral("account"), name}});
    return ExitSuccess;
}

} // namespace

int runAccounts(CliSession& session)
{
    const QStringList& args = session.invocation().arguments;
    if (args.isEmpty())
        return listAccounts(session);
    if (args.first() == QLatin1String("create"))
        return createAccount(session, args.at(1).trimmed());
    return deleteAccount(session, args.at(1));
}
