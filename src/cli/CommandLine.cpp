// Parsing the companion's arguments into a command, names and options.
#include "cli/CommandLine.h"

#include <cctype>

namespace qs {
namespace {

bool SameAscii(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

CCompanionCommand CommandNamed(const std::string& word) {
    const struct {
        const char* name;
        CCompanionCommand command;
    } commands[] = {
        {"list", CCompanionCommand::kList},   {"preview", CCompanionCommand::kPreview},
        {"clean", CCompanionCommand::kClean}, {"check", CCompanionCommand::kCheck},
        {"help", CCompanionCommand::kHelp},   {"import-winapp2", CCompanionCommand::kImportWinapp2},
    };
    for (const auto& c : commands)
        if (SameAscii(word, c.name))
            return c.command;
    return CCompanionCommand::kNone;
}

bool IsHelpOption(const std::string& arg) { return arg == "--help" || arg == "-h" || arg == "-?" || arg == "/?"; }

} // namespace

CCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CCommandLine line;
    bool commandSeen = false;
    bool optionsEnded = false;
    std::string error;
    const auto fail = [&error](const std::string& text) {
        if (error.empty())
            error = text;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && IsHelpOption(arg)) {
            // Help wins over whatever else the line holds.
            CCommandLine help;
            help.command = CCompanionCommand::kHelp;
            return help;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            // An option's value follows it, or is joined to it with "=".
            const std::size_t equals = arg.find('=');
            const std::string option = arg.substr(0, equals);
            const auto value = [&](std::string& into, const char* what) {
                if (equals != std::string::npos) {
                    into = arg.substr(equals + 1);
                } else if (i + 1 < args.size()) {
                    into = args[++i];
                } else {
                    fail(option + " needs " + what + ".");
                    return;
                }
                if (into.empty())
                    fail(option + " needs " + what + ".");
            };
            if (option == "--scripts") {
                value(line.scriptsFolder, "a folder");
            } else if (option == "--settings") {
                value(line.settingsFile, "a file");
            } else if (option == "--winapp2") {
                value(line.winapp2File, "a file");
            } else if (option == "--out") {
                value(line.outFolder, "a folder");
            } else if (option == "--threads") {
                std::string count;
                value(count, "a number of threads");
                line.threads = count.size() == 1 && count[0] >= '1' && count[0] <= '8' ? count[0] - '0' : 0;
                if (!count.empty() && line.threads == 0)
                    fail("--threads needs a number from 1 to 8.");
            } else if (equals != std::string::npos) {
                fail("The option " + option + " takes no value.");
            } else if (arg == "--selected") {
                line.selected = true;
            } else if (arg == "--json") {
                line.json = true;
            } else if (arg == "--quiet" || arg == "-q") {
                line.quiet = true;
            } else if (arg == "--accept-warnings") {
                line.acceptWarnings = true;
            } else if (arg == "--keep") {
                line.keep = true;
            } else if (arg == "--files") {
                line.files = true;
            } else {
                fail("Unknown option: " + arg);
            }
            continue;
        }
        if (!commandSeen) {
            commandSeen = true;
            line.command = CommandNamed(arg);
            if (line.command == CCompanionCommand::kNone)
                fail("Unknown command: " + arg);
            continue;
        }
        line.names.push_back(arg);
    }

    if (error.empty()) {
        switch (line.command) {
        case CCompanionCommand::kNone:
            fail("No command given.");
            break;
        case CCompanionCommand::kHelp:
            break;
        case CCompanionCommand::kImportWinapp2:
            if (line.names.size() != 1)
                fail("import-winapp2 takes exactly one rule file.");
            else if (line.selected || line.acceptWarnings)
                fail("import-winapp2 takes only --out, --json and --quiet.");
            break;
        case CCompanionCommand::kList:
        case CCompanionCommand::kCheck:
            if (!line.names.empty())
                fail(std::string(line.command == CCompanionCommand::kList ? "list" : "check") + " takes no names.");
            else if (line.selected)
                fail("--selected goes with preview and clean.");
            else if (line.acceptWarnings)
                fail("--accept-warnings goes with clean.");
            else if (line.files)
                fail("--files goes with preview.");
            else if (line.keep && line.command != CCompanionCommand::kList)
                fail("--keep goes with list.");
            break;
        case CCompanionCommand::kPreview:
        case CCompanionCommand::kClean:
            if (line.selected && !line.names.empty())
                fail("Give names or --selected, not both.");
            else if (line.command == CCompanionCommand::kClean && !line.selected && line.names.empty())
                fail("clean needs the names of the plugins or categories to clean, or --selected.");
            else if (line.command != CCompanionCommand::kClean && line.acceptWarnings)
                fail("--accept-warnings goes with clean.");
            else if (line.keep)
                fail("--keep goes with list.");
            else if (line.command == CCompanionCommand::kClean && line.files)
                fail("--files goes with preview.");
            break;
        }
    }
    if (error.empty() && !line.outFolder.empty() && line.command != CCompanionCommand::kImportWinapp2)
        fail("--out goes with import-winapp2.");
    line.error = error;
    return line;
}

std::string UsageText() {
    return "Usage: QuillsweepCmd <command> [options] [NAME...]\n"
           "\n"
           "Quillsweep's cleaning jobs without its window, for scheduled tasks, management scripts\n"
           "and plugin authors. Uses the same scripts folder and settings.xml as Quillsweep.exe.\n"
           "\n"
           "Commands:\n"
           "  list               Every row as the main window builds it: depth, type, check state\n"
           "                     from the settings file, name, and the plugin's description where\n"
           "                     one has it. Then the plugins' warnings, and every script that got\n"
           "                     no row, or whose entry points raised an error, and why.\n"
           "  list --keep        The keep list of the settings file: the files and folders that\n"
           "                     no plugin measures, cleans or wipes, as written there.\n"
           "  preview [NAME...]  Measures what the named rows would free (a category stands for\n"
           "                     its plugins): every plugin when no name is given, the checked\n"
           "                     rows of the settings file with --selected.\n"
           "  preview --files NAME...\n"
           "                     Every file that each named plugin's measurement counts, with its\n"
           "                     size on drive: the files that clean would remove.\n"
           "  clean NAME...      Cleans exactly the named plugins and categories, or the checked\n"
           "  clean --selected   rows of the settings file, and prints what each freed. Runs only\n"
           "                     with names or --selected. A plugin with a warning (one that the\n"
           "                     main window asks about before it cleans) is only cleaned with\n"
           "                     --accept-warnings; without it, clean lists the warnings and\n"
           "                     runs nothing.\n"
           "  check              Loads every script and measures every plugin, cleaning nothing;\n"
           "                     reports every load error and every entry point that raised an\n"
           "                     error, with file and line.\n"
           "  import-winapp2 FILE\n"
           "                     Converts every entry of a winapp2.ini rule file into a plugin\n"
           "                     script (one per entry, in a folder per category, readable and\n"
           "                     editable) and prints what was converted, and every entry that\n"
           "                     was refused or is broken, with its line and the reason. An entry\n"
           "                     is converted only when its script does exactly what it says;\n"
           "                     scripts that exist under the same names are replaced.\n"
           "  help               This text.\n"
           "\n"
           "Options:\n"
           "  --scripts DIR      The scripts folder to use instead of the one beside the program.\n"
           "  --settings FILE    The settings file to read instead of settings.xml beside the\n"
           "                     program. The settings file is only read, never written.\n"
           "  --winapp2 FILE     The rule file to read instead of winapp2.ini beside the program:\n"
           "                     every entry that applies to this machine is a row under its\n"
           "                     category. (winapp3.ini beside the program is read as well; its\n"
           "                     entries all carry a warning.)\n"
           "  --out DIR          import-winapp2: the folder to write into (made when missing;\n"
           "                     default: winapp2 in the current folder).\n"
           "  --selected         The rows checked in the settings file (preview, clean).\n"
           "  --threads N        List folders on at most N threads, 1 to 8 (1: one at a time, for\n"
           "                     slow or spinning disks). Without it: the settings file's cap, else\n"
           "                     one per processor up to 8.\n"
           "  --json             One JSON document on standard output instead of a table.\n"
           "  --quiet, -q        No progress on standard error.\n"
           "  --accept-warnings  clean: the warnings of the chosen plugins are accepted.\n"
           "  --keep             list: print the keep list instead of the rows.\n"
           "  --files            preview: list every file counted instead of the totals.\n"
           "  --help, -h, /?     This text.\n"
           "  --                 Everything after it is a name, even when it begins with a dash.\n"
           "\n"
           "Names are the rows' display names, compared without regard to letter case as the main\n"
           "window compares its stored selection. A name that matches no row, or more than one,\n"
           "stops the command before anything runs.\n"
           "\n"
           "The keep list of the settings file (<keep><path>...</path></keep>) applies to every\n"
           "command: kept files and folders are neither counted nor touched. clean runs nothing\n"
           "while a settings file is there that cannot be read, since its keep list would be\n"
           "lost.\n"
           "\n"
           "In text, a path's characters that the code page lacks are shown as <U+XXXX>; the\n"
           "JSON documents carry every name with its real characters.\n"
           "\n"
           "Standard output carries the command's result alone. Progress, complaints and whatever\n"
           "the scripts write (trace, print) go to standard error.\n"
           "\n"
           "Ctrl+C or Ctrl+Break stops a run: the plugin at work stops at its next check (a\n"
           "script within some thousand instructions, a host walk at its next entry) and no\n"
           "other plugin runs; pressing it again ends the program at once.\n"
           "\n"
           "Exit codes:\n"
           "  0  done\n"
           "  1  a script is broken (check), or an entry point raised an error during the run\n"
           "  2  the command line is wrong; nothing ran\n"
           "  3  a name matches no row or more than one, or nothing is selected to clean;\n"
           "     nothing ran\n"
           "  4  cancelled: the plugin at work was stopped and no other ran\n"
           "  5  the scripts folder, the named settings file or the rule file to import does\n"
           "     not exist, scripts cannot be run, or clean finds a settings file that cannot\n"
           "     be read (its keep list would be ignored); nothing ran\n"
           "  6  clean chose a plugin that has a warning, and --accept-warnings was not\n"
           "     given; nothing ran\n";
}

int ExitCodeOfRun(bool cancelled, bool scriptFailed) {
    if (cancelled)
        return kExitCancelled;
    return scriptFailed ? kExitScriptFailed : kExitOk;
}

} // namespace qs
