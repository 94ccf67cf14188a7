#pragma once

#include <QByteArray>

// What a benchmark prints beside its times: memory and CPU from /proc and getrusage, and the
// machine's load, which moves wall times on a shared machine.

// A "kB" field of /proc/self/status ("VmHWM:", "VmRSS:"), or -1.
qint64 statusKiB(const char* field);
// The same of another running process. (The peak of a child cannot be taken from
// getrusage(RUSAGE_CHILDREN): it also counts the parent's pages the child held between fork
// and exec.)
qint64 processStatusKiB(qint64 pid, const char* field);
// User and system CPU seconds of this process so far.
double ownCpuSeconds();
// User and system CPU seconds of another process so far, or 0.
double processCpuSeconds(qint64 pid);
// The three load averages, or "?".
QByteArray loadAverage();
