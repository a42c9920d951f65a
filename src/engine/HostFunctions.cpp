// The host-function table: each row's argument rule and results; the work is done in hostfn.
#include "engine/HostFunctions.h"

#include "engine/ScriptValues.h"
#include "hostfn/FileErase.h"
#include "hostfn/FileJob.h"
#include "hostfn/HistoryCleaner.h"
#include "hostfn/Masks.h"
#include "hostfn/PathMacros.h"
#include "hostfn/PathPattern.h"
#include "hostfn/Registry.h"
#include "hostfn/ShellBridge.h"
#include "hostfn/SizeMeasure.h"
#include "hostfn/SystemInfo.h"

#include <cstring>
#include <string>

namespace qs {

const HostWork& DefaultHostWork() {
    // Bound member by member, never by position: two members of one signature cannot trade places.
    static const HostWork work = [] {
        HostWork w{};
        w.measureFolder = MeasureFolder;
        w.iconOfPath = GetIconIndexOfPath;
        w.iconOfExtension = GetIconIndexOfExtension;
        w.queryRecycleBin = QueryRecycleBin;
        w.sizeOnDrive = GetSizeOnDrive;
        w.countValues = RegKeyGetNumberOfValues;
        w.deleteValues = RegKeyDeleteValues;
        w.eraseFolder = EraseFolderContent;
        w.deleteFile = DeleteSingleFile;
        w.emptyRecycleBin = EmptyRecycleBin;
        w.wipeFile = WipeOneFile;
        w.wipeFolder = WipeFolderWalk;
        w.cleanIndexFolder = CleanIndexFolder;
        w.measureJob = MeasureFiles;
        w.deleteJob = DeleteFiles;
        w.wipeJob = WipeFiles;
        w.pathExists = PathExists;
        w.deleteKeys = RegKeyDeleteKeys;
        w.keyExists = RegKeyExists;
        w.processRunning = IsProcessRunning;
        w.measureKeyTree = RegKeyMeasureTree;
        w.deleteKeyTree = RegKeyDeleteTree;
        w.windowsVersion = WindowsVersionText;
        return w;
    }();
    return work;
}

HostWork& CurrentHostWork() {
    static HostWork work = DefaultHostWork();
    return work;
}

namespace {

std::uint32_t Passes(const HostArgValue& arg) {
    const auto passes = static_cast<std::uint32_t>(arg.number);
    return passes == 0 ? kDefaultWipePasses : passes;
}

int PushSizeAndCountResult(lua_State* L, std::uint64_t size, std::uint32_t count) {
    PushSizeAndCount(L, size, count);
    return 2;
}

int PushResult(lua_State* L, HostResult result) {
    switch (result) {
    case HostResult::None:
        return 0;
    case HostResult::Zero:
        lua_pushnumber(L, 0);
        return 1;
    case HostResult::MinusOne:
        lua_pushnumber(L, -1);
        return 1;
    case HostResult::ZeroSizeAndCount:
        return PushSizeAndCountResult(L, 0, 0);
    case HostResult::False:
        lua_pushboolean(L, 0);
        return 1;
    }
    return 0;
}

enum class ArgsRead { Taken, Malformed, NamesNothing };

// A job table's fields: the name, how the value is read, and where it goes. A missing field
// keeps the default.
enum class JobField : std::uint8_t { Folder, Masks, Files, Recurse, Exclude, MinAgeHours, RemoveSelf };

struct JobFieldRow {
    const char* name;
    JobField field;
};

constexpr JobFieldRow kJobFields[] = {
    {"folder", JobField::Folder},           {"masks", JobField::Masks},
    {"files", JobField::Files},             {"recurse", JobField::Recurse},
    {"exclude", JobField::Exclude},         {"minAgeHours", JobField::MinAgeHours},
    {"removeSelf", JobField::RemoveSelf},
};

// An exclude pattern that still holds "%NAME%" after expansion names a folder the platform could
// not give: it would exclude nothing, and the job would remove what it was meant to spare.
bool HoldsUnexpandedMacro(const std::string& text) {
    const std::size_t open = text.find('%');
    if (open == std::string::npos)
        return false;
    const std::size_t close = text.find('%', open + 1);
    return close != std::string::npos && close > open + 1 &&
           text.find('\\', open) > close; // a name between the two signs, not a path around them
}

// Reads the job table at `index`. Malformed: not a table, a key that is not a field's name, a
// value of the wrong type, a negative or non-finite age, no folder, both masks and files (two
// rules for one selection), a files list that is not a list of bare name masks (an empty one
// would select nothing while reading as "everything"). Names nothing: text that
// cannot be taken whole, a folder that is not rooted once expanded, an exclude pattern whose
// expansion fails.
ArgsRead ReadJob(lua_State* L, int index, FileJob& job) {
    if (lua_type(L, index) != LUA_TTABLE)
        return ArgsRead::Malformed;
    bool haveFolder = false;
    bool haveMasks = false;
    bool namesNothing = false;
    std::string folder, exclude;
    ArgsRead result = ArgsRead::Taken;
    lua_pushnil(L);
    while (lua_next(L, index) != 0) {
        const int value = lua_gettop(L);
        const int type = lua_type(L, value);
        const JobFieldRow* row = nullptr;
        if (lua_type(L, value - 1) == LUA_TSTRING) {
            size_t len = 0;
            const char* key = lua_tolstring(L, value - 1, &len);
            for (const JobFieldRow& r : kJobFields) {
                if (std::strlen(r.name) == len && std::memcmp(r.name, key, len) == 0)
                    row = &r;
            }
        }
        bool wrong = row == nullptr;
        if (row) {
            switch (row->field) {
            case JobField::Folder:
            case JobField::Masks:
            case JobField::Files:
            case JobField::Exclude: {
                std::string& text = row->field == JobField::Folder  ? folder
                                    : row->field == JobField::Masks ? job.masks
                                    : row->field == JobField::Files ? job.files
                                                                    : exclude;
                wrong = !ArgText(L, value, text);
                if (!wrong && row->field == JobField::Files)
                    wrong = !IsNameMaskList(text);
                if (!wrong && !IsWholeScriptText(text))
                    namesNothing = true;
                haveFolder = haveFolder || (row->field == JobField::Folder && !wrong);
                haveMasks = haveMasks || row->field == JobField::Masks;
                break;
            }
            case JobField::Recurse:
            case JobField::RemoveSelf:
                wrong = type != LUA_TBOOLEAN;
                if (!wrong)
                    (row->field == JobField::Recurse ? job.recurse : job.removeSelf) = lua_toboolean(L, value) != 0;
                break;
            case JobField::MinAgeHours: {
                const double hours = type == LUA_TNUMBER ? lua_tonumber(L, value) : -1;
                wrong = !(hours >= 0 && hours <= 1e12); // also false for NaN
                if (!wrong)
                    job.minAgeHours = hours;
                break;
            }
            }
        }
        lua_pop(L, 1); // the value; the key stays for lua_next
        if (wrong) {
            lua_pop(L, 1);
            return ArgsRead::Malformed;
        }
    }
    if (!haveFolder || (haveMasks && !job.files.empty()))
        return ArgsRead::Malformed;
    if (namesNothing)
        return ArgsRead::NamesNothing;
    // An empty folder would stand for the current drive's root, a relative one for whatever lies
    // in the current folder.
    if (!ExpandPathMacros(folder, job.folder) || !IsRootedPath(job.folder))
        return ArgsRead::NamesNothing;
    for (const std::string& piece : SplitMaskList(exclude)) {
        std::string expanded;
        if (piece.empty())
            continue;
        if (!ExpandPathMacrosFull(piece, expanded) || HoldsUnexpandedMacro(expanded))
            return ArgsRead::NamesNothing;
        job.exclude.push_back(std::move(expanded));
    }
    return result;
}

// Reads the job argument at `index`: one job table, or a list of them (a table whose first
// element is a table), each read as ReadJob reads one. A list with any key but 1..n, or any
// element that is malformed, is malformed whole; an element that names nothing is passed over,
// as its own call would do nothing, and a list whose every element names nothing names nothing.
ArgsRead ReadJobs(lua_State* L, int index, std::vector<FileJob>& jobs) {
    jobs.clear();
    bool isList = false;
    if (lua_type(L, index) == LUA_TTABLE) {
        lua_rawgeti(L, index, 1);
        isList = lua_type(L, -1) == LUA_TTABLE;
        lua_pop(L, 1);
    }
    if (!isList) {
        FileJob job;
        const ArgsRead read = ReadJob(L, index, job);
        if (read == ArgsRead::Taken)
            jobs.push_back(std::move(job));
        return read;
    }
    const std::size_t length = lua_objlen(L, index);
    std::size_t keys = 0;
    lua_pushnil(L);
    while (lua_next(L, index) != 0) {
        lua_pop(L, 1);
        const bool element = lua_type(L, -1) == LUA_TNUMBER && lua_tonumber(L, -1) >= 1 &&
                             lua_tonumber(L, -1) <= static_cast<lua_Number>(length) &&
                             lua_tonumber(L, -1) == static_cast<lua_Number>(lua_tointeger(L, -1));
        if (!element) {
            lua_pop(L, 1);
            return ArgsRead::Malformed;
        }
        ++keys;
    }
    if (keys != length)
        return ArgsRead::Malformed;
    for (std::size_t i = 1; i <= length; ++i) {
        lua_rawgeti(L, index, static_cast<int>(i));
        FileJob job;
        const ArgsRead read = ReadJob(L, lua_gettop(L), job);
        lua_pop(L, 1);
        if (read == ArgsRead::Malformed)
            return ArgsRead::Malformed;
        if (read == ArgsRead::Taken)
            jobs.push_back(std::move(job));
    }
    return jobs.empty() ? ArgsRead::NamesNothing : ArgsRead::Taken;
}

// Reads the arguments by the row's rule. A wrong type anywhere wins over text that names nothing:
// the call is malformed whatever its other arguments hold.
ArgsRead ReadArgs(lua_State* L, const HostFunction& row, HostArgs& args) {
    int count = 0;
    while (count < kMaxHostArgs && row.rule[count] != HostArg::None)
        ++count;
    const int top = lua_gettop(L);
    if (row.exactArgCount && top != count)
        return ArgsRead::Malformed;
    bool namesNothing = false;
    for (int i = 0; i < count; ++i) {
        const int index = i + 1;
        const int type = index <= top ? lua_type(L, index) : LUA_TNONE;
        HostArgValue& arg = args[i];
        switch (row.rule[i]) {
        case HostArg::None:
            break;
        case HostArg::Flag:
            arg.flag = lua_toboolean(L, index) != 0;
            break;
        case HostArg::Number:
            if (top == count)
                arg.number = lua_tointeger(L, index);
            break;
        case HostArg::Job:
            switch (ReadJobs(L, index, arg.jobs)) {
            case ArgsRead::Malformed:
                return ArgsRead::Malformed;
            case ArgsRead::NamesNothing:
                namesNothing = true;
                break;
            case ArgsRead::Taken:
                break;
            }
            break;
        case HostArg::OptionalText:
            if (type == LUA_TNIL || type == LUA_TNONE)
                break; // absent: the empty text
            [[fallthrough]];
        case HostArg::Path:
        case HostArg::Text: {
            if (!ArgText(L, index, arg.text))
                return ArgsRead::Malformed;
            if (row.rule[i] == HostArg::Path) {
                std::string expanded;
                // An empty folder path would stand for the current drive's root, a relative one
                // for whatever lies in the current folder.
                if (!ExpandPathMacros(arg.text, expanded) || !IsRootedPath(expanded))
                    namesNothing = true;
                arg.text = std::move(expanded);
            } else if (!IsWholeScriptText(arg.text)) {
                namesNothing = true;
            }
            break;
        }
        }
    }
    return namesNothing ? ArgsRead::NamesNothing : ArgsRead::Taken;
}

} // namespace

// Registration order is what scripts have always seen; a new function is a new row at the end.
const HostFunction kHostFunctions[] = {
    {"GetFolderSize", {HostArg::Path, HostArg::OptionalText, HostArg::Flag}, false, HostResult::Zero,
     HostResult::ZeroSizeAndCount,
     [](lua_State* L, const HostArgs& a, const CHostScope* s) {
         std::uint64_t size = 0;
         std::uint32_t count = 0;
         CurrentHostWork().measureFolder(WalkScopeOf(s), a[0].text, a[1].text, a[2].flag, size, count);
         return PushSizeAndCountResult(L, size, count);
     }},
    {"GetIconIndex", {HostArg::Text}, true, HostResult::MinusOne, HostResult::MinusOne,
     [](lua_State* L, const HostArgs& a, const CHostScope*) {
         lua_pushnumber(L, CurrentHostWork().iconOfPath(a[0].text)); // expanded by the lookup itself
         return 1;
     }},
    {"GetIconIndexByExt", {HostArg::Text}, true, HostResult::MinusOne, HostResult::MinusOne,
     [](lua_State* L, const HostArgs& a, const CHostScope*) {
         lua_pushnumber(L, CurrentHostWork().iconOfExtension(a[0].text));
         return 1;
     }},
    {"GetRecycleBinInfo", {HostArg::OptionalText}, false, HostResult::ZeroSizeAndCount, HostResult::ZeroSizeAndCount,
     [](lua_State* L, const HostArgs& a, const CHostScope*) {
         std::uint64_t size = 0;
         std::uint32_t count = 0;
         CurrentHostWork().queryRecycleBin(a[0].text, size, count);
         return PushSizeAndCountResult(L, size, count);
     }},
    {"GetFileSize", {HostArg::Path}, false, HostResult::Zero, HostResult::Zero,
     [](lua_State* L, const HostArgs& a, const CHostScope* s) {
         std::uint64_t size = 0;
         CurrentHostWork().sizeOnDrive(WalkScopeOf(s), a[0].text, size);
         PushUnsigned(L, size);
         return 1;
     }},
    {"RegKeyGetNumberOfValues", {HostArg::Text, HostArg::OptionalText}, false, HostResult::Zero, HostResult::Zero,
     [](lua_State* L, const HostArgs& a, const CHostScope*) {
         PushUnsigned(L, CurrentHostWork().countValues(a[0].text, a[1].text));
         return 1;
     }},
    {"RegKeyDeleteValues", {HostArg::Text, HostArg::OptionalText}, false, HostResult::None, HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope*) {
         CurrentHostWork().deleteValues(a[0].text, a[1].text);
         return 0;
     }},
    {"DeleteFolderContent", {HostArg::Path, HostArg::OptionalText, HostArg::Flag}, false, HostResult::None,
     HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope* s) {
         CurrentHostWork().eraseFolder(ChangingWalkScopeOf(s), a[0].text, &a[1].text, a[2].flag);
         return 0;
     }},
    {"DeleteFile", {HostArg::Path}, false, HostResult::None, HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope* s) {
         CurrentHostWork().deleteFile(ChangingWalkScopeOf(s), a[0].text);
         return 0;
     }},
    {"EmptyRecycleBin", {HostArg::OptionalText}, false, HostResult::None, HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope* s) {
         DropListings(s);
         CurrentHostWork().emptyRecycleBin(a[0].text);
         return 0;
     }},
    {"WipeFile", {HostArg::Path, HostArg::Number}, false, HostResult::None, HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope* s) {
         CurrentHostWork().wipeFile(ChangingWalkScopeOf(s), a[0].text, Passes(a[1]));
         return 0;
     }},
    {"WipeFolderContent", {HostArg::Path, HostArg::OptionalText, HostArg::Flag, HostArg::Number}, false,
     HostResult::None, HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope* s) {
         CurrentHostWork().wipeFolder(ChangingWalkScopeOf(s), a[0].text, a[1].text, a[2].flag, Passes(a[3]));
         return 0;
     }},
    {"ClearIndexFile", {HostArg::Path, HostArg::Number}, false, HostResult::None, HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope* s) {
         CurrentHostWork().cleanIndexFolder(ChangingWalkScopeOf(s), a[0].text, a[1].number != 0);
         return 0;
     }},
    {"RegKeyDeleteKeys", {HostArg::Text, HostArg::OptionalText}, false, HostResult::None, HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope*) {
         CurrentHostWork().deleteKeys(a[0].text, a[1].text);
         return 0;
     }},
    {"MeasureFiles", {HostArg::Job}, false, HostResult::ZeroSizeAndCount, HostResult::ZeroSizeAndCount,
     [](lua_State* L, const HostArgs& a, const CHostScope* s) {
         std::uint64_t size = 0;
         std::uint32_t count = 0;
         const CWalkScope scope = WalkScopeOf(s);
         for (const FileJob& job : a[0].jobs) {
             std::uint64_t jobSize = 0;
             std::uint32_t jobCount = 0;
             CurrentHostWork().measureJob(scope, job, jobSize, jobCount);
             size += jobSize;
             count += jobCount;
         }
         return PushSizeAndCountResult(L, size, count);
     }},
    {"DeleteFiles", {HostArg::Job}, false, HostResult::None, HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope* s) {
         const CWalkScope scope = ChangingWalkScopeOf(s);
         for (const FileJob& job : a[0].jobs)
             CurrentHostWork().deleteJob(scope, job);
         return 0;
     }},
    {"WipeFiles", {HostArg::Job, HostArg::Number}, false, HostResult::None, HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope* s) {
         const CWalkScope scope = ChangingWalkScopeOf(s);
         for (const FileJob& job : a[0].jobs)
             CurrentHostWork().wipeJob(scope, job, Passes(a[1]));
         return 0;
     }},
    {"PathExists", {HostArg::Path}, false, HostResult::False, HostResult::False,
     [](lua_State* L, const HostArgs& a, const CHostScope*) {
         lua_pushboolean(L, CurrentHostWork().pathExists(a[0].text));
         return 1;
     }},
    {"RegKeyExists", {HostArg::Text}, false, HostResult::False, HostResult::False,
     [](lua_State* L, const HostArgs& a, const CHostScope*) {
         lua_pushboolean(L, CurrentHostWork().keyExists(a[0].text));
         return 1;
     }},
    {"IsProcessRunning", {HostArg::Text}, false, HostResult::False, HostResult::False,
     [](lua_State* L, const HostArgs& a, const CHostScope*) {
         lua_pushboolean(L, CurrentHostWork().processRunning(a[0].text));
         return 1;
     }},
    {"RegKeyMeasureTree", {HostArg::Text}, false, HostResult::Zero, HostResult::Zero,
     [](lua_State* L, const HostArgs& a, const CHostScope*) {
         PushUnsigned(L, CurrentHostWork().measureKeyTree(a[0].text));
         return 1;
     }},
    {"RegKeyDeleteTree", {HostArg::Text}, false, HostResult::None, HostResult::None,
     [](lua_State*, const HostArgs& a, const CHostScope*) {
         CurrentHostWork().deleteKeyTree(a[0].text);
         return 0;
     }},
    {"GetWindowsVersion", {HostArg::None}, false, HostResult::None, HostResult::None,
     [](lua_State* L, const HostArgs&, const CHostScope*) {
         const std::string version = CurrentHostWork().windowsVersion();
         lua_pushlstring(L, version.data(), version.size());
         return 1;
     }},
};

const int kHostFunctionCount = static_cast<int>(sizeof kHostFunctions / sizeof kHostFunctions[0]);

int CallHostFunction(lua_State* L, int position, const CHostScope* scope) {
    if (position < 0 || position >= kHostFunctionCount)
        return 0;
    const HostFunction& row = kHostFunctions[position];
    HostArgs args;
    switch (ReadArgs(L, row, args)) {
    case ArgsRead::Malformed:
        return PushResult(L, row.malformed);
    case ArgsRead::NamesNothing:
        return PushResult(L, row.namesNothing);
    case ArgsRead::Taken:
        break;
    }
    return row.work(L, args, scope);
}

} // namespace qs
