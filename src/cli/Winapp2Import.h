// The companion's import-winapp2 command, and the rule files' problems as the companion reports them.
#pragma once

#include "cli/CommandLine.h"
#include "cli/ScriptIssues.h"
#include "engine/Winapp2Rows.h"

#include <cstdio>
#include <string>

namespace qs {

// Writes one plugin script per converted entry of the rule file named on `line` into
// OUT\Category\Name.lua and prints the summary; answers the exit code.
int RunWinapp2Import(const CCommandLine& line, std::FILE* out, std::FILE* err);

// A file name for a name from a rule file: characters a file name cannot hold become "_",
// trailing dots and spaces go, and reserved device names get a "_" in front.
std::string Winapp2FileName(const std::string& name);

// Adds what loading a rule file found to the companion's issues: broken lines and entries
// (broken, as a script that does not load), entries refused (not listed).
void AddWinapp2Issues(const Winapp2Load& load, CIssueCollector& issues);

} // namespace qs
