// Runs one command of the headless companion on the engine: the catalogue, the plugins' entry
// points, the settings, with results on `out` and progress and complaints on `err`.
#pragma once

#include "cli/CommandLine.h"

#include <cstdio>

namespace qs {

// Answers the process's exit code (CompanionExitCode). Polls the process-wide cancellation
// flag before and after each plugin; whoever handles Ctrl+C sets it.
int RunCompanion(const CCommandLine& line, std::FILE* out, std::FILE* err);

// What the console control handler says when it sets the cancellation flag.
extern const char* const kCancellingText;

} // namespace qs
