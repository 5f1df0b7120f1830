#include "imaging/capture_order.h"
#include "support/test_images.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

namespace lumicomb {
namespace {

/// Writes a small JPEG saying when it was taken (nothing: it does not say).
void writeTaken(const std::string &path, const std::string &taken, const std::string &subsecond) {
  test::writePicture(test::filledPicture(8, 6, {10, 20, 30}), path, FIF_JPEG);
  if (taken.empty())
    return;
  const auto image = Exiv2::ImageFactory::open(path);
  image->readMetadata();
  image->exifData()["Exif.Photo.DateTimeOriginal"] = taken;
  if (!subsecond.empty())
    image->exifData()["Exif.Photo.SubSecTimeOriginal"] = subsecond;
  image->writeMetadata();
}

TEST(CaptureOrder, SortsByTheMomentTakenToTheSubsecondThenByName) {
  test::TempDir dir;
  const std::vector<std::tuple<std::string, std::string, std::string>> files = {
      {"a.jpg", "2024:08:12 23:41:07", "5"},
      {"b.jpg", "2024:08:12 23:41:07", "25"},
      {"c.jpg", "", ""},
      {"d.jpg", "2024:08:12 23:40:59", ""},
      {"e.jpg", "2024:08:12 23:41:07", "50"},
      {"0.jpg", "", ""}};
  ImageSet set;
  for (const auto &[name, taken, subsecond] : files) {
    writeTaken(dir.file(name), taken, subsecond);
    set.append(dir.path().string(), {name});
  }
  EXPECT_EQ(captureTimeOf(dir.file("b.jpg")), "2024:08:12 23:41:07.250000000");
  EXPECT_EQ(captureTimeOf(dir.file("c.jpg")), std::nullopt);
  const uint64_t before = set.generation();
  sortByTimeTaken(set);
  std::vector<std::string> names;
  for (int i = 1; i <= set.sourceCount(); ++i)
    names.push_back(set.entry(i).name);
  // .25 s before .5 s, and "a" (.5) before "e" (.50), the same moment, by name.
  EXPECT_EQ(names,
            (std::vector<std::string>{"d.jpg", "b.jpg", "a.jpg", "e.jpg", "0.jpg", "c.jpg"}));
  EXPECT_GT(set.generation(), before);
}

} // namespace
} // namespace lumicomb
