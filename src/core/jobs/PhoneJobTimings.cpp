#include "core/jobs/PhoneJobTimings.h"

#include <atomic>

namespace {

std::atomic<int> g_waitBeforeConnectMs{PhoneJobTimings::WAIT_BEFORE_CONNECT_MS};
std::atomic<int> g_pauseAfterSuccessMs{PhoneJobTimings::PAUSE_AFTER_SUCCESS_MS};

} // namespace

namespace PhoneJobTimings {

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

} // namespace PhoneJobTimings
