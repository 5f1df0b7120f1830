#pragma once
// A full-size result kept in memory after its blend, to look at and for the saves that follow. It
// stands for its request over the images it was made from, and for nothing once any of them
// changes.
#include "app/save_image.h"
#include "passes/run_blend.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumicomb {

/// A source file as a blend read it: where it is, how large it is and when it last changed.
struct FileStamp {
  std::string path;
  int64_t bytes = -1;  ///< -1: it could not be looked at
  int64_t changed = 0; ///< nanoseconds since the epoch
  bool operator==(const FileStamp &) const = default;
};

/// What a full-size result is made from. Two are equal only where one blend gives both results:
/// the request, compared whole (a field added to it counts at once) but for what does not shape
/// a full-size result (its mode, preview box, threads, memory budget and map); the image set's
/// generation; and every image's and dark's file stamp, in the set's order.
struct ResultInputs {
  BlendRequest request;
  uint64_t generation = 0;
  std::vector<FileStamp> files;
  bool operator==(const ResultInputs &) const = default;
};

ResultInputs resultInputs(const ImageSet &set, const BlendRequest &request);

/// What keeping a width x height result of the depth takes while it is looked at: the picture
/// and its copy on screen (four bytes a pixel, and a third more for its smaller copies), as much
/// again for image 1, which is shown beside it for comparison, and with a map, the map and its
/// false colours on screen.
uint64_t keptResultBytes(int64_t width, int64_t height, SampleDepth depth, bool withMap = false);

struct KeptResult {
  ResultInputs inputs;
  std::shared_ptr<FIBITMAP> picture; ///< RGB of the request's depth, in image 1's colour profile
  std::vector<uint8_t> iccProfile;
  std::shared_ptr<const PhotoMetadata> metadata;
  int sources = 0;
  std::shared_ptr<const AlignmentPlan> alignment;
  ResultMap map; ///< the rule's map, for rules that make one

  /// Whether a full-size blend of the set with the request would give this result.
  bool isCurrentFor(const ImageSet &set, const BlendRequest &request) const;
};

/// A result to keep, or the rule's refusal of the image count with nothing blended.
struct KeptBlend {
  std::shared_ptr<const KeptResult> result;
  std::optional<std::string> refusal;
};

/// Blends at full size to keep the result, with the rule's map if it makes one, noting its inputs
/// before any file is read. Refuses
/// first, with the estimate and the budget and with nothing decoded, a result that could not be
/// kept within the request's memory budget.
KeptBlend blendToKeep(ImageSet &set, const BlendRequest &request, RunObserver &observer);

/// "Save image as ...": writes `kept` when it is current for the job's request (see
/// isCurrentFor) without blending again, else blends and saves as blendAndSave does, which
/// gives the rule's refusal.
std::optional<std::string> saveResultOf(ImageSet &set, const SaveJob &job, const KeptResult *kept,
                                        RunObserver &observer,
                                        std::shared_ptr<const AlignmentPlan> *alignment = nullptr);

} // namespace lumicomb
