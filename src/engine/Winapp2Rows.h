// The rows of a winapp2.ini file: entries that apply to this machine beside the scripts' rows.
#pragma once

#include "engine/Catalogue.h"
#include "engine/Winapp2Script.h"

#include <memory>
#include <string>
#include <vector>

namespace qs {

// The largest rule file read (the community's file is about 2 MB).
constexpr std::size_t kWinapp2MaxFileBytes = 32u << 20;

// How detection asks the machine. The real one answers from listings of folders and registry
// keys, each read once for the probe's life (one load), so that thousands of entries under the
// same few folders and keys cost a few listings; tests give their own.
class CWinapp2Probe {
public:
    virtual ~CWinapp2Probe() = default;
    virtual bool KeyExists(const std::string& key) = 0;      // a long-root key path
    virtual bool PathExists(const std::string& pattern) = 0; // the host's macro form, wildcards in components
    virtual std::string WindowsVersion() = 0;                // "major.minor.build"
};

// The machine as it is when asked first; what it has listed is not read again.
std::unique_ptr<CWinapp2Probe> MakeMachineProbe();

// Whether an entry applies: within the version bounds, and any detection key or path exists
// (or it names none). The same rule as the script's own Applies, answered natively.
bool Winapp2Applies(const Winapp2Detection& detection, CWinapp2Probe& probe, const std::string& version);

// What loading a file did with its entries.
struct Winapp2Load {
    std::string file;                     // as given
    bool read = false;                    // the file was there and read
    std::string readProblem;              // why it was not read, when it was there
    std::vector<Winapp2Problem> problems; // broken lines and entries, from the reader
    std::size_t problemsNotKept = 0;
    std::vector<Winapp2Plugin> refused;   // sound entries that have no exact translation (of
                                          // those that apply here, and those whose detection is refused)
    unsigned rows = 0;                    // plugin rows added
    unsigned notDetected = 0;             // converted entries that do not apply here
};

// The rule file beside the executable, or "" when the executable's folder has no exact name.
std::string Winapp2BesideProgram(const char* fileName);

// Reads `file` whole (at most kWinapp2MaxFileBytes). False, with `problem` set, when it is not
// there, cannot be read or is too large.
bool ReadWinapp2Bytes(const std::string& file, std::string& bytes, std::string& problem);

// Adds a plugin row for every entry of `file` that converts and applies, under the top-level
// category row of its category's name (made when there is none), after the rows already there;
// then restores the stored checks on the new rows. Nothing happens when the file is not there.
// Every new row's script runs the entry's converted text. `probe` null: a machine probe for this load.
Winapp2Load AddWinapp2Rows(CLuaVirtualMachine& vm, CScriptsModel& list, const CSelectionStore& selection,
                           const std::string& file, bool dangerousFile, CWinapp2Probe* probe = nullptr);

} // namespace qs
