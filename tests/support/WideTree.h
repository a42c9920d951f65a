// Trees with any names the file system holds, at any depth, for the tests of the folder walks:
// every entry is made and read relative to its folder's handle by its UTF-16 name, so neither a
// code page nor a path limit stands between the test and the disk.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace qs::test {

// `text` in the ANSI code page, as UTF-16.
std::wstring Wide(const std::string& text);

// Makes the entry `relative` below the existing folder `root`, and the folders on its way: the
// components are separated by "\\" (a fullwidth reverse solidus is a character of a name); a
// trailing "\\" makes a folder, else a file holding `content`. False when the platform refused.
bool MakeEntry(const std::string& root, const std::wstring& relative, const std::string& content = "");

// Every entry below `root`: the relative path (folders end with "\\") and the content (empty for a
// folder, "<link>" for a reparse point, which is listed but not entered).
using TreeSnapshot = std::map<std::wstring, std::string>;
TreeSnapshot Snapshot(const std::string& root);

// The entry as text for test messages (UTF-8).
std::string Printable(const std::wstring& text);

} // namespace qs::test
