#include "fuzz/said_coverage.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

namespace lumicomb::fuzz {
namespace {

/// One counter per distinct thing said, by hash; libFuzzer clears them before every input.
__attribute__((used, section("__libfuzzer_extra_counters"))) uint8_t g_sayings[4096];

/// The words of one message with its particulars left out: the part before the last ": " (where
/// it was said) and every word with a digit, a chunk name or a tag number in it. Otherwise each
/// new number or garbled name would count as new coverage and swamp the corpus.
std::string gist(std::string_view message) {
  if (const size_t colon = message.rfind(": "); colon != std::string_view::npos)
    message.remove_prefix(colon + 2);
  std::string words;
  size_t start = 0;
  while (start < message.size()) {
    const size_t end = std::min(message.find(' ', start), message.size());
    const std::string_view word = message.substr(start, end - start);
    if (!word.empty() &&
        std::ranges::all_of(word, [](unsigned char c) { return std::isalpha(c) != 0; }))
      words.append(word).push_back(' ');
    start = end + 1;
  }
  return words;
}

} // namespace

void noteSaying(std::string_view text) {
  uint32_t hash = 2166136261u; // FNV-1a
  for (const char c : text)
    hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  g_sayings[hash % sizeof g_sayings] = 1;
}

void noteRefusal(std::string_view reason) {
  while (!reason.empty()) {
    const size_t end = std::min(reason.find("; "), reason.size());
    noteSaying(gist(reason.substr(0, end)));
    reason.remove_prefix(std::min(end + 2, reason.size()));
  }
}

} // namespace lumicomb::fuzz
