#pragma once
// A rule that needs each frame whole: it looks at a neighbourhood of every position (pyramids,
// windows), so it cannot work row by row as the per-position rules do. The frame pass reads the
// frames one after another, as often as the rule asks, and the rule keeps what it merges from
// them, so that its memory does not grow with their number. Rules are pure: no files, windows,
// threads or progress; rows hold samples of the rule's depth as a sweep rule's do.
#include <cstdint>
#include <memory>

namespace lumicomb {

/// Row y of a frame: 3 x width samples of the rule's depth. A reader may throw to stop the run.
class FrameReader {
public:
  virtual ~FrameReader() = default;
  virtual const uint8_t *row(int64_t y) = 0;
};

/// What one frame is made into before it is merged: pyramids, measures. Each frame in work has
/// its own, reused from frame to frame.
class FrameWork {
public:
  virtual ~FrameWork() = default;
};

class FrameRule {
public:
  virtual ~FrameRule() = default;

  /// How many times every frame is read: the run's state from one sweep decides what the next
  /// takes from each frame.
  virtual int sweeps() const = 0;
  /// Bytes the rule holds for the whole run, and those of one FrameWork, for frames of width x
  /// height, so that a pass can tell before anything is decoded whether they fit its budget.
  virtual uint64_t sharedBytes(int frames, int64_t width, int64_t height) const = 0;
  virtual uint64_t workBytes(int64_t width, int64_t height) const = 0;

  /// Sets up the run's state for `frames` frames of width x height.
  virtual void begin(int frames, int64_t width, int64_t height) = 0;
  virtual std::unique_ptr<FrameWork> makeWork() const = 0;
  /// Whether `frame` (1-based) has anything to give in `sweep` (0-based); one that has not is
  /// not read.
  virtual bool wantsFrame(int sweep, int frame) const {
    (void)sweep;
    (void)frame;
    return true;
  }
  /// Reads every row of the frame into the work, its samples multiplied by `gain`.
  virtual void read(int sweep, FrameReader &rows, double gain, FrameWork &work) const = 0;
  /// Works the frame over once its rows are read (the frame itself may be gone by then).
  /// Frames may be read and prepared concurrently, each with its own work.
  virtual void prepare(int sweep, FrameWork &work) const = 0;
  /// Merges part `part` of `parts` equal bands of the picture from the frame's work into the
  /// run's state. Different parts may be merged at once; one part is merged by one frame at a
  /// time, the frames in any order, and the result must not depend on that order.
  virtual void merge(int sweep, int frame, const FrameWork &work, int part, int parts) = 0;
  /// Called once every frame of the sweep is merged.
  virtual void endSweep(int sweep) = 0;

  /// Whether each frame differs little from the one before it (focus or exposure stepping
  /// along), so that frames are best aligned to the one before them.
  virtual bool framesInSequence() const { return true; }
  /// Whether the frames should be equally bright, so that aligning them evens out an exposure
  /// that drifts.
  virtual bool evenExposure() const { return false; }

  /// After the last sweep: writes result row y; rows may be written concurrently.
  virtual void writeRow(int64_t y, uint8_t *out) const = 0;
  /// Whether the rule takes each position from one frame, which chosenFrames then tells.
  virtual bool choosesFrames() const { return false; }
  /// After the last sweep: the 1-based frame chosen at each position of row y.
  virtual void chosenFrames(int64_t y, uint16_t *out) const {
    (void)y;
    (void)out;
  }
};

} // namespace lumicomb
