#pragma once
// "Average of commonest": at each position the sources' colours fall into 11 x 11 x 11 coarse
// buckets; the result is the mean of the real colours in the bucket that holds the most.
#include "rules/band_rule.h"

#include <memory>

namespace lumicomb {

std::unique_ptr<BandRule> averageOfCommonestRule();

} // namespace lumicomb
