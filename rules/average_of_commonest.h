#pragma once
// "Average of commonest": at each position the sources' colours fall into 11 x 11 x 11 coarse
// buckets; the result is the mean of the real colours in the bucket that holds the most.
#include "base/sample_depth.h"
#include "rules/band_rule.h"

#include <memory>

namespace lumicomb {

/// At 16 bits the buckets are those of the samples' 8-bit equivalents, so the same bucket wins as
/// at 8 bits; the mean is of the 16-bit samples in it.
std::unique_ptr<BandRule> averageOfCommonestRule(SampleDepth depth = SampleDepth::Eight);

} // namespace lumicomb
