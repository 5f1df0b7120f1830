#pragma once
// The band pass, for rules that need every source's sample of a position at once: it gathers a
// band of rows of every source, lets the rule reduce the band, writes it and goes on to the next.
#include "passes/sweep_pass.h"
#include "rules/band_rule.h"

namespace lumicomb {

/// Blends every source into a new 24-bit bitmap of image 1's size for the run mode, holding at
/// most about context.memoryBudget bytes (see planBands), and sets the progress maximum to its
/// height. Progress rises from 0 to the height without overshooting it. Afterwards no source
/// holds a full-size bitmap.
Bitmap runBandPass(const PassContext &context, BandRule &rule);

} // namespace lumicomb
