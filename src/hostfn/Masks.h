// Mask lists: ";"-separated wildcard patterns, matched without regard to case.
#pragma once

#include <string>
#include <vector>

namespace qs {

using MaskList = std::vector<std::string>;

// Cuts the text at every ";" and keeps every piece, empty ones included. An empty text gives
// the empty list (which matches everything); an empty pattern matches nothing.
MaskList SplitMaskList(const std::string& text);

// "*" is any run of characters, "?" exactly one; the pattern must cover the whole text. An empty
// text never matches. Letters compare after the C library's single-character upper-casing.
bool MatchWildcard(const char* pattern, const char* text);

// True when the list is empty or some pattern matches the text.
bool MatchesMaskList(const MaskList& masks, const char* text);

} // namespace qs
