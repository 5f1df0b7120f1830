#include "cli/stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace lumicomb::cli {
namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void noteStop(int signal) { g_stopSignal = signal; }

} // namespace

void catchStopSignals() {
  struct sigaction action {};
  action.sa_handler = noteStop;
  sigemptyset(&action.sa_mask);
  // Interrupted reads and writes resume: the library takes a failed transfer for a damaged file.
  action.sa_flags = SA_RESTART;
  sigset_t stops;
  sigemptyset(&stops);
  for (int signal : {SIGINT, SIGTERM}) {
    ::sigaction(signal, &action, nullptr);
    sigaddset(&stops, signal);
  }
  ::sigprocmask(SIG_UNBLOCK, &stops, nullptr);
}

int stopSignal() { return g_stopSignal; }

int exitStatusFor(int signal) { return 128 + signal; }

} // namespace lumicomb::cli
