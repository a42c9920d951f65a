// What a plugin may ask about the machine before it acts: running programs, the system version.
#pragma once

#include <string>

namespace qs {

// Whether a process runs whose executable file name is `exeName` ("browser.exe"), compared
// without letter case, from one snapshot of the process list. The name is a file name alone;
// text that the code page cannot turn into characters, or that is empty, matches nothing.
bool IsProcessRunning(const std::string& exeName);

// "major.minor.build" as the kernel reports them. Unlike GetVersionEx, the answer does not
// depend on the versions the executable's manifest declares.
std::string WindowsVersionText();

} // namespace qs
