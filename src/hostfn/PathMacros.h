// Expansion of environment variables and the program's %NAME% folder macros in script paths.
#pragma once

#include <string>

namespace qs {

// Expands environment variables, upper-cases the result in the ANSI code page and replaces the
// folder macros (%RECENT%, %COOKIES%, ..., %SCRIPTS%). A macro whose folder the platform cannot
// name stays as it is, so the path names nothing. The result is never cut short.
std::string ExpandPathMacrosFull(const std::string& source);

// The form every host function uses: the expanded path when it fits in kMaxPathChars characters.
// A path that would not fit is not truncated (the truncated text would name another object): the
// result is false and `out` is empty, and the caller treats the path as naming nothing.
bool ExpandPathMacros(const std::string& source, std::string& out);

// The folder that holds the category folders: the executable's folder followed by "scripts",
// without a trailing backslash.
std::string ScriptsFolderPath();

// Points the scripts folder somewhere else than beside the executable (the headless companion's
// --scripts option, and tests). An empty text restores the default.
void SetScriptsFolder(const std::string& folder);

} // namespace qs
