#pragma once

#include <QJsonObject>
#include <QString>
#include <mutex>

#include "cli/ProgressMeter.h"

// Exit codes of tallowbrook-cli.
enum ExitCode
{
    ExitSuccess = 0,
    ExitFailure = 1,     // the job failed: the phone's or the store's message on standard error
    ExitUsage = 2,       // the command line is wrong: the message and the usage text
    ExitCancelled = 130, // Ctrl+C (or SIGTERM) cancelled the job
};

// Where the command line's output goes. Results and records go to standard output; progress,
// notes and failures to standard error. With --json every line on standard output is one JSON
// object (progress, records, result), and standard error carries failures only. With --quiet
// there is neither progress nor notes. Progress is a bar with rate and time left on a
// terminal, otherwise a plain line now and then. Safe to call from any thread.
class Console
{
public:
    Console(bool json, bool quiet, bool progressOnTerminal);

    bool json() const { return m_json; }

    // A new job begins: its rate and time left count from its own first report.
    void startProgress();
    // A job's progress report ("SMS done:total" and the per-cent).
    void progress(int percent, const QString& text);
    // Ends a progress bar's line, so that what follows starts on a line of its own.
    void endProgress();
    // A remark for the person at the terminal (standard error); not with --quiet or --json.
    void note(const QString& text);
    // A failure that does not end the command (standard error, always).
    void warning(const QString& text);
    // One entry of a listing (an account, a message): its text line, or its JSON object with
    // the given type.
    void record(const QString& type, const QString& text, QJsonObject object);
    // While set, records stay in standard output's buffer until it is full or the setting ends
    // (thousands of them go out in a few writes, not one each); not for records someone waits
    // for one at a time.
    void setRecordsBuffered(bool buffered);
    // The command's last word. Exit code 0: the message on standard output; otherwise on
    // standard error as one line. With --json also a "result" object with the status, the
    // exit code, the message and the extra fields.
    void result(int exitCode, const QString& message, QJsonObject fields = {});
    // The usage text, on standard error.
    void usage(const QString& text);
    // Asks on the terminal; true for an answer of y or yes.
    bool confirm(const QString& question);

private:
    void writeJson(QJsonObject object, bool flush = true);
    void drawBar(const ProgressMeter::Reading& reading);
    void writeLine(const ProgressMeter::Reading& reading);
    void writeProgressJson(const ProgressMeter::Reading& reading);

    bool m_json;
    bool m_quiet;
    bool m_bar;
    bool m_barDrawn = false;
    bool m_recordsBuffered = false;
    ProgressMeter m_meter;
    std::recursive_mutex m_mutex;
};
