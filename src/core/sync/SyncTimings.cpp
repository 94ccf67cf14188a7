#include "core/sync/SyncTimings.h"

#include <atomic>

namespace {

std::atomic<int> g_waitBeforeConnectMs{SyncTimings::WAIT_BEFORE_CONNECT_MS};
std::atomic<int> g_pauseAfterSuccessMs{SyncTimings::PAUSE_AFTER_SUCCESS_MS};

} // namespace

namespace SyncTimings {

int waitBeforeConnectMs()
{
    return g_waitBeforeConnectMs.load();
}

int pauseAfterSuccessMs()
{
    return g_pauseAfterSuccessMs.load();
}

void setForTests(int waitBeforeConnectMs, int pauseAfterSuccessMs)
{
    g_waitBeforeConnectMs = waitBeforeConnectMs;
    g_pauseAfterSuccessMs = pauseAfterSuccessMs;
}

} // namespace SyncTimings
