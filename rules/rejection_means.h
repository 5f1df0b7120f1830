#pragma once
// "Sigma-clipped mean" and "Winsorized mean": each channel on its own, the mean of the samples
// left once those far from the median, by the low and high kappa times sigma, are rejected, round
// after round (see PositionRejection for the whole definition). Their map counts the samples
// rejected at each pixel, over the three channels.
#include "base/sample_depth.h"
#include "rules/band_rule.h"
#include "rules/rejection_arithmetic.h"

#include <memory>

namespace lumicomb {

std::unique_ptr<BandRule> sigmaClippedMeanRule(rejection::Kappas kappas,
                                               SampleDepth depth = SampleDepth::Eight);

std::unique_ptr<BandRule> winsorizedMeanRule(rejection::Kappas kappas,
                                             SampleDepth depth = SampleDepth::Eight);

} // namespace lumicomb
