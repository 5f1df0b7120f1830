#pragma once
// What a run has to say that does not stop it, gathered from its decoding threads and told once
// the run is through, so that no warning lands in the middle of a progress bar.
#include "passes/run_observer.h"

#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace lumicomb {

class RunWarnings {
public:
  /// Keeps the warning unless the same one is already kept; safe from any thread.
  void add(const std::string &message);
  /// Tells the observer every kept warning, in the order they came.
  void tell(RunObserver &observer) const;

private:
  mutable std::mutex m_mutex;
  std::set<std::string> m_seen;
  std::vector<std::string> m_inOrder;
};

} // namespace lumicomb
