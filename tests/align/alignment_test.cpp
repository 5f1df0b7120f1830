// Registration of synthetic handheld frames whose true transforms are known exactly: the scene is
// drawn at every frame's own sample points, so no frame is resampled from another.
#include "align/alignment_estimate.h"
#include "demo/handheld_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace lumicomb {
namespace {

/// A map about the frame's centre: a shift, then a turn (degrees), a scale, a shear and a tilt.
FrameTransform handheld(int64_t width, int64_t height, double dx, double dy, double degrees,
                        double scale = 1, double shear = 0, double tilt = 0) {
  const double c = scale * std::cos(degrees * M_PI / 180);
  const double s = scale * std::sin(degrees * M_PI / 180);
  const double cx = (width - 1) / 2.0;
  const double cy = (height - 1) / 2.0;
  return FrameTransform::translation(-cx, -cy)
      .then(FrameTransform{{c, shear - s, 0, s, c, 0, tilt / width, -0.7 * tilt / width, 1}})
      .then(FrameTransform::translation(cx + dx, cy + dy));
}

GreyPicture frame(int64_t width, int64_t height, const FrameTransform &toImageOne,
                  uint64_t noiseSeed, uint64_t sceneSeed = 1) {
  std::vector<uint8_t> rgb =
      renderHandheldFrame(width, height, {toImageOne.m, 3.0, noiseSeed, sceneSeed});
  return greyCopy({rgb.data(), width, height, width * 3, 1}, std::max(width, height));
}

double cornerRms(const FrameTransform &a, const FrameTransform &b, int64_t width, int64_t height) {
  double sum = 0;
  for (const PixelPoint corner :
       {PixelPoint{0, 0}, {width - 1.0, 0}, {0, height - 1.0}, {width - 1.0, height - 1.0}}) {
    const PixelPoint p = a.apply(corner);
    const PixelPoint q = b.apply(corner);
    sum += (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y);
  }
  return std::sqrt(sum / 4);
}

/// Whether the matrix has no freedom the model lacks.
bool keepsToModel(const FrameTransform &t, AlignModel model) {
  const auto &m = t.m;
  const bool affine = m[6] == 0 && m[7] == 0 && m[8] == 1;
  switch (model) {
  case AlignModel::Translation:
    return affine && m[0] == 1 && m[1] == 0 && m[3] == 0 && m[4] == 1;
  case AlignModel::Similarity:
    return affine && std::abs(m[0] - m[4]) < 1e-12 && std::abs(m[1] + m[3]) < 1e-12;
  case AlignModel::Affine:
    return affine;
  case AlignModel::Homography:
    return m[8] == 1;
  }
  return false;
}

TEST(AlignmentEstimate, RecoversEveryModelToAQuarterPixelAtTheCorners) {
  struct Case {
    AlignModel model;
    int64_t width, height;
    double dx, dy, degrees, scale, shear, tilt;
  };
  const Case cases[] = {
      {AlignModel::Translation, 640, 400, 32, -17.5, 0, 1, 0, 0},
      {AlignModel::Similarity, 640, 400, -12.3, 19.6, 2, 1.03, 0, 0},
      {AlignModel::Similarity, 640, 400, 8.2, 4.1, -1.4, 0.98, 0, 0},
      {AlignModel::Affine, 640, 400, 19.4, 8.8, -1.2, 0.99, 0.012, 0},
      {AlignModel::Homography, 640, 400, -22.4, -7.9, 0.8, 1, 0, 0.015},
      {AlignModel::Affine, 1280, 800, -51.2, 33.3, 1.7, 1.02, -0.006, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(alignModelName(c.model) + " " + std::to_string(c.width));
    const FrameTransform truth =
        handheld(c.width, c.height, c.dx, c.dy, c.degrees, c.scale, c.shear, c.tilt);
    const AlignmentOutcome outcome = estimateAlignment(frame(c.width, c.height, {}, 1),
                                                       frame(c.width, c.height, truth, 2), c.model);
    ASSERT_EQ(outcome.refusal, "");
    EXPECT_LT(cornerRms(outcome.transform, truth, c.width, c.height), 0.25);
    EXPECT_TRUE(keepsToModel(outcome.transform, c.model));
  }
}

TEST(AlignmentEstimate, GivesTheSameResultOnAnyThreadWhateverRanBefore) {
  const GreyPicture reference = frame(640, 400, {}, 1);
  const GreyPicture source = frame(640, 400, handheld(640, 400, 9.5, -6.2, 1.1, 1, 0, 0.01), 2);
  const FrameTransform first =
      estimateAlignment(reference, source, AlignModel::Homography).transform;
  FrameTransform others[2];
  std::thread workers[2];
  for (int i = 0; i < 2; ++i)
    workers[i] = std::thread([&, i] {
      estimateAlignment(reference, frame(640, 400, {}, 3), AlignModel::Affine);
      others[i] = estimateAlignment(reference, source, AlignModel::Homography).transform;
    });
  for (std::thread &worker : workers)
    worker.join();
  for (const FrameTransform &other : others)
    EXPECT_EQ(other.m, first.m);
}

TEST(AlignmentEstimate, IdenticalFramesGiveTheExactIdentity) {
  const GreyPicture reference = frame(640, 400, {}, 1);
  for (const AlignModel model : {AlignModel::Translation, AlignModel::Homography}) {
    const AlignmentOutcome outcome = estimateAlignment(reference, GreyPicture(reference), model);
    EXPECT_EQ(outcome.refusal, "");
    EXPECT_EQ(outcome.transform.m, FrameTransform{}.m);
  }
}

TEST(AlignmentEstimate, RefusesFramesItCannotAlignWithTheReason) {
  const GreyPicture reference = frame(640, 400, {}, 1);
  const GreyPicture flat{640, 400, std::vector<uint8_t>(640 * 400, 90)};
  struct Case {
    GreyPicture source;
    AlignModel model;
    std::string refusal; ///< empty: any reason will do
  };
  const Case cases[] = {
      {frame(640, 400, {}, 2, 7), AlignModel::Translation, ""},
      {frame(640, 400, {}, 2, 7), AlignModel::Homography, ""},
      {flat, AlignModel::Affine, "too few features match"},
      {frame(640, 400, FrameTransform::translation(176, 12), 2), AlignModel::Translation,
       "it moves by more than a quarter of the picture"},
      {frame(640, 400, handheld(640, 400, 3, 2, 0, 1.4), 2), AlignModel::Similarity,
       "it is scaled by more than 0.8 to 1.25 allows"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(alignModelName(c.model) + ": " + c.refusal);
    const AlignmentOutcome outcome = estimateAlignment(reference, c.source, c.model);
    EXPECT_NE(outcome.refusal, "");
    if (!c.refusal.empty()) {
      EXPECT_EQ(outcome.refusal, c.refusal);
    }
  }
}

TEST(AlignModel, NamesRoundTrip) {
  for (const AlignModel model : {AlignModel::Translation, AlignModel::Similarity,
                                 AlignModel::Affine, AlignModel::Homography})
    EXPECT_EQ(alignModelNamed(alignModelName(model)), model);
  EXPECT_EQ(alignModelNamed("rigid"), std::nullopt);
  EXPECT_EQ(alignModelNames(), "translation | similarity | affine | homography");
}

} // namespace
} // namespace lumicomb
