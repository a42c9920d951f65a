// One winapp2.ini entry turned into a plugin script's text, or refused with the reason; portable.
#pragma once

#include "engine/Winapp2File.h"

#include <string>
#include <vector>

namespace qs {

// When the entry applies to a machine: any of `keys` or `files` exists (or there are none of
// either), and the system version lies within the bounds that are given. The same lists are
// written into the script, so the script and the native check at start-up decide alike.
struct Winapp2Detection {
    std::vector<std::string> keys;  // registry keys, long root names
    std::vector<std::string> files; // path patterns in the host's macro form, wildcards allowed
    std::string osFrom;             // "major.minor[.build]" or empty
    std::string osTo;
};

// One FileKey as a job table of the host's job functions.
struct Winapp2Job {
    std::string folder; // the host's macro form; "*" and "?" inside components
    std::string files;  // masks on bare file names (the job table's files), "*" for every file
    bool recurse = false;
    bool removeSelf = false;
};

struct Winapp2RegValue {
    std::string key;
    std::string value;
};

struct Winapp2Plugin {
    std::string name;
    unsigned line = 0;
    std::string category;
    std::string refused; // why the entry is not converted; empty when it is
    std::string warning; // the entry's Warning, or ours for a dangerous entry
    Winapp2Detection detection;
    std::vector<Winapp2Job> jobs;
    std::string exclude; // full-path masks kept by every job
    std::vector<std::string> registryTrees;
    std::vector<Winapp2RegValue> registryValues;
    std::string text; // the plugin script; empty when refused
};

// The category shown for a LangSecRef number, or the number itself when the table lacks it.
std::string Winapp2CategoryName(const std::string& langSecRef);

// Translates one entry read from a file. A broken entry is refused with its problem.
// `dangerousFile`: the user marked the whole file as consequential (every entry then warns).
// `withText` false leaves `text` empty (for entries that may turn out not to apply); the text
// of a converted entry is then Winapp2ScriptText(entry, plugin).
Winapp2Plugin TranslateWinapp2(const Winapp2Entry& entry, bool dangerousFile, bool withText = true);
std::string Winapp2ScriptText(const Winapp2Entry& entry, const Winapp2Plugin& plugin);

// The entry's detection alone, its other keys not looked at (at start-up most entries do not
// apply, and their jobs need not be read): false, with `why`, when the entry is broken or a
// detection key cannot be taken. An entry that applies is then translated whole.
bool Winapp2DetectionOf(const Winapp2Entry& entry, Winapp2Detection& detection, std::string& why);

// Whether `version` ("major.minor.build") lies within the detection's bounds: each bound is
// compared over as many parts as it has, both ends included, an empty bound open.
bool WithinWinapp2Os(const std::string& version, const std::string& from, const std::string& to);

} // namespace qs
