#include "cli/CliSession.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <unistd.h>

#include "cli/Commands.h"
#include "cli/InterruptWatcher.h"
#include "core/device/AdbBridge.h"
#include "core/device/DeviceConnection.h"
#include "core/device/SimpleProtocol.h"
#include "core/frame/ReasonText.h"
#include "core/frame/TaskJob.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/SMSCursorSource.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/StoreSMS.h"

namespace {

// The window's query for the whole account.

QString tr(const char* text)
{
    return QCoreApplication::translate("CliSession", text);
}

// The one device adb lists; several or none cannot be chosen from.
QString onlyAttachedDevice()
{
    AdbBridge bridge;
    QStringList serials = bridge.devices().values();
    if (serials.isEmpty())
        throw CommandFailure(catalogueText("IDS_USB_CONNECTION_CAN_NOT_FIND_ANY_DEVICES"));
    if (serials.size() > 1) {
        serials.sort();
        throw CommandFailure(tr("Several devices are attached (%1): name one with --usb SERIAL.")
                                 .arg(serials.join(QStringLiteral(", "))));
    }
    return serials.first();
}

} // namespace

CommandFailure::CommandFailure(const QString& message, int exitCode)
    : std::runtime_error(message.toUtf8().toStdString()), m_exitCode(exitCode)
{}

QString catalogueText(const char* key)
{
    return QCoreApplication::translate("QObject", key);
}

CliSession::CliSession(const Invocation& invocation, Console& console, InterruptWatcher& interrupts)
    : m_invocation(invocation), m_console(console), m_interrupts(interrupts)
{}

int CliSession::run(const QStringList& arguments, InterruptWatcher& interrupts)
{
    // Known before the parse, so that even a usage error answers in JSON.
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    const QStringList options = end < 0 ? arguments : arguments.mid(0, end);
    Console console(options.contains(QStringLiteral("--json")),
                    options.contains(QStringLiteral("--quiet")), ::isatty(STDERR_FILENO) == 1);
    Invocation invocation;
    try {
        invocation = CommandLine::parse(arguments);
    } catch (const UsageError& e) {
        return reportUsage(console, e);
    }
    if (invocation.has(QStringLiteral("help"))) {
        console.record(QStringLiteral("usage"), CommandLine::usage().trimmed(),
                       {{QStringLiteral("text"), CommandLine::usage()}});
        return ExitSuccess;
    }
    if (invocation.has(QStringLiteral("version"))) {
        console.record(
            QStringLiteral("version"),
            QStringLiteral("tallowbrook-cli %1").arg(QCoreApplication::applicationVersion()),
            {{QStringLiteral("version"), QCoreApplication::applicationVersion()}});
        return ExitSuccess;
    }
    CliSession session(invocation, console, interrupts);
    try {
        return session.dispatch();
    } catch (const UsageError& e) {
        return reportUsage(console, e);
    } catch (const CommandFailure& e) {
        console.result(e.exitCode(), e.message());
        return e.exitCode();
    } catch (const std::exception& e) {
        console.result(ExitFailure, QString::fromUtf8(e.what()));
        return ExitFailure;
    }
}

int CliSession::reportUsage(Console& console, const UsageError& error)
{
    console.result(ExitUsage, error.message());
    console.usage(CommandLine::usage());
    return ExitUsage;
}

int CliSession::dispatch()
{
    const QString& command = m_invocation.command;
    if (command == QLatin1String("accounts"))
        return runAccounts(*this);
    if (command == QLatin1String("backup"))
        return runBackup(*this);
    if (command == QLatin1String("restore"))
        return runRestore(*this);
    if (command == QLatin1String("import"))
        return runImport(*this);
    if (command == QLatin1String("export"))
        return runExport(*this);
    if (command == QLatin1String("search"))
        return runSearch(*this);
    if (command == QLatin1String("send"))
        return runSend(*this);
    return runListen(*this); // the parser knows no other command
}

QString CliSession::existingAccountName(const QString& typed)
{
    if (!isPlainAccountName(typed))
        throw UsageError(catalogueText("IDS_INVALID_ACCOUNT_NAME") + QLatin1Char(' ') + typed);
    if (QFileInfo(accountFilePath(typed)).isFile())
        return typed;
    const QString withSuffix = typed + QLatin1String(".db");
    if (!typed.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) &&
        QFileInfo(accountFilePath(withSuffix)).isFile())
        return withSuffix;
    throw CommandFailure(
        tr("There is no account %1 (tallowbrook-cli accounts lists them).").arg(typed));
}

void CliSession::openAccount()
{
    const QString name = existingAccountName(m_invocation.value(QStringLiteral("account")));
    // A large account made by an older build gets its search index first, with progress.
    QString upgradeFailure;
    const UpgradeRunner runUpgrade = [&](JobThread& job) {
        m_console.note(tr("Preparing the account for searching (once)..."));
        const JobOutcome outcome = runJob(job);
        if (outcome.kind == JobOutcome::Failed)
            upgradeFailure = outcome.text;
        return outcome.kind == JobOutcome::Succeeded;
    };
    try {
        if (openAccountDatabase(name, runUpgrade))
            return;
    } catch (const Sqlite3Exception& e) {
        throw CommandFailure(QStringLiteral("%1: %2").arg(name, QString::fromUtf8(e.what())));
    }
    if (!upgradeFailure.isEmpty())
        throw CommandFailure(QStringLiteral("%1: %2").arg(name, upgradeFailure));
    throw CommandFailure(tr("Cancelled; the account is as it was."), ExitCancelled);
}

void CliSession::connectPhone()
{
    const bool usb = m_invocation.has(QStringLiteral("usb"));
    QString serial =
        m_invocation.value(usb ? QStringLiteral("usb") : QStringLiteral("wifi")).trimmed();
    const QString host = usb ? QStringLiteral("127.0.0.1") : serial;
    if (!usb && !DeviceConnection::isWifiAddress(host)) {
        throw UsageError(catalogueText("IDS_INVALID_WIFI_ADDR_WHEN_CONNECT_TO_DEVICE") +
                         QLatin1Char(' ') + host);
    }
    const int timeout = CommandLine::timeoutSeconds(m_invocation);
    setPhoneSilenceLimitMs(timeout == 0 ? -1 : timeout * 1000);
    m_console.note(usb ? tr("Connecting to the phone over USB...")
                       : tr("Connecting to the phone at %1...").arg(host));
    try {
        runTask([&] {
            if (usb) {
                if (serial.isEmpty())
                    serial = onlyAttachedDevice();
                AdbBridge bridge;
                bridge.forward(serial, DeviceConnection::COMMAND_PORT,
                               DeviceConnection::COMMAND_PORT);
            }
            setConnection(serial, host, usb);
        });
    } catch (const simpleprotocol::PhoneSilentException& e) {
        throw CommandFailure(QString::fromUtf8(e.what()));
    } catch (const simpleprotocol::SocketDataTransferException& e) {
        throw CommandFailure(
            withReason(catalogueText("IDS_CAN_NOT_MAKE_CONNECTION_START_SYNC_FIRST_ERR_%1"),
                       QString::fromUtf8(e.what())));
    } catch (const simpleprotocol::RemoteException& e) {
        // The service is there but refused the hello: told like a failed connection.
        throw CommandFailure(
            withReason(catalogueText("IDS_CAN_NOT_MAKE_CONNECTION_START_SYNC_FIRST_ERR_%1"),
                       QString::fromUtf8(e.what())));
    }
}

std::unique_ptr<SMSCursorSource> CliSession::messageSource()
{
    Sqlite3DB* db = currentDatabase();
    if (!m_invocation.has(QStringLiteral("conversation")))
        return std::make_unique<SMSCursorSource>(db, wholeAccountQuery());
    const QString number = m_invocation.value(QStringLiteral("conversation"));
    auto source =
        std::make_unique<SMSCursorSource>(db, conversationQuery(conversationSuffix(number)));
    if (source->count() == 0)
        throw CommandFailure(tr("The account holds no conversation with %1.").arg(number));
    return source;
}

JobOutcome CliSession::runJob(JobThread& job)
{
    JobRunner runner(job);
    connect(&runner, &JobRunner::progress, this,
            [this](int percent, const QString& text) { m_console.progress(percent, text); });
    connect(&m_interrupts, &InterruptWatcher::interruptRequested, &runner, &JobRunner::cancel);
    m_console.startProgress();
    m_interrupts.setArmed(true);
    const JobOutcome outcome = runner.run();
    m_interrupts.setArmed(false);
    m_console.endProgress();
    return outcome;
}

void CliSession::runTask(const std::function<void()>& task)
{
    TaskJob job(task);
    const JobOutcome outcome = runJob(job);
    if (outcome.kind == JobOutcome::Failed) {
        if (job.failure())
            std::rethrow_exception(job.failure());
        throw CommandFailure(outcome.text);
    }
    if (outcome.kind == JobOutcome::Cancelled)
        throw CommandFailure(tr("Cancelled."), ExitCancelled);
}

int CliSession::finish(const JobOutcome& outcome, const QString& successText,
                       const QJsonObject& fields)
{
    switch (outcome.kind) {
    case JobOutcome::Succeeded:
        m_console.result(ExitSuccess, successText.isEmpty() ? outcome.text : successText, fields);
        return ExitSuccess;
    case JobOutcome::Failed:
        throw CommandFailure(outcome.text);
    case JobOutcome::Cancelled:
        break;
    }
    throw CommandFailure(tr("Cancelled; the account is as it was."), ExitCancelled);
}
