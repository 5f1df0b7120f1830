#pragma once
// Plain, obviously-correct versions of the blend rules to check the fast ones against.
#include "support/test_images.h"

namespace lumicomb::test {

/// Whole-number division rounded to nearest with halves to the even neighbour, without floating
/// point, so it checks the engine's arithmetic independently.
int64_t dividedHalfEven(int64_t total, int64_t divisor);

/// Per channel: the total over the stack divided by `divisor`, rounded half to even, at most 255.
/// The average is this with the stack's size as divisor.
Picture referenceSumDivide(const std::vector<Picture> &stack, int64_t divisor);

} // namespace lumicomb::test
