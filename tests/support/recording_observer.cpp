#include "support/recording_observer.h"

#include "base/errors.h"

namespace lumicomb::test {

void RecordingObserver::yield() {
  if (cancelRequested())
    throw LumicombError(ErrorKind::Cancelled, "the blend was cancelled");
  ++yields;
}

void RecordingObserver::setPhase(const RunPhase &phase) {
  m_phase = phase;
  progressMaximum = 0;
  phaseCounts.emplace_back();
  noteCount(0);
}

void RecordingObserver::setProgressValue(int64_t value) {
  progressValues.push_back(value);
  noteCount(value);
}

void RecordingObserver::noteCount(int64_t value) {
  std::string count = m_phase.name;
  if (m_phase.frames > 0)
    count += " " + std::to_string(framesDone(m_phase, value, progressMaximum)) + "/" +
             std::to_string(m_phase.frames);
  if (phaseCounts.empty())
    return;
  std::vector<std::string> &counts = phaseCounts.back();
  if (counts.empty() || counts.back() != count)
    counts.push_back(count);
}

} // namespace lumicomb::test
