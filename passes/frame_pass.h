#pragma once
// The pass of the whole-frame rules (focus stacking, exposure fusion): every frame is read whole,
// once per sweep the rule asks for, and merged into what the rule keeps.
#include "fusion/frame_rule.h"
#include "imaging/bitmap.h"
#include "passes/pass_context.h"

namespace lumicomb {

/// Runs the rule over the sources of the context's run mode and returns the result. What the rule
/// keeps and one frame in work per thread must fit the budget beside a decode, else the picture is
/// refused before anything is decoded, naming what it would need; otherwise only as many frames
/// are worked on at once as fit, so memory does not grow with the number of frames. Each source
/// row read yields; the result does not depend on the thread count.
Bitmap runFramePass(const PassContext &context, FrameRule &rule);

} // namespace lumicomb
