#pragma once
// "Comet trails": each channel keeps its largest value over the sources after fading each source
// by its age, so that trails fade behind the star. Image N (the newest) keeps full brightness;
// an image H images older is at half.
#include "base/sample_depth.h"
#include "rules/sweep_rule.h"

#include <memory>

namespace lumicomb {

/// The factor a sample `age` images older than the newest is faded by: 2^(-age / halfLife).
double cometWeight(int64_t age, double halfLife);

/// Each channel: max over k of cometWeight(N - k, halfLife) * F_k, rounded once, half to even.
/// Rounding is monotone, so rounding every faded sample and keeping the largest gives the same:
/// one plane of the depth's samples, whatever N is. `halfLife` is positive and finite.
std::unique_ptr<SweepRule> cometTrailsRule(double halfLife, SampleDepth depth = SampleDepth::Eight);

} // namespace lumicomb
