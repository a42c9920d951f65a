// Path macro expansion: environment first, then upper case, then the folder macros in table order.
#include "hostfn/PathMacros.h"

#include "hostfn/AnsiText.h"
#include "hostfn/FolderMacros.h"
#include "hostfn/PathLimits.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstring>
#include <utility>
#include <vector>

namespace qs {
namespace {

// The platform's number of a macro's special folder; -1 for the folders it has no number for.
int CsidlOf(MacroFolderId folder) {
    switch (folder) {
    case MacroFolderId::Recent:
        return CSIDL_RECENT;
    case MacroFolderId::Cookies:
        return CSIDL_COOKIES;
    case MacroFolderId::ProgramFiles:
        return CSIDL_PROGRAM_FILES;
    case MacroFolderId::System:
        return CSIDL_SYSTEM;
    case MacroFolderId::MyDocuments:
        return CSIDL_MYDOCUMENTS;
    case MacroFolderId::LocalAppData:
        return CSIDL_LOCAL_APPDATA;
    case MacroFolderId::InternetCache:
        return CSIDL_INTERNET_CACHE;
    case MacroFolderId::History:
        return CSIDL_HISTORY;
    case MacroFolderId::Favorites:
        return CSIDL_FAVORITES;
    case MacroFolderId::DesktopDirectory:
        return CSIDL_DESKTOPDIRECTORY;
    case MacroFolderId::Personal:
        return CSIDL_PERSONAL;
    case MacroFolderId::MyMusic:
        return CSIDL_MYMUSIC;
    case MacroFolderId::MyPictures:
        return CSIDL_MYPICTURES;
    case MacroFolderId::MyVideo:
        return CSIDL_MYVIDEO;
    case MacroFolderId::Scripts:
    case MacroFolderId::LocalLowAppData:
        break;
    }
    return -1;
}

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
bool MacroFolder(const FolderMacro& macro, std::string& folder) {
    if (macro.folder == MacroFolderId::Scripts) {
        folder = ScriptsFolderPath();
        return !folder.empty();
    }
    if (macro.folder == MacroFolderId::LocalLowAppData) {
        // A known folder without a CSIDL number.
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
    if (!SHGetSpecialFolderPathA(nullptr, path, CsidlOf(macro.folder), FALSE) || path[0] == '\0')
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
    for (const FolderMacro& macro : kFolderMacros) {
        const std::string text = std::string("%") + macro.name + "%";
        size_t pos = s.find(text);
        if (pos == std::string::npos)
            continue; // its folder is fetched only when it is needed
        std::string folder;
        if (!MacroFolder(macro, folder))
            continue; // left unreplaced: the path names nothing
        while (pos != std::string::npos) {
            s.replace(pos, text.size(), folder);
            if (s.size() > kMaxScriptTextChars)
                return false;
            pos = s.find(text, pos + folder.size());
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
