#pragma once
// Starting a program of the project as its own process and collecting what it says.
#include <string>
#include <vector>

namespace lumicomb::test {

struct RunResult {
  int exitCode = -1; ///< the exit status, or 128 + signal number when the tool was killed
  std::string out;
  std::string err;
};

/// Runs `words` (the program's path first) with stdin empty, the environment of the tests plus
/// `settings` ("NAME=value", replacing any inherited value), in `workingFolder` when not empty.
RunResult runProgram(std::vector<std::string> words, const std::vector<std::string> &settings,
                     const std::string &workingFolder);

} // namespace lumicomb::test
