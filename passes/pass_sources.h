#pragma once
// How the passes get at their sources: planning their decoding within the memory budget,
// loading them for the run mode, checking their size against image 1, holding early arrivals
// until image 1 has set the result up, and releasing them again.
#include "passes/sweep_pass.h"

#include <functional>

namespace lumicomb {

struct PictureSize {
  int64_t width;
  int64_t height;
};

PictureSize sizeOf(const FIBITMAP *bitmap);

/// How the sources are decoded within the memory budget.
struct DecodingPlan {
  int threads = 1;         ///< sources decoded side by side
  size_t queueLimit = 0;   ///< decoded sources that may wait for image 1 beside those
  uint64_t heldBeside = 0; ///< what the pass holds beside the pictures in decoding
  ImageHeader first;       ///< image 1's header; width 0 when nothing needs decoding
};

/// Reads image 1's header, unless every source the run needs is already held, and works out
/// how many pictures of its size fit side by side beside what the pass holds for a result of
/// the given size (`heldBeside`). A picture that does not fit even alone is refused, naming
/// image 1 and its size, before anything is decoded. At most `queueWanted` decoded sources may
/// wait for image 1.
DecodingPlan planDecoding(const PassContext &context,
                          const std::function<uint64_t(PictureSize result)> &heldBeside,
                          size_t queueWanted);

/// Makes sure source i's bitmap for the run mode is loaded: its preview, or its full size. Its
/// header is checked first: against the budget, and, for the others, against image 1's size.
void loadSource(const PassContext &context, const DecodingPlan &plan, int i);
/// Source i's loaded bitmap for the run mode.
const FIBITMAP *loadedSource(const PassContext &context, int i);

/// Fails with a message naming the file and both sizes when source i is not image 1's size.
void requireSameSize(const PassContext &context, int i, PictureSize expected);

/// Loads every source for the run mode, on as many threads as the plan allows, and hands each
/// to `gather` once it is in and has image 1's size. Image 1 is loaded first: `setUp` sees it
/// before anything is gathered, and it is gathered whole before any other source. Sources
/// loaded before that wait: up to the plan's queue limit of them in a queue while their
/// threads go on loading, the rest on their threads.
///
/// Any failure anywhere (a cancel, a lack of memory, a rule's own) releases every waiting
/// thread and reaches the caller once all threads are done. Sources after the failing one are
/// abandoned; those before it go on, so that the failure of the lowest-numbered source is the
/// one thrown, whatever the thread count.
void gatherSources(const PassContext &context, const DecodingPlan &plan,
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
