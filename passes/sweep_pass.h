#pragma once
// The shared pass: loads every source of the run mode, feeds its scan lines to the rule,
// reports progress and yields once per row, releases full-size sources, writes the result.
#include "passes/pass_context.h"
#include "rules/sweep_rule.h"

namespace lumicomb {

/// Blends every source into a new 24-bit bitmap of image 1's size for the run mode and sets
/// the progress maximum to its height. Sources are decoded in parallel; image 1's header fixes
/// the size, and a source of another size fails the pass before any result pixel is written.
/// Each source is collected as soon as it is decoded, or, for a rule that needs it, image 1
/// whole before any other. Afterwards no source holds a full-size bitmap.
Bitmap runSweepPass(const PassContext &context, SweepRule &rule);

/// Progress value after `rowsDone` of the `sources` x `height` source rows, in the order of a
/// sweep of image 1, then image 2, ...: (i-1)*H/N + y/N, rounded half to even.
int64_t sweepProgressValue(int64_t rowsDone, int sources, int64_t height);

} // namespace lumicomb
