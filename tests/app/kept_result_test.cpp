#include "app/kept_result.h"
#include "base/errors.h"
#include "support/recording_observer.h"
#include "support/reference_blends.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace lumicomb {
namespace {

class KeptResultTest : public ::testing::Test {
protected:
  test::TempDir dir;
  ImageSet set;
  std::vector<test::Picture> stack = test::randomStack(3, 12, 8, 31);
  BlendRequest request; // "Average" at full size

  void SetUp() override { set.append(dir.path().string(), test::writeStack(dir, stack)); }

  std::shared_ptr<const KeptResult> keep() {
    test::RecordingObserver observer;
    KeptBlend blend = blendToKeep(set, request, observer);
    EXPECT_GT(observer.yields, 0);
    return blend.result;
  }

  /// Saves as PNG through the kept result if it is current; returns how many rows were blended.
  int64_t save(const KeptResult &kept, const std::string &name) {
    test::RecordingObserver observer;
    const SaveJob job{.target = {dir.file(name), 4}, .request = request};
    EXPECT_EQ(saveResultOf(set, job, &kept, observer), std::nullopt);
    return observer.yields;
  }
};

TEST_F(KeptResultTest, ASaveWritesTheKeptResultWithoutBlendingAgain) {
  const std::shared_ptr<const KeptResult> kept = keep();
  ASSERT_TRUE(kept);
  EXPECT_EQ(test::toPicture(kept->picture.get()), test::referenceSumDivide(stack, 3));
  EXPECT_EQ(save(*kept, "first.png"), 0);
  EXPECT_EQ(save(*kept, "again.png"), 0) << "a save leaves the result as it was";
  EXPECT_EQ(test::readPicture(dir.file("again.png")), test::referenceSumDivide(stack, 3));
}

TEST_F(KeptResultTest, EveryChangeToWhatTheBlendReadsDropsTheResultAndNothingElseDoes) {
  using Set = ImageSet;
  using Request = BlendRequest;
  const std::string folder = dir.path().string();
  const std::string second = dir.file("frame_2.png");
  struct Change {
    const char *what;
    std::function<void(Set &, Request &)> make;
    bool drops;
  };
  const std::vector<Change> changes = {
      {"rule", [](Set &, Request &r) { r.rule = 2; }, true},
      {"divisor", [](Set &, Request &r) { r.parameters.divisor = 2; }, true},
      {"limit", [](Set &, Request &r) { r.parameters.limit = 9; }, true},
      {"depth", [](Set &, Request &r) { r.depth = SampleDepth::Sixteen; }, true},
      {"alignment", [](Set &, Request &r) { r.alignment = AlignModel::Affine; }, true},
      {"metadata", [](Set &, Request &r) { r.withMetadata = false; }, true},
      {"image added", [&](Set &s, Request &) { s.append(folder, {"frame_1.png"}); }, true},
      {"image removed",
       [](Set &s, Request &) {
         s.remove({false, true});
       },
       true},
      {"dark added", [&](Set &s, Request &) { s.appendDarks(folder, {"frame_3.png"}); }, true},
      {"file changed",
       [&](Set &, Request &) {
         std::filesystem::last_write_time(second, std::filesystem::last_write_time(second) +
                                                      std::chrono::seconds(1));
       },
       true},
      {"preview box",
       [](Set &, Request &r) {
         r.box = {250, 200};
       },
       false},
      {"threads", [](Set &, Request &r) { r.threads = 1; }, false},
      {"memory budget", [](Set &, Request &r) { r.memoryBudget /= 2; }, false},
      {"map asked for", [](Set &, Request &r) { r.withMap = true; }, false},
  };
  for (const Change &change : changes) {
    SCOPED_TRACE(change.what);
    set = {}; // the stack again, as it was
    set.append(dir.path().string(), test::writeStack(dir, stack));
    request = {};
    const std::shared_ptr<const KeptResult> kept = keep();
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->isCurrentFor(set, request));
    change.make(set, request);
    EXPECT_EQ(kept->isCurrentFor(set, request), !change.drops);
  }
}

TEST_F(KeptResultTest, KeepsTheMapOfARuleThatMakesOne) {
  EXPECT_FALSE(keep()->map.picture);
  request.rule = 2; // "Brightest"
  const std::shared_ptr<const KeptResult> kept = keep();
  ASSERT_TRUE(kept->map.picture);
  EXPECT_EQ(kept->map.kind, MapKind::FrameNumbers);
  EXPECT_EQ(widthOf(kept->map.picture.get()), 12);
  EXPECT_EQ(heightOf(kept->map.picture.get()), 8);
}

TEST_F(KeptResultTest, AChangedRequestBlendsAgainAndWritesTheNewResult) {
  const std::shared_ptr<const KeptResult> kept = keep();
  request.rule = 2; // "Brightest"
  EXPECT_GT(save(*kept, "brightest.png"), 0);
  EXPECT_EQ(test::readPicture(dir.file("brightest.png")), test::referenceBrightest(stack));
}

TEST_F(KeptResultTest, ASaveThatAsksForMoreThanTheResultsFileBlendsAgainAndWritesIt) {
  const std::string folder = dir.path().string();
  struct Extra {
    const char *what;
    std::function<void(ImageSet &, BlendRequest &, SaveJob &)> ask;
    std::string written; ///< what the run writes beside the result; empty: nothing to look for
  };
  const std::vector<Extra> extras = {
      {"aligned frames",
       [&](ImageSet &, BlendRequest &, SaveJob &j) { j.alignedFramesFolder = dir.file("aligned"); },
       ""},
      {"master dark",
       [&](ImageSet &s, BlendRequest &, SaveJob &j) {
         s.appendDarks(folder, {"frame_3.png"});
         j.masterDarkPath = dir.file("master.png");
       },
       "master.png"},
      {"time-lapse steps",
       [&](ImageSet &, BlendRequest &, SaveJob &j) { j.sequenceFolder = dir.file("steps"); },
       "steps"},
      {"map",
       [&](ImageSet &, BlendRequest &r, SaveJob &j) {
         r.rule = 2; // "Brightest", whose map is the frame each pixel came from
         r.withMap = true;
         j.mapPath = dir.file("map.png");
         j.mapFilterIndex = 4;
       },
       "map.png"},
  };
  for (const Extra &extra : extras) {
    SCOPED_TRACE(extra.what);
    set = {};
    set.append(folder, test::writeStack(dir, stack));
    request = {};
    SaveJob job;
    job.target = {dir.file("result.png"), 4};
    extra.ask(set, request, job);
    const std::shared_ptr<const KeptResult> kept = keep();
    ASSERT_TRUE(kept);
    job.request = request;
    test::RecordingObserver observer;
    EXPECT_EQ(saveResultOf(set, job, kept.get(), observer), std::nullopt);
    EXPECT_GT(observer.yields, 0) << "the kept result was written alone";
    if (!extra.written.empty()) {
      EXPECT_TRUE(std::filesystem::exists(dir.file(extra.written)));
    }
  }
}

TEST_F(KeptResultTest, AResultThatCouldNotBeKeptIsRefusedWithTheEstimateBeforeAnyDecode) {
  request.memoryBudget = keptResultBytes(12, 8, SampleDepth::Eight) - 1;
  test::RecordingObserver observer;
  try {
    blendToKeep(set, request, observer);
    FAIL() << "not refused";
  } catch (const LumicombError &error) {
    EXPECT_STREQ(error.what(), ("a full-size result of 12x8 pixels at 8 bits needs " +
                                byteSizeText(request.memoryBudget + 1) +
                                " to keep and look at; the memory budget is " +
                                byteSizeText(request.memoryBudget))
                                   .c_str());
  }
  EXPECT_EQ(observer.yields, 0);
  request.memoryBudget += 1;
  EXPECT_TRUE(blendToKeep(set, request, observer).result);
}

TEST_F(KeptResultTest, ARefusedImageCountKeepsNothing) {
  set.remove({false, false, true});
  request.rule = 4; // "Median" takes three
  test::RecordingObserver observer;
  const KeptBlend blend = blendToKeep(set, request, observer);
  EXPECT_FALSE(blend.result);
  EXPECT_EQ(blend.refusal, "Minimum 3 images required for this mode");
}

} // namespace
} // namespace lumicomb
