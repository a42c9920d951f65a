// The host functions as scripts see them: one table of names, argument rules and work.
#pragma once

#include "engine/HostScope.h"
#include "hostfn/FileJob.h"

#include <lua.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// The work behind the host functions, as the argument rules hand it on. Bound by member name to
// the hostfn routines; each member is called only from its own row of the table, and tests
// replace members to observe exactly what a script's call turned into. The members that measure,
// delete or wipe get the call's walk scope (the keep list and the recorder; for the measuring
// ones also the listing cache of the pass running) as their first parameter.
struct HostWork {
    void (*measureFolder)(const CWalkScope& scope, const std::string& folder, const std::string& masks, bool recurse, std::uint64_t& size,
                          std::uint32_t& count);
    int (*iconOfPath)(const std::string& path);
    int (*iconOfExtension)(const std::string& extension);
    void (*queryRecycleBin)(const std::string& root, std::uint64_t& size, std::uint32_t& count);
    bool (*sizeOnDrive)(const CWalkScope& scope, const std::string& path, std::uint64_t& size);
    std::uint32_t (*countValues)(const std::string& key, const std::string& masks);
    void (*deleteValues)(const std::string& key, const std::string& masks);
    void (*eraseFolder)(const CWalkScope& scope, const std::string& folder, const std::string* masks, bool recurse);
    void (*deleteFile)(const CWalkScope& scope, const std::string& path);
    void (*emptyRecycleBin)(const std::string& root);
    bool (*wipeFile)(const CWalkScope& scope, const std::string& path, std::uint32_t passes);
    void (*wipeFolder)(const CWalkScope& scope, const std::string& folder, const std::string& masks, bool recurse,
                       std::uint32_t passes);
    bool (*cleanIndexFolder)(const CWalkScope& scope, const std::string& folder, bool leakScan);
    void (*measureJob)(const CWalkScope& scope, const FileJob& job, std::uint64_t& size, std::uint32_t& count);
    void (*deleteJob)(const CWalkScope& scope, const FileJob& job);
    void (*wipeJob)(const CWalkScope& scope, const FileJob& job, std::uint32_t passes);
    bool (*pathExists)(const std::string& pattern);
    void (*deleteKeys)(const std::string& key, const std::string& masks);
    bool (*keyExists)(const std::string& key);
    bool (*processRunning)(const std::string& exeName);
    std::uint32_t (*measureKeyTree)(const std::string& key);
    std::uint32_t (*deleteKeyTree)(const std::string& key);
    std::string (*windowsVersion)();
};

// The work table in use; DefaultHostWork() is the real one.
HostWork& CurrentHostWork();
const HostWork& DefaultHostWork();

// How a rule reads one argument. Text is a Lua string or a number (as its decimal text); a
// table, boolean, function or any other value where text belongs makes the whole call malformed.
enum class HostArg : std::uint8_t {
    None,         // no further argument
    Path,         // text naming a file or folder, expanded; required
    Text,         // text handed on as it is (a key path, an icon's path, an extension); required
    OptionalText, // a mask list or a recycle bin root: text, or "" when nil or absent
    Flag,         // any value: true unless nil, false or absent
    Number,       // an integer, read only when the call has exactly the rule's argument count
    Job,          // a job table (FileJob.h), its paths expanded; required
};

// What a call answers when its work is not done.
enum class HostResult : std::uint8_t {
    None,             // no result
    Zero,             // the number 0
    MinusOne,         // the number -1
    ZeroSizeAndCount, // the texts "0" and "0"
    False,            // the boolean false
};

constexpr int kMaxHostArgs = 4;

// One argument as the rule read it.
struct HostArgValue {
    std::string text;
    bool flag = false;
    std::int64_t number = 0;
    std::vector<FileJob> jobs; // a job table's one job, or a list's jobs in order
};
using HostArgs = std::array<HostArgValue, kMaxHostArgs>;

// One host function. A call whose arguments break the rule (a missing required text, a wrong
// type) does nothing and answers `malformed`; a call whose text names nothing (a NUL inside, too
// long at any stage, a path empty after expansion) does nothing and answers `namesNothing`;
// any other call runs `work`, which calls its own HostWork member and pushes the results; `scope`
// is the machine's host scope (null: nothing kept, nothing recorded).
struct HostFunction {
    const char* name;
    HostArg rule[kMaxHostArgs];
    bool exactArgCount; // the call must pass exactly the rule's arguments
    HostResult malformed;
    HostResult namesNothing;
    int (*work)(lua_State* L, const HostArgs& args, const CHostScope* scope);
};

// The table in registration order: a script object's host method number n (from 0) is row n.
extern const HostFunction kHostFunctions[];
extern const int kHostFunctionCount;

// Runs the host function at `position` on the script's arguments (stack indexes 1 to top) and
// answers the number of results pushed; an unknown position pushes nothing. The walks honour
// `scope` (null: nothing kept, nothing recorded).
int CallHostFunction(lua_State* L, int position, const CHostScope* scope);

} // namespace qs
