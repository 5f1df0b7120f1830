#include "passes/grey_frames.h"

#include "base/errors.h"

namespace lumicomb {

GreyFrames::GreyFrames(std::vector<int> uses) : m_frames(uses.size()), m_uses(std::move(uses)) {}

void GreyFrames::put(int i, GreyFrame frame) {
  std::lock_guard lock(m_mutex);
  m_frames[static_cast<size_t>(i - 1)] = std::move(frame);
  m_changed.notify_all();
}

const GreyFrame &GreyFrames::waitFor(int i) {
  std::unique_lock lock(m_mutex);
  const auto index = static_cast<size_t>(i - 1);
  m_changed.wait(lock, [&] { return m_abandoned || m_frames[index].has_value(); });
  if (!m_frames[index])
    throw LumicombError(ErrorKind::Cancelled, "the alignment stopped");
  return *m_frames[index];
}

void GreyFrames::done(int i) {
  std::lock_guard lock(m_mutex);
  const auto index = static_cast<size_t>(i - 1);
  if (--m_uses[index] <= 0)
    m_frames[index].reset();
}

void GreyFrames::abandon() {
  std::lock_guard lock(m_mutex);
  m_abandoned = true;
  m_changed.notify_all();
}

} // namespace lumicomb
