#pragma once
// The grey copies an alignment fits frames on, kept while fits still need them: a frame fitted to
// the one before it needs that one's copy, which another thread may still be making.
#include "align/grey_picture.h"
#include "passes/pass_sources.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

namespace lumicomb {

/// A frame's grey copy, and the size of the picture it was made from.
struct GreyFrame {
  GreyPicture grey;
  PictureSize picture{};
};

class GreyFrames {
public:
  /// `uses[i - 1]`: how many fits read frame i's copy; it goes once they are done.
  explicit GreyFrames(std::vector<int> uses);

  void put(int i, GreyFrame frame);
  /// Frame i's copy, once it is put; fails when the copies are abandoned first. The copy stays
  /// until done(i) has been called once for each of its uses.
  const GreyFrame &waitFor(int i);
  void done(int i);
  /// After a failure: every waiting fit fails too, so that none waits for ever.
  void abandon();

private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::optional<GreyFrame>> m_frames;
  std::vector<int> m_uses;
  bool m_abandoned = false;
};

} // namespace lumicomb
