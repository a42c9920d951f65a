// The headless companion's command line: its commands and options, the help text, exit codes.
#pragma once

#include <string>
#include <vector>

namespace qs {

// What the process answers; the help text documents them.
enum CompanionExitCode : int {
    kExitOk = 0,           // the command ran through
    kExitScriptFailed = 1, // a script is broken (check), or an entry point raised while running
    kExitUsage = 2,        // the command line is wrong; nothing ran
    kExitSelection = 3,    // an unknown or ambiguous name, or nothing to clean; nothing ran
    kExitCancelled = 4,    // Ctrl+C or Ctrl+Break stopped the plugin at work, and the run
    kExitCannotStart = 5,  // no scripts folder, no settings file where one was named, no script machine
    kExitWarnings = 6,     // clean chose a plugin that has a warning, without --accept-warnings; nothing ran
};

enum class CCompanionCommand {
    kNone,
    kHelp,
    kList,
    kPreview,
    kClean,
    kCheck,
    kImportWinapp2,
};

struct CCommandLine {
    CCompanionCommand command = CCompanionCommand::kNone;
    std::vector<std::string> names; // rows named on the command line, byte for byte
    bool selected = false;          // the checked rows of settings.xml
    bool json = false;
    bool quiet = false;          // no progress on standard error
    bool acceptWarnings = false; // clean runs plugins that have a warning
    bool keep = false;           // list --keep: the keep list of the settings file
    bool files = false;          // preview --files: every file each plugin's measurement counts
    std::string scriptsFolder;   // empty: the scripts folder beside the executable
    std::string settingsFile;    // empty: settings.xml beside the executable
    std::string winapp2File;     // --winapp2: the rule file read instead of winapp2.ini beside the executable
    std::string outFolder;       // --out: where import-winapp2 writes its scripts
    unsigned threads = 0;        // --threads: 1 to 8; 0: the settings file's cap where it is read, else automatic
    std::string error;           // not empty: what is wrong with the command line
};

// Reads the arguments after the program name. Options may stand before or after the command;
// "--" ends the options, so that a name may begin with a dash. --help wins over everything else,
// including mistakes elsewhere on the line.
CCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text --help prints.
std::string UsageText();

// The exit code of a command that ran: a stopped run counts before a failed script.
int ExitCodeOfRun(bool cancelled, bool scriptFailed);

} // namespace qs
