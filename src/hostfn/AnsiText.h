// Exact conversions between the ANSI code page, which scripts write in, and UTF-16.
#pragma once

#include <string>

namespace qs {

// `text` in the ANSI code page as UTF-16 (every byte sequence converts; nothing is guessed).
std::wstring WideFromAnsi(const std::string& text);

// `length` UTF-16 units at `wide` in the ANSI code page when the code page holds every character
// of them exactly; false when a character is missing or would turn into a look-alike ("ｔｅｍｐ"
// into "temp").
bool ExactAnsi(const wchar_t* wide, int length, std::string& ansi);
bool ExactAnsiFromWide(const std::wstring& wide, std::string& ansi);

} // namespace qs
