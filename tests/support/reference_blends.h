#pragma once
// Plain, obviously-correct versions of the blend rules to check the fast ones against. They work
// per position in whole numbers, straight from each rule's definition, in source order.
#include "support/test_images.h"

namespace lumicomb::test {

/// Whole-number division rounded to nearest with halves to the even neighbour, without floating
/// point, so it checks the engine's arithmetic independently.
int64_t dividedHalfEven(int64_t total, int64_t divisor);

/// Per channel: the total over the stack divided by `divisor`, rounded half to even, at most 255.
/// The average is this with the stack's size as divisor.
Picture referenceSumDivide(const std::vector<Picture> &stack, int64_t divisor);

Picture referenceBrightest(const std::vector<Picture> &stack);
Picture referenceDarkest(const std::vector<Picture> &stack);
/// Each channel sorted on its own; an even count takes the two middle values' mean.
Picture referenceMedian(const std::vector<Picture> &stack);
Picture referenceAverageOfCommonest(const std::vector<Picture> &stack);
Picture referenceDifferentFromFirst(const std::vector<Picture> &stack, int limit);
Picture referenceMostDifferent(const std::vector<Picture> &stack);
/// Per channel: max over k of 2^(-(N-1-k)/halfLife) * F_k, rounded once, halves to even.
Picture referenceComet(const std::vector<Picture> &stack, double halfLife);

/// 16-bit samples, three per pixel, row by row: what a rule made for 16 bits reads and writes.
/// No rule depends on the channel order, so these pictures have none.
struct WidePicture {
  int64_t width = 0;
  int64_t height = 0;
  std::vector<uint16_t> samples;
  bool operator==(const WidePicture &) const = default;
};

/// The picture's samples (red, green, blue) each multiplied by `factor`: 257 turns 8-bit samples
/// into the 16-bit samples of the same colour.
WidePicture widened(const Picture &picture, int factor = 257);

/// The same rules at 16 bits: results at most 65535, and where a rule decides on 8-bit values
/// (the buckets of "Average of commonest", the limit of "Different from first") it takes each
/// sample's round(v / 257).
namespace wide {
WidePicture referenceSumDivide(const std::vector<WidePicture> &stack, int64_t divisor);
WidePicture referenceBrightest(const std::vector<WidePicture> &stack);
WidePicture referenceDarkest(const std::vector<WidePicture> &stack);
WidePicture referenceMedian(const std::vector<WidePicture> &stack);
WidePicture referenceAverageOfCommonest(const std::vector<WidePicture> &stack);
WidePicture referenceDifferentFromFirst(const std::vector<WidePicture> &stack, int limit);
WidePicture referenceMostDifferent(const std::vector<WidePicture> &stack);
WidePicture referenceComet(const std::vector<WidePicture> &stack, double halfLife);
} // namespace wide

} // namespace lumicomb::test
