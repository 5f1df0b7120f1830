#pragma once
// How the passes get at their sources: loading them for the run mode, checking their size
// against image 1, holding early arrivals until image 1 has set the result up, and releasing
// them again.
#include "blend/sweep_pass.h"

#include <functional>

namespace lumicomb {

struct PictureSize {
  int64_t width;
  int64_t height;
};

PictureSize sizeOf(const FIBITMAP *bitmap);

/// Makes sure source i's bitmap for the run mode is loaded: its preview, or its full size.
void loadSource(const PassContext &context, int i);
/// Source i's loaded bitmap for the run mode.
const FIBITMAP *loadedSource(const PassContext &context, int i);

/// Fails with a message naming the file and both sizes when source i is not image 1's size.
void requireSameSize(const PassContext &context, int i, PictureSize expected);

/// Loads every source for the run mode on the worker threads and hands each to `gather` once it
/// is in and has image 1's size. Image 1 is loaded first: `setUp` sees it before anything is
/// gathered, and it is gathered whole before any other source. Sources loaded before that wait:
/// up to `queueLimit` of them in a queue while their threads go on loading, the rest on their
/// threads. A failure stops the loading, and the failure of the lowest-numbered source is the one
/// thrown, whatever the thread count.
void gatherSources(const PassContext &context, size_t queueLimit,
                   const std::function<void(const FIBITMAP *first)> &setUp,
                   const std::function<void(int i, const FIBITMAP *source)> &gather);

/// Releases every full-size source bitmap when the pass ends, also when it fails.
class SourceRelease {
public:
  explicit SourceRelease(ImageSet &set) : m_set(set) {}
  ~SourceRelease();

private:
  ImageSet &m_set;
};

} // namespace lumicomb
