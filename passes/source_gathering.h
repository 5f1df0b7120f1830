#pragma once
// Handing decoded sources to a pass: as soon as each is in, or image 1 first for a rule that
// compares the others with it.
#include "passes/pass_sources.h"

#include <functional>

namespace lumicomb {

/// Loads every source for the run mode, on as many threads as the plan allows, and hands each
/// to `gather` as soon as it is in and has the plan's sizes, in whatever order the threads
/// finish. A thread goes on to its next source only once `gather` returns, so that at most one
/// decoded picture per thread is held here. The pass sets itself up from the plan beforehand.
///
/// Any failure (a cancel, a lack of memory, a rule's own) stops the sources not yet started and
/// reaches the caller once the started ones are done; those are always every source before the
/// failing one, so the failure of the lowest-numbered source is the one thrown, whatever the
/// thread count.
void gatherSourcesInAnyOrder(const PassContext &context, const DecodingPlan &plan,
                             const std::function<void(int i, const FIBITMAP *source)> &gather);

/// Loads every source for the run mode, on as many threads as the plan allows, and hands each
/// to `gather` once it is in and has image 1's size. Image 1 is loaded first: `setUp` sees it
/// before anything is gathered, and it is gathered whole before any other source. Sources
/// loaded before that wait: up to the plan's queue limit of them in a queue while their
/// threads go on loading, the rest on their threads.
///
/// Any failure anywhere (a cancel, a lack of memory, a rule's own) releases every waiting
/// thread and reaches the caller once all threads are done. Sources after the failing one are
/// abandoned; those before it go on, so that the failure of the lowest-numbered source is the
/// one thrown, whatever the thread count.
void gatherSourcesImageOneFirst(const PassContext &context, const DecodingPlan &plan,
                                const std::function<void(const FIBITMAP *first)> &setUp,
                                const std::function<void(int i, const FIBITMAP *source)> &gather);

} // namespace lumicomb
