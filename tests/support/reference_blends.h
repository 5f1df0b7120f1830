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

} // namespace lumicomb::test
