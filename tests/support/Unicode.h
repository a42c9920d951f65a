// For tests of names outside the code page: files made by their exact UTF-16 names, and a strict
// check of UTF-8 output.
#pragma once

#include <string>

namespace qs::test {

// Writes `text` to the file `relative` (UTF-16, trailing dots and spaces kept) below `root`,
// making the folders on the way. False when the platform cannot hold the name or the file is
// there already.
bool WriteWideFile(const std::string& root, const std::wstring& relative, const std::string& text);

// True when `text` is well-formed UTF-8: shortest forms only, no surrogates, nothing past U+10FFFF.
bool IsUtf8(const std::string& text);

} // namespace qs::test
