#include "cli/CliSession.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <unistd.h>

#include "cli/CatalogueText.h"
#include "cli/Commands.h"
#include "cli/InterruptWatcher.h"
#include "core/frame/TaskJob.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3Exception.h"

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
        return runCommand(session);
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
