#pragma once
// Runs a rule directly on pictures in memory, without files, passes or threads.
#include "base/sample_depth.h"
#include "rules/band_rule.h"
#include "rules/sweep_rule.h"
#include "support/reference_blends.h"
#include "support/test_images.h"

namespace lumicomb::test {

/// Feeds every row of the stack to a sweep rule, sources in the given order of 0-based stack
/// indices, and reduces the result.
Picture sweepBlend(SweepRule &rule, const std::vector<Picture> &stack,
                   const std::vector<int> &order);
/// The same in source order.
Picture sweepBlend(SweepRule &rule, const std::vector<Picture> &stack);

/// Hands a band rule every row of all sources at once.
Picture bandBlend(BandRule &rule, const std::vector<Picture> &stack);

/// The same for a rule made for 16 bits.
WidePicture sweepBlend(SweepRule &rule, const std::vector<WidePicture> &stack,
                       const std::vector<int> &order);
WidePicture bandBlend(BandRule &rule, const std::vector<WidePicture> &stack);

/// Hands a band rule made for `depth` every row of all sources at once, as samples of that depth
/// (at 8 bits the pictures' samples must fit a byte), and collects the result and, when `map` is
/// given, the rule's map.
WidePicture bandBlendAtDepth(BandRule &rule, const std::vector<WidePicture> &stack,
                             SampleDepth depth, std::vector<uint16_t> *map = nullptr);

/// Random 16-bit pictures, half their samples drawn from where rounding turns: next to the
/// halves between 8-bit equivalents (257k +- 128), at the buckets' edges and at both ends.
std::vector<WidePicture> randomWideStack(int count, int64_t width, int64_t height, unsigned seed);

/// Sources whose only pixel has the given red values, green and blue 0.
std::vector<Picture> redStack(std::initializer_list<uint8_t> reds);
/// The red value of a picture's first pixel.
uint8_t redOf(const Picture &picture);
/// Sources of one pixel each with the given colours.
std::vector<Picture> colourStack(std::initializer_list<Rgb> colours);

} // namespace lumicomb::test
