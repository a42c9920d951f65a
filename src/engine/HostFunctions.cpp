// Argument rules and results of the host functions; the work is done in hostfn.
#include "engine/HostFunctions.h"

#include "engine/ScriptValues.h"
#include "hostfn/FileErase.h"
#include "hostfn/HistoryCleaner.h"
#include "hostfn/PathMacros.h"
#include "hostfn/Registry.h"
#include "hostfn/ShellBridge.h"
#include "hostfn/SizeMeasure.h"

#include <string>

namespace qs {

const char* const kHostFunctionNames[kHostFunctionCount] = {
    "GetFolderSize",      "GetIconIndex",
    "GetIconIndexByExt",  "GetRecycleBinInfo",
    "GetFileSize",        "RegKeyGetNumberOfValues",
    "RegKeyDeleteValues", "DeleteFolderContent",
    "DeleteFile",         "EmptyRecycleBin",
    "WipeFile",           "WipeFolderContent",
    "ClearIndexFile",     "RegKeyDeleteKeys",
};

const HostWork& DefaultHostWork() {
    static const HostWork work = {
        MeasureFolder,      GetIconIndexOfPath, GetIconIndexOfExtension,
        QueryRecycleBin,    GetSizeOnDrive,     RegKeyGetNumberOfValues,
        RegKeyDeleteValues, EraseFolderContent, DeleteSingleFile,
        EmptyRecycleBin,    WipeOneFile,        WipeFolderWalk,
        CleanIndexFolder,   RegKeyDeleteKeys,
    };
    return work;
}

HostWork& CurrentHostWork() {
    static HostWork work = DefaultHostWork();
    return work;
}

namespace {

// Argument 1 as a path: a string argument, expanded. False when there is none, and when the
// path names nothing: empty after expansion (an empty folder path would otherwise stand for the
// root of the current drive), longer than the classic path limit (never cut into another name),
// or holding a NUL byte (the platform would see only the text before it).
bool PathArg(lua_State* L, std::string& path) {
    std::string text;
    if (!ArgText(L, 1, text) || text.find('\0') != std::string::npos)
        return false;
    return ExpandPathMacros(text, path) && !path.empty();
}

// A mask list argument: its text when it is a string, else empty (which matches everything).
std::string MaskArg(lua_State* L, int index) {
    std::string masks;
    ArgText(L, index, masks);
    return masks;
}

// The pass count: read only when the call has exactly `fullCount` arguments; 0 means the default.
std::uint32_t PassCountArg(lua_State* L, int index, int fullCount) {
    std::uint32_t passes = 0;
    if (lua_gettop(L) == fullCount)
        passes = static_cast<std::uint32_t>(lua_tointeger(L, index));
    return passes == 0 ? kDefaultWipePasses : passes;
}

std::string RootArg(lua_State* L) {
    std::string root;
    ArgText(L, 1, root);
    return root;
}

int HfGetFolderSize(lua_State* L) {
    std::string text;
    if (!ArgText(L, 1, text)) {
        lua_pushnumber(L, 0);
        return 1;
    }
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    std::string folder;
    if (PathArg(L, folder))
        CurrentHostWork().measureFolder(folder, MaskArg(L, 2), lua_toboolean(L, 3) != 0, size, count);
    PushSizeAndCount(L, size, count);
    return 2;
}

int HfGetIconIndex(lua_State* L) {
    std::string path;
    const bool ok = lua_gettop(L) == 1 && ArgText(L, 1, path);
    lua_pushnumber(L, ok ? CurrentHostWork().iconOfPath(path) : -1);
    return 1;
}

int HfGetIconIndexByExt(lua_State* L) {
    std::string ext;
    const bool ok = lua_gettop(L) == 1 && ArgText(L, 1, ext);
    lua_pushnumber(L, ok ? CurrentHostWork().iconOfExtension(ext) : -1);
    return 1;
}

int HfGetRecycleBinInfo(lua_State* L) {
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    CurrentHostWork().queryRecycleBin(RootArg(L), size, count);
    PushSizeAndCount(L, size, count);
    return 2;
}

int HfGetFileSize(lua_State* L) {
    std::string path;
    std::uint64_t size = 0;
    if (PathArg(L, path))
        CurrentHostWork().sizeOnDrive(path, size);
    PushUnsigned(L, size);
    return 1;
}

int HfRegKeyGetNumberOfValues(lua_State* L) {
    std::string key;
    std::uint32_t count = 0;
    if (ArgText(L, 1, key))
        count = CurrentHostWork().countValues(key, MaskArg(L, 2));
    PushUnsigned(L, count);
    return 1;
}

int HfRegKeyDeleteValues(lua_State* L) {
    std::string key;
    if (ArgText(L, 1, key))
        CurrentHostWork().deleteValues(key, MaskArg(L, 2));
    return 0;
}

int HfDeleteFolderContent(lua_State* L) {
    std::string folder;
    if (PathArg(L, folder)) {
        const std::string masks = MaskArg(L, 2);
        CurrentHostWork().eraseFolder(folder, &masks, lua_toboolean(L, 3) != 0);
    }
    return 0;
}

int HfDeleteFile(lua_State* L) {
    std::string path;
    if (PathArg(L, path))
        CurrentHostWork().deleteFile(path);
    return 0;
}

int HfEmptyRecycleBin(lua_State* L) {
    CurrentHostWork().emptyRecycleBin(RootArg(L));
    return 0;
}

int HfWipeFile(lua_State* L) {
    std::string path;
    if (PathArg(L, path))
        CurrentHostWork().wipeFile(path, PassCountArg(L, 2, 2));
    return 0;
}

int HfWipeFolderContent(lua_State* L) {
    std::string folder;
    if (PathArg(L, folder))
        CurrentHostWork().wipeFolder(folder, MaskArg(L, 2), lua_toboolean(L, 3) != 0, PassCountArg(L, 4, 4));
    return 0;
}

int HfClearIndexFile(lua_State* L) {
    std::string folder;
    if (PathArg(L, folder)) {
        const bool leakScan = lua_gettop(L) == 2 && lua_tointeger(L, 2) != 0;
        CurrentHostWork().cleanIndexFolder(folder, leakScan);
    }
    return 0;
}

int HfRegKeyDeleteKeys(lua_State* L) {
    std::string key;
    if (ArgText(L, 1, key))
        CurrentHostWork().deleteKeys(key, MaskArg(L, 2));
    return 0;
}

using HostFunction = int (*)(lua_State*);

const HostFunction kHostFunctions[kHostFunctionCount] = {
    HfGetFolderSize,      HfGetIconIndex,
    HfGetIconIndexByExt,  HfGetRecycleBinInfo,
    HfGetFileSize,        HfRegKeyGetNumberOfValues,
    HfRegKeyDeleteValues, HfDeleteFolderContent,
    HfDeleteFile,         HfEmptyRecycleBin,
    HfWipeFile,           HfWipeFolderContent,
    HfClearIndexFile,     HfRegKeyDeleteKeys,
};

} // namespace

int CallHostFunction(lua_State* L, int position) {
    if (position < 0 || position >= kHostFunctionCount)
        return 0;
    return kHostFunctions[position](L);
}

} // namespace qs
