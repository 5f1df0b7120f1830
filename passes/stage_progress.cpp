#include "passes/stage_progress.h"

#include <algorithm>
#include <utility>

namespace lumicomb {

StageProgress::StageProgress(RunObserver &observer, std::string phase, int64_t frames)
    : m_observer(observer) {
  observer.setPhase({std::move(phase), frames});
  observer.setProgressMaximum(static_cast<double>(std::max<int64_t>(frames, 1)));
  observer.setProgressValue(0);
}

void StageProgress::frameDone() {
  std::lock_guard lock(m_mutex);
  m_observer.setProgressValue(++m_done);
  m_observer.yield();
}

void StageProgress::yield() {
  std::lock_guard lock(m_mutex);
  m_observer.yield();
}

} // namespace lumicomb
