#include "host/stop_signal.h"

#include <csignal>

namespace host {
namespace {

volatile std::sig_atomic_t stopSignal = 0;

void Remember(int signal) {
  if (!stopSignal) stopSignal = signal;
}

}  // namespace

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = Remember;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait in progress returns, and its caller looks again.
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int StopSignal() { return stopSignal; }

}  // namespace host
