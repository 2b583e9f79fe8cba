#include "runtime/signals.h"

#include <csignal>
#include <initializer_list>

namespace vorn {

namespace {

// The one mutable global of the program: a signal handler may touch nothing
// else. It holds the number of the stop signal received, 0 while none came.
volatile std::sig_atomic_t receivedStopSignal = 0;

extern "C" void recordStopSignal(int signal) { receivedStopSignal = signal; }

}  // namespace

void installStopSignals() {
  struct sigaction action {};
  action.sa_handler = recordStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

int stopSignal() { return int(receivedStopSignal); }

void clearStopSignal() { receivedStopSignal = 0; }

}  // namespace vorn
