#pragma once
// How the passes get at their sources: planning their decoding within the memory budget,
// loading them for the run mode, checking their size against image 1, and releasing them again.
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
  int threads = 1;          ///< sources decoded side by side
  size_t queueLimit = 0;    ///< decoded sources that may wait for image 1 beside those
  uint64_t heldBeside = 0;  ///< what the pass holds beside the pictures in decoding
  ImageHeader first;        ///< image 1's header; width 0 when nothing needs decoding
  PictureSize photograph{}; ///< image 1's photograph, which every source must match
  PictureSize result{};     ///< the result's size, and so every loaded source's
};

/// Reads image 1's header, unless every source the run needs is already held, and works out
/// how many pictures of its size fit side by side beside what the pass holds for a result of
/// the given size (`heldBeside`). A picture that does not fit even alone is refused, naming
/// image 1 and its size, before anything is decoded. At most `queueWanted` decoded sources may
/// wait for image 1. The result's size is known from then on, before any source is decoded.
DecodingPlan planDecoding(const PassContext &context,
                          const std::function<uint64_t(PictureSize result)> &heldBeside,
                          size_t queueWanted);

/// Readies the heap for the run's pictures before the first is decoded (see
/// preparePictureMemory): `held` bytes of bitmaps the pass keeps there, and per thread the
/// picture in decoding with the decoder's own working memory beside it.
void prepareDecodingMemory(const DecodingPlan &plan, uint64_t held);

/// Makes sure source i's bitmap for the run mode is loaded: its preview, or its full size, and in
/// an aligned run that moved into image 1's frame and cropped, in place of the full size. Its
/// header is checked first: against the budget, and, for the others, against image 1's size.
void loadSource(const PassContext &context, const DecodingPlan &plan, int i);
/// Source i's loaded bitmap for the run mode. At 16 bits it may be 24-bit, if its samples are
/// 8-bit and its colours needed no conversion: read its rows with rowAtDepth.
const FIBITMAP *loadedSource(const PassContext &context, int i);
/// Lets go of source i's full-size bitmaps once a pass has what it needs of them.
void releaseSource(const PassContext &context, int i);

/// Refuses source i, naming it and image 1 with both sizes, for being another size than image 1.
[[noreturn]] void refuseOtherSize(const PassContext &context, int i, PictureSize actual,
                                  PictureSize first);

/// Fails with a message naming the file and both sizes when source i's photograph is not
/// `photograph` (image 1's), or its loaded bitmap is not `expected`. Image 1 itself fails only
/// when its file changed since its header was read.
void requireSameSize(const PassContext &context, int i, PictureSize photograph,
                     PictureSize expected);

/// Releases every full-size and aligned source bitmap when the pass ends, also when it fails.
class SourceRelease {
public:
  explicit SourceRelease(ImageSet &set) : m_set(set) {}
  ~SourceRelease();

private:
  ImageSet &m_set;
};

} // namespace lumicomb
