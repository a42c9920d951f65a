// Expansion of environment variables and the program's %NAME% folder macros in script paths.
#pragma once

#include <cstddef>
#include <string>

namespace qs {

// The longest script text that is taken at all. The platform holds the lengths of its counted
// strings in 16 bits of bytes (32,767 UTF-16 units less the terminator); longer text handed to it
// would be cut or wrap around into a short, different name.
constexpr std::size_t kMaxScriptTextChars = 32766;

// True when script text can be taken whole: no NUL inside (the platform would see only the text
// before it) and no longer than kMaxScriptTextChars.
bool IsWholeScriptText(const std::string& text);

// Expands environment variables, upper-cases the result in the ANSI code page and replaces the
// folder macros (%RECENT%, %COOKIES%, ..., %SCRIPTS%). A macro whose folder the platform cannot
// name stays as it is, so the path names nothing. The result is never cut short: false, with
// `out` empty, when the source or any stage of the expansion is not whole script text.
bool ExpandPathMacrosFull(const std::string& source, std::string& out);

// The form every host function uses: the full expansion when it fits in kMaxPathChars
// characters. A path that would not fit is not truncated (the truncated text would name another
// object): the result is false and `out` is empty, and the caller treats the path as naming
// nothing.
bool ExpandPathMacros(const std::string& source, std::string& out);

// True when an expanded path stands on its own: a drive letter, a colon and a separator
// (C:\...), or a network share (\\server\share...). Anything else the platform takes relative to
// the process's current folder or drive (x.txt, C:x, \x, and a path whose macro stayed
// unreplaced, %NOSUCH%\x), so it would name whatever happens to be there; and \\.\ or \\?\ reach
// devices and raw names. Host functions take none of these as a path.
bool IsRootedPath(const std::string& path);

// The executable's full path in the ANSI code page, exactly: its long form when the code page
// holds every character of it, else its short (8.3) form when that one does, else "" (names
// nothing). The code page's own conversion would put look-alikes in place of what it lacks
// ("ｔｏｏｌｓ" as "tools") and name another folder, whose scripts would be loaded and whose
// settings would be written.
std::string ModuleFilePath();

// The folder that holds the category folders: the executable's folder followed by "scripts",
// without a trailing backslash.
std::string ScriptsFolderPath();

// Points the scripts folder somewhere else than beside the executable (the headless companion's
// --scripts option, and tests). An empty text restores the default.
void SetScriptsFolder(const std::string& folder);

} // namespace qs
