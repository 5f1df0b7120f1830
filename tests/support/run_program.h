#pragma once
// Starting a program of the project as its own process and collecting what it says.
#include <functional>
#include <string>
#include <vector>

namespace lumicomb::test {

struct RunResult {
  int exitCode = -1; ///< the exit status, or 128 + signal number when the tool was killed
  std::string out;
  std::string err;
  long peakKiB = 0; ///< the most memory the program held
};

/// What a test does to the program while it runs.
struct WhileRunning {
  /// Called with the program's process id on a thread of its own once it has started.
  std::function<void(int pid)> act;
  /// SIGINT and SIGTERM start blocked, so that one sent at once waits until the program has
  /// its handlers in place and lets them through.
  bool stopSignalsHeld = false;
};

/// Runs `words` (the program's path first) with stdin empty, the environment of the tests plus
/// `settings` ("NAME=value", replacing any inherited value), in `workingFolder` when not empty.
RunResult runProgram(std::vector<std::string> words, const std::vector<std::string> &settings,
                     const std::string &workingFolder, const WhileRunning &whileRunning = {});

} // namespace lumicomb::test
