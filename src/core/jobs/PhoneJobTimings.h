#pragma once

// The fixed waits of the phone jobs: before connecting the data socket (the phone service
// needs time to open its port) and after a successful end. Tests shorten them with
// setForTests; the program never changes them.
namespace PhoneJobTimings {

inline constexpr int WAIT_BEFORE_CONNECT_MS = 5000;
inline constexpr int PAUSE_AFTER_SUCCESS_MS = 1000;

int waitBeforeConnectMs();
int pauseAfterSuccessMs();
void setForTests(int waitBeforeConnectMs, int pauseAfterSuccessMs);

} // namespace PhoneJobTimings
