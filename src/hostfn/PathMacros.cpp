// Path macro expansion: environment first, then upper case, then the folder macros in table order.
#include "hostfn/PathMacros.h"

#include "hostfn/AnsiText.h"
#include "hostfn/PathLimits.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstring>
#include <utility>
#include <vector>

namespace qs {
namespace {

constexpr int kScriptsFolder = -1;
constexpr int kLocalLowFolder = -2; // a known folder without a CSIDL number

struct Macro {
    const char* text;
    int csidl;
};

// Looked for in this order.
const Macro kMacros[] = {
    {"%RECENT%", CSIDL_RECENT},
    {"%COOKIES%", CSIDL_COOKIES},
    {"%PROGRAM_FILES%", CSIDL_PROGRAM_FILES},
    {"%SYSTEM%", CSIDL_SYSTEM},
    {"%MYDOCUMENTS%", CSIDL_MYDOCUMENTS},
    {"%LOCAL_APPDATA%", CSIDL_LOCAL_APPDATA},
    {"%INTERNET_CACHE%", CSIDL_INTERNET_CACHE},
    {"%HISTORY%", CSIDL_HISTORY},
    {"%FAVORITES%", CSIDL_FAVORITES},
    {"%DESKTOPDIRECTORY%", CSIDL_DESKTOPDIRECTORY},
    {"%SCRIPTS%", kScriptsFolder},
    // The folders of rule files' variables that no environment variable names.
    {"%LOCALLOW_APPDATA%", kLocalLowFolder},
    {"%PERSONAL%", CSIDL_PERSONAL},
    {"%MYMUSIC%", CSIDL_MYMUSIC},
    {"%MYPICTURES%", CSIDL_MYPICTURES},
    {"%MYVIDEO%", CSIDL_MYVIDEO},
};

std::string& ScriptsFolderOverride() {
    static std::string folder;
    return folder;
}

// The environment stage. The source is whole script text, so the platform takes it whole; the
// buffer grows to what the expansion needs but never past kMaxScriptTextChars, so the platform's
// 16-bit counts hold every length. False when the platform fails or the result would not fit.
bool ExpandEnvironment(const std::string& source, std::string& out) {
    std::vector<char> buf(1024);
    // The size is asked once more only when the environment changed between the two calls.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD n = ExpandEnvironmentStringsA(source.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return false;
        if (n <= buf.size()) {
            out.assign(buf.data(), strnlen(buf.data(), buf.size()));
            return IsWholeScriptText(out);
        }
        if (n > kMaxScriptTextChars + 1)
            return false;
        buf.assign(n, '\0');
    }
    return false;
}

// The folder a macro stands for, or false when the platform cannot name it.
bool MacroFolder(const Macro& macro, std::string& folder) {
    if (macro.csidl == kScriptsFolder) {
        folder = ScriptsFolderPath();
        return !folder.empty();
    }
    if (macro.csidl == kLocalLowFolder) {
        PWSTR wide = nullptr;
        const bool found = SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppDataLow, 0, nullptr, &wide));
        std::string ansi;
        // Taken only when the code page holds it exactly (a look-alike would name another folder).
        const bool exact = found && ExactAnsiFromWide(wide, ansi) && !ansi.empty() && ansi.size() < MAX_PATH;
        CoTaskMemFree(wide);
        if (exact)
            folder = ansi;
        return exact;
    }
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, macro.csidl, FALSE) || path[0] == '\0')
        return false;
    folder = path;
    return true;
}

} // namespace

void SetScriptsFolder(const std::string& folder) {
    std::string f = folder;
    while (f.size() > 3 && (f.back() == '\\' || f.back() == '/'))
        f.pop_back();
    ScriptsFolderOverride() = f;
}

std::string ModuleFilePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::string();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::string ansi;
    if (ExactAnsiFromWide(path, ansi))
        return ansi;
    std::wstring shortPath(path.size() + 1, L'\0');
    const DWORD n = GetShortPathNameW(path.c_str(), &shortPath[0], static_cast<DWORD>(shortPath.size()));
    if (n == 0 || n >= shortPath.size())
        return std::string();
    shortPath.resize(n);
    return ExactAnsiFromWide(shortPath, ansi) ? ansi : std::string();
}

std::string ScriptsFolderPath() {
    if (!ScriptsFolderOverride().empty())
        return ScriptsFolderOverride();
    const std::string exe = ModuleFilePath();
    const std::size_t slash = exe.find_last_of('\\');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1) + "scripts";
}

bool IsWholeScriptText(const std::string& text) {
    return text.size() <= kMaxScriptTextChars && text.find('\0') == std::string::npos;
}

bool ExpandPathMacrosFull(const std::string& source, std::string& out) {
    out.clear();
    std::string s;
    if (!IsWholeScriptText(source) || !ExpandEnvironment(source, s))
        return false;
    if (!s.empty())
        CharUpperBuffA(&s[0], static_cast<DWORD>(s.size()));
    for (const Macro& macro : kMacros) {
        size_t pos = s.find(macro.text);
        if (pos == std::string::npos)
            continue; // its folder is fetched only when it is needed
        std::string folder;
        if (!MacroFolder(macro, folder))
            continue; // left unreplaced: the path names nothing
        const size_t len = strlen(macro.text);
        while (pos != std::string::npos) {
            s.replace(pos, len, folder);
            if (s.size() > kMaxScriptTextChars)
                return false;
            pos = s.find(macro.text, pos + folder.size());
        }
    }
    out = std::move(s);
    return true;
}

bool ExpandPathMacros(const std::string& source, std::string& out) {
    if (!ExpandPathMacrosFull(source, out) || out.size() > kMaxPathChars) {
        out.clear();
        return false;
    }
    return true;
}

bool IsRootedPath(const std::string& path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (path.size() >= 3 && letter(path[0]) && path[1] == ':' && separator(path[2]))
        return true;
    // \\server\share: a server name of its own, never the device prefixes "." and "?".
    if (path.size() < 5 || !separator(path[0]) || !separator(path[1]))
        return false;
    const std::size_t serverEnd = path.find_first_of("\\/", 2);
    if (serverEnd == std::string::npos || serverEnd == 2 || serverEnd + 1 >= path.size())
        return false;
    const std::string server = path.substr(2, serverEnd - 2);
    return server != "." && server != "?" && !separator(path[serverEnd + 1]);
}

} // namespace qs
