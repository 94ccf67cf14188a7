#pragma once

#include <QtGlobal>
#include <functional>
#include <stdexcept>

// Every job runs on a thread of its own, and cancelling a job is an interruption request on
// that thread (QThread::requestInterruption). Every wait of a job runs in slices of at most
// SLICE_MS and looks at the request between slices, so a job ends soon after a cancel whatever
// its peer does; a wait "without limit" still has none, it only stays cancellable.
namespace Cancellation {

inline constexpr int SLICE_MS = 100;

// The job was cancelled; unwinds to the top of the job's run, where it is not an error.
class Cancelled : public std::runtime_error
{
public:
    Cancelled();
};

// True when the calling thread was asked to stop (never on the main thread).
bool requested();
// Throws Cancelled when requested().
void throwIfRequested();

// Sleeps ms in slices; throws Cancelled when asked to stop meanwhile.
void sleep(int ms);
// Sleeps ms in slices; false (at once) when asked to stop meanwhile. For waits after which the
// work is done anyway, such as the pause after a committed job.
bool pause(int ms);

// The result of one slice of a wait.
enum class Slice
{
    Done,    // what was waited for happened
    Pending, // not yet: wait another slice
    Failed,  // it will not happen (the wait ends with false at once)
};

// Calls waitSlice with slices of at most SLICE_MS until it says Done (true) or Failed (false),
// or until timeoutMs ran out (false; -1: no limit). Throws Cancelled when asked to stop.
bool wait(int timeoutMs, const std::function<Slice(int sliceMs)>& waitSlice);

} // namespace Cancellation
