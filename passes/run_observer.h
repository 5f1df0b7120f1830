#pragma once
// What a blend run tells the one who asked for it, and how it is stopped. The desktop program
// answers with signals to its progress bar and its Cancel button, the command-line tool with a
// terminal bar and its signal flag, the tests with a recording fake.
#include <cstdint>
#include <string>

namespace lumicomb {

class RunObserver {
public:
  virtual ~RunObserver() = default;

  virtual void setProgressVisible(bool visible) = 0;
  virtual void setProgressMaximum(double maximum) = 0;
  /// Called from the run's threads, but never two calls at once.
  virtual void setProgressValue(int64_t value) = 0;
  /// Once per source row; throws a Cancelled error to stop the run. Same threading as above.
  virtual void yield() = 0;
  /// Whether the run should stop; asked where no yield fits, such as during the writing of the
  /// result.
  virtual bool cancelRequested() { return false; }
  /// Something the user should know that does not stop the run, in one line naming the file;
  /// said once per file. Same threading as above.
  virtual void warn(const std::string &message) = 0;
};

} // namespace lumicomb
