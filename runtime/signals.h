#pragma once
// Ending the program from outside: SIGTERM, SIGINT and SIGHUP. The handlers
// only record which signal came; the screen notices it at its next input
// poll and raises StopRequested, which the program's entry point catches to
// save what must not be lost before it ends.
namespace vorn {

// Raised by the screen's input calls once a stop signal has arrived.
struct StopRequested {
  int signal = 0;   // the signal number
};

// Installs the recording handlers for SIGTERM, SIGINT and SIGHUP (no
// SA_RESTART, so a blocking wait returns at once with EINTR).
void installStopSignals();
// The stop signal received so far, 0 when none.
int stopSignal();
// Forgets a received signal (tests).
void clearStopSignal();

}  // namespace vorn
