#pragma once
// Handing decoded sources to a pass in their order, 1, 2, 3 ..., though they are decoded in
// parallel: for work whose every step depends on the one before.
#include "passes/pass_sources.h"

#include <functional>

namespace lumicomb {

/// Loads every source for the run mode, on as many threads as the plan allows, and hands each to
/// `gather` in ascending order, one at a time, once it is in and has the plan's sizes. A source
/// decoded before its turn waits: up to the plan's queue limit of them in a queue while their
/// threads go on decoding, the rest on their threads; so no more pictures are held than the plan
/// counts. The sources are started in ascending order, so the one whose turn it is is always
/// being decoded or waiting, and the order never stalls.
///
/// Any failure (a cancel, a lack of memory, `gather`'s own) abandons the sources after the
/// failing one and reaches the caller once all threads are done; the failure of the
/// lowest-numbered source is the one thrown, whatever the thread count.
void gatherSourcesInOrder(const PassContext &context, const DecodingPlan &plan,
                          const std::function<void(int i, const FIBITMAP *source)> &gather);

} // namespace lumicomb
