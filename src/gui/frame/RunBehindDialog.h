#pragma once

#include <QString>
#include <functional>

class JobThread;
class ProgressForm;

// The window's way to run work: every job runs on its thread through JobRunner, behind a modal
// dialog with Cancel, and the window's thread never blocks on it (whatever waiting is left
// happens in an event loop that holds back only the user's input).

// Runs a job behind its progress dialog: starts the job, runs the dialog modally until the job
// reports success or failure or the user cancelled and the job has ended, calls onResult with
// the dialog's result (QDialog::Accepted on success), and returns it.
int runJob(ProgressForm& form, JobThread& job,
           const std::function<void(int)>& onResult = std::function<void(int)>());

// Runs work as a short task (TaskJob) behind a small modal dialog showing text, with Cancel (for
// the hello, sending a message, the debug bridge). Rethrows what work threw; returns false when
// the user cancelled (work then ended early through Cancellation::Cancelled). With showAfterMs
// the dialog appears only when work takes longer than that, so a quick task shows nothing.
bool runInBackground(const QString& text, const std::function<void()>& work, int showAfterMs = 0);

// Runs action at once when no job runs behind its dialog (runJob, runInBackground); otherwise
// as soon as the last one has ended, before its caller goes on. A report that arrives during a
// job (the listener's error) thus follows the job's own boxes instead of landing between them.
void whenNoJobRuns(const std::function<void()>& action);
