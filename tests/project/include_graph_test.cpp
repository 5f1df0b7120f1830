// The top-level source folders are layers: each may include the ones below it and none above,
// so the include graph between folders has no cycle. The rules are pure kernels and alignment
// works on plain sample rows: neither Qt nor FreeImage reaches them or the base they stand on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kFolders = {"base",  "imaging", "fusion", "rules",
                                           "align", "passes",  "output", "settings",
                                           "app",   "cli",     "ui"};

/// Folder -> the folders its files include, and every header each folder includes.
struct Includes {
  std::map<std::string, std::set<std::string>> folders;
  std::map<std::string, std::set<std::string>> headers;
};

Includes readIncludes() {
  const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
  Includes found;
  for (const std::string &folder : kFolders) {
    for (const fs::directory_entry &file :
         fs::recursive_directory_iterator(fs::path(LUMICOMB_SOURCE_DIR) / folder)) {
      std::ifstream text(file.path());
      std::string line;
      std::smatch match;
      while (std::getline(text, line)) {
        if (!std::regex_search(line, match, include))
          continue;
        const std::string header = match[1];
        found.headers[folder].insert(header);
        const std::string top = header.substr(0, header.find('/'));
        if (top != folder && header.find('/') != std::string::npos &&
            std::find(kFolders.begin(), kFolders.end(), top) != kFolders.end())
          found.folders[folder].insert(top);
      }
    }
  }
  return found;
}

/// A path of folders that leads back to where it started, or an empty one.
std::vector<std::string> cycleFrom(const std::string &folder,
                                   const std::map<std::string, std::set<std::string>> &edges,
                                   std::vector<std::string> &path, std::set<std::string> &done) {
  if (std::find(path.begin(), path.end(), folder) != path.end()) {
    path.push_back(folder);
    return path;
  }
  if (done.count(folder))
    return {};
  path.push_back(folder);
  if (const auto next = edges.find(folder); next != edges.end())
    for (const std::string &to : next->second)
      if (std::vector<std::string> cycle = cycleFrom(to, edges, path, done); !cycle.empty())
        return cycle;
  path.pop_back();
  done.insert(folder);
  return {};
}

TEST(IncludeGraph, TheSourceFoldersIncludeEachOtherWithoutACycle) {
  const Includes includes = readIncludes();
  std::set<std::string> done;
  for (const std::string &folder : kFolders) {
    std::vector<std::string> path;
    const std::vector<std::string> cycle = cycleFrom(folder, includes.folders, path, done);
    std::string shown;
    for (const std::string &step : cycle)
      shown += step + " -> ";
    EXPECT_TRUE(cycle.empty()) << "include cycle: " << shown;
  }
}

TEST(IncludeGraph, TheRulesAlignmentAndTheirBaseUseNeitherQtNorTheImageLibrary) {
  const Includes includes = readIncludes();
  for (const std::string folder : {"base", "fusion", "rules", "align"}) {
    const auto headers = includes.headers.find(folder);
    if (headers == includes.headers.end())
      continue;
    for (const std::string &header : headers->second) {
      EXPECT_FALSE(header.starts_with("Q")) << folder << " includes " << header;
      EXPECT_NE(header, "FreeImage.h") << folder;
      for (const std::string above : {"imaging/", "passes/", "app/", "ui/", "cli/"})
        EXPECT_FALSE(header.starts_with(above)) << folder << " includes " << header;
    }
  }
}

} // namespace
