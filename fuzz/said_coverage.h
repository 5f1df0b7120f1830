#pragma once
// The decoders inside the library are built without coverage, so the fuzzer cannot see which of
// their paths an input took. What they say is the next best sign: each distinct thing said
// counts as coverage of its own, through libFuzzer's extra counters.
#include <string_view>

namespace lumicomb::fuzz {

/// Counts the text, as it is, as one more thing reached.
void noteSaying(std::string_view text);

/// Counts each message in a refusal's reason, which joins them with "; ", with the particulars
/// that change from file to file left out.
void noteRefusal(std::string_view reason);

} // namespace lumicomb::fuzz
