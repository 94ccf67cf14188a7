#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <functional>

#include "cli/CommandFailure.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "core/frame/JobRunner.h"

class InterruptWatcher;
class JobThread;

// One run of tallowbrook-cli: the parsed command line, the console and Ctrl+C, and what every
// sub-command shares: the account, running the core's jobs with progress, and the exit code.
// Sub-commands (Commands.h) throw UsageError or CommandFailure; run() turns them into the exit
// code.
class CliSession : public QObject
{
    Q_OBJECT
public:
    CliSession(const Invocation& invocation, Console& console, InterruptWatcher& interrupts);

    // Parses the arguments (without the program name), runs the sub-command and returns the
    // exit code.
    static int run(const QStringList& arguments, InterruptWatcher& interrupts);

    const Invocation& invocation() const { return m_invocation; }
    Console& console() { return m_console; }
    InterruptWatcher& interrupts() { return m_interrupts; }

    // The account file an account name means: the name itself or the name with ".db". Throws
    // UsageError for a name with a folder in it, CommandFailure when there is none.
    static QString existingAccountName(const QString& typed);
    // Opens the account of --account as the current database.
    void openAccount();

    // Runs a core job until it ends, its progress on the console; Ctrl+C cancels it.
    JobOutcome runJob(JobThread& job);
    // Runs a piece of work on a worker the same way; rethrows what it threw. Throws
    // CommandFailure (exit 130) when cancelled.
    void runTask(const std::function<void()>& task);
    // The exit code of a finished job: 0 after printing successText (the job's own text when
    // empty) and the fields; throws CommandFailure when it failed or was cancelled.
    int finish(const JobOutcome& outcome, const QString& successText = QString(),
               const QJsonObject& fields = {});

private:
    static int reportUsage(Console& console, const UsageError& error);

    Invocation m_invocation;
    Console& m_console;
    InterruptWatcher& m_interrupts;
};
