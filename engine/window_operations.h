#pragma once
// The few window operations a blend run needs. The desktop program answers them with widgets,
// the command-line tool with its arguments and a terminal bar, the tests with a recording fake.
#include <FreeImage.h>

#include <cstdint>
#include <string>

namespace lumicomb {

class WindowOperations {
public:
  virtual ~WindowOperations() = default;

  /// Index 0-9 of the chosen blend rule.
  virtual int selectedBlendOption() = 0;
  virtual std::string divisorText() = 0;
  virtual std::string limitText() = 0;

  virtual void setProgressVisible(bool visible) = 0;
  virtual void setProgressMaximum(double maximum) = 0;
  /// May exceed the maximum; called from engine threads, but never two calls at once.
  virtual void setProgressValue(int64_t value) = 0;
  /// Once per source row; throws a Cancelled error to stop the run. Same threading as above.
  virtual void yield() = 0;
  /// Whether the user has asked the run to stop; asked where no yield fits, such as during the
  /// writing of the result.
  virtual bool cancelRequested() { return false; }

  virtual void showMessage(const std::string &message) = 0;
  /// Shows the result of a preview run at its pixel size.
  virtual void drawResult(const FIBITMAP *result) = 0;
};

} // namespace lumicomb
