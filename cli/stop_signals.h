#pragma once
// SIGINT and SIGTERM stop a run of lumicomb-cli through the run's own cancel path, so that it
// removes what it was writing and says so, instead of dying part-way.
namespace lumicomb::cli {

/// Installs the handlers, then lets both signals through (a parent may have blocked them).
void catchStopSignals();

/// The signal that asked the tool to stop, or 0.
int stopSignal();

/// The exit status after stopping for `signal`, as a shell reports a death by it: 128 + signal.
int exitStatusFor(int signal);

} // namespace lumicomb::cli
