#include "passes/run_warnings.h"

namespace lumicomb {

void RunWarnings::add(const std::string &message) {
  std::lock_guard lock(m_mutex);
  if (m_seen.insert(message).second)
    m_inOrder.push_back(message);
}

void RunWarnings::tell(RunObserver &observer) const {
  std::lock_guard lock(m_mutex);
  for (const std::string &message : m_inOrder)
    observer.warn(message);
}

} // namespace lumicomb
