// Mask lists: ";"-separated wildcard patterns, matched without regard to the case of ASCII letters.
#pragma once

#include <windows.h>

#include <cstddef>
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

// The same list for the folder walks, which match the names the file system holds: each piece
// of the script's text converted once to UTF-16 with `codePage` (the one the file functions take
// text in). A piece that does not convert whole matches nothing, like a piece holding a NUL.
using WideMaskList = std::vector<std::wstring>;
WideMaskList SplitWideMaskList(const std::string& text, UINT codePage);

// The rules of MatchWildcard over UTF-16 text of `chars` units: "*" and "?" stand for code units,
// and only the ASCII letters compare without regard to case, exactly as the C library's
// upper-casing folds the ANSI text of the same name. Any other character, look-alikes such as
// fullwidth letters included, matches only itself.
bool MatchWildcard(const std::wstring& pattern, const wchar_t* text, std::size_t chars);
bool MatchesMaskList(const WideMaskList& masks, const wchar_t* text, std::size_t chars);
inline bool MatchesMaskList(const WideMaskList& masks, const std::wstring& text) {
    return MatchesMaskList(masks, text.data(), text.size());
}

// The same wildcards with letters compared as the file system compares names: every character
// through the platform's upper-case table, not only the ASCII letters. For the parts of job
// tables that name folders and files (folder wildcards, exclude patterns).
bool MatchWildcardFolded(const std::wstring& pattern, const wchar_t* text, std::size_t chars);
// The text through that same upper-case table: two names the file system takes as one fold alike.
std::wstring FoldedName(const wchar_t* text, std::size_t chars);

// A job's list of bare file-name masks ("a.txt;*.log;x?.dat"): text of ";"-separated pieces, none
// empty and none holding a path separator (\ or /), since a file's own name holds neither.
bool IsNameMaskList(const std::string& text);

// True when some mask of a SplitWideMaskList list matches a file's own listed name, letters
// compared as the file system compares names. "*.*" matches every name, dotless ones included, as
// it does in the file system's own matching. An empty list matches nothing here: a job that
// names files by name names at least one mask.
bool MatchesFileName(const WideMaskList& masks, const wchar_t* name, std::size_t chars);

} // namespace qs
