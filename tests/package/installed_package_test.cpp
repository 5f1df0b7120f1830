// Makes the Debian package from this build as a packager would, unpacks it into a scratch root
// as dpkg installs it, and runs the programs from there.
#include "support/run_program.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumicomb::test {
namespace {

namespace fs = std::filesystem;

/// The one package in `folder`.
fs::path packageIn(const fs::path &folder) {
  for (const fs::directory_entry &entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".deb")
      return entry.path();
  return {};
}

TEST(InstalledPackage, HoldsAnInstallationWhoseCliAlignsWithTheModuleInstalledBesideIt) {
  TempDir dir;
  const RunResult made =
      runProgram({LUMICOMB_CPACK, "-G", "DEB", "--config", LUMICOMB_BINARY_DIR "/CPackConfig.cmake",
                  "-B", dir.file("made")},
                 {}, {});
  ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
  const fs::path package = packageIn(dir.file("made"));
  EXPECT_TRUE(package.filename().string().starts_with("lumicomb_" LUMICOMB_VERSION "_")) << package;
  const RunResult depends = runProgram({LUMICOMB_DPKG_DEB, "-f", package, "Depends"}, {}, {});
  for (const char *library : {"libopencv-core", "libqt6widgets6", "libfreeimage3", "libexiv2"})
    EXPECT_NE(depends.out.find(library), std::string::npos) << library << " in " << depends.out;
  const fs::path root = dir.file("root");
  ASSERT_EQ(runProgram({LUMICOMB_DPKG_DEB, "-x", package, root}, {}, {}).exitCode, 0);

  const fs::path usr = root / "usr";
  const fs::path share = usr / "share";
  for (const fs::path &file :
       {usr / "bin/lumicomb", usr / "bin/lumicomb-cli", usr / LUMICOMB_MODULE_INSTALLED,
        share / "applications/io.github.lumicomb.Lumicomb.desktop",
        share / "metainfo/io.github.lumicomb.Lumicomb.metainfo.xml",
        share / "icons/hicolor/256x256/apps/lumicomb.png",
        share / "icons/hicolor/scalable/apps/lumicomb.svg", share / "man/man1/lumicomb.1.gz",
        share / "man/man1/lumicomb-cli.1.gz", share / "bash-completion/completions/lumicomb-cli",
        share / "doc/lumicomb/copyright", share / "doc/lumicomb/changelog.gz"})
    EXPECT_TRUE(fs::is_regular_file(file)) << file;

  // An installed program never reaches into the build tree, so this alignment can only have
  // loaded the module from the installed place.
  const Picture frame = randomStack(1, 96, 64, 20)[0];
  std::vector<std::string> words = {usr / "bin/lumicomb-cli", "--align", "-o", dir.file("out.png")};
  for (const std::string &name : writeStack(dir, {frame, frame, frame}))
    words.push_back(dir.file(name));
  const RunResult aligned = runProgram(words, {"XDG_CONFIG_HOME=" + dir.file("config")}, {});
  EXPECT_EQ(aligned.exitCode, 0) << aligned.err;
  EXPECT_EQ(aligned.err, "aligned 3 frames; result 96x64 at +0+0\n");
  EXPECT_EQ(readPicture(dir.file("out.png")), frame);

  const RunResult help = runProgram({usr / "bin/lumicomb", "--help"},
                                    {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}, {});
  EXPECT_EQ(help.exitCode, 0) << help.err;
  EXPECT_NE(help.out.find("--preview"), std::string::npos) << "no display needed for the help";
}

} // namespace
} // namespace lumicomb::test
