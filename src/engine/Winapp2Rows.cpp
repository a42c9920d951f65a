// Reading a rule file at start-up: one translation per entry, detection answered natively, rows
// made only for the entries that apply, each running its entry's script text.
#include "engine/Winapp2Rows.h"

#include "framework/Handle.h"
#include "hostfn/AnsiText.h"
#include "hostfn/Masks.h"
#include "hostfn/PathMacros.h"
#include "hostfn/Registry.h"
#include "hostfn/SystemInfo.h"

#include <windows.h>

#include <memory>

namespace qs {
namespace {

bool IsLinkOrPlain(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Whether anything matches the components from `index` on below `folder` (a full path without a
// trailing backslash). Components with wildcards are matched within their one level against
// the names listed; links are never entered while matching.
bool ExistsBelow(const std::wstring& folder, const std::vector<std::wstring>& parts, std::size_t index) {
    if (index == parts.size())
        return true;
    const std::wstring& part = parts[index];
    const bool last = index + 1 == parts.size();
    if (part.find_first_of(L"*?") == std::wstring::npos) {
        const std::wstring path = folder + L'\\' + part;
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return false;
        return last || ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && ExistsBelow(path, parts, index + 1));
    }
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find)
        return false;
    const WideMaskList mask{part};
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L".." || !MatchesMaskList(mask, name))
            continue;
        if (last)
            return true;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLinkOrPlain(data.dwFileAttributes) &&
            ExistsBelow(folder + L'\\' + name, parts, index + 1))
            return true;
    } while (FindNextFileW(find.Get(), &data));
    return false;
}

bool PathPatternExists(const std::string& pattern) {
    std::string expanded;
    if (!ExpandPathMacros(pattern, expanded) || !IsRootedPath(expanded))
        return false;
    const std::wstring wide = WideFromAnsi(expanded);
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = wide.find(L'\\', start);
        parts.push_back(wide.substr(start, end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    while (!parts.empty() && parts.back().empty())
        parts.pop_back();
    if (parts.empty() || parts[0].find_first_of(L"*?") != std::wstring::npos)
        return false;
    if (parts.size() == 1)
        return GetFileAttributesW((parts[0] + L'\\').c_str()) != INVALID_FILE_ATTRIBUTES;
    return ExistsBelow(parts[0], parts, 1);
}

bool SameName(const std::string& a, const std::string& b) { return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL; }

CScriptRow* CategoryRow(CLuaVirtualMachine& vm, CScriptsModel& list, const std::string& name) {
    CScriptRow* root = list.GetRootItem();
    for (CScriptRow* row = root->firstChild; row != nullptr; row = row->nextSibling)
        if (row->isGroup != 0 && row->userData != nullptr && SameName(row->userData->Name(), name))
            return row;
    auto script = std::make_unique<CPluginScript>(vm);
    script->SetName(name);
    return list.InsertItem(std::move(script), -1, kUnchecked, TRUE, root);
}

} // namespace

const Winapp2Probe& DefaultWinapp2Probe() {
    static const Winapp2Probe probe = [] {
        Winapp2Probe p{};
        p.keyExists = RegKeyExists;
        p.pathExists = PathPatternExists;
        p.windowsVersion = WindowsVersionText;
        return p;
    }();
    return probe;
}

bool Winapp2Applies(const Winapp2Detection& detection, const Winapp2Probe& probe, const std::string& version) {
    if ((!detection.osFrom.empty() || !detection.osTo.empty()) &&
        !WithinWinapp2Os(version, detection.osFrom, detection.osTo))
        return false;
    if (detection.keys.empty() && detection.files.empty())
        return true;
    for (const std::string& key : detection.keys)
        if (probe.keyExists(key))
            return true;
    for (const std::string& file : detection.files)
        if (probe.pathExists(file))
            return true;
    return false;
}

std::string Winapp2BesideProgram(const char* fileName) {
    const std::string exe = ModuleFilePath();
    const std::size_t slash = exe.find_last_of('\\');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1) + fileName;
}

bool ReadWinapp2Bytes(const std::string& file, std::string& bytes, std::string& problem) {
    bytes.clear();
    Handle h(CreateFileW(WideFromAnsi(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!h || !GetFileSizeEx(h.Get(), &size)) {
        problem = "the file cannot be opened";
        return false;
    }
    if (size.QuadPart > static_cast<LONGLONG>(kWinapp2MaxFileBytes)) {
        problem = "the file is larger than " + std::to_string(kWinapp2MaxFileBytes >> 20) + " MB";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() && (!ReadFile(h.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size())) {
        problem = "the file cannot be read";
        bytes.clear();
        return false;
    }
    return true;
}

Winapp2Load AddWinapp2Rows(CLuaVirtualMachine& vm, CScriptsModel& list, const CSelectionStore& selection,
                           const std::string& file, bool dangerousFile, const Winapp2Probe& probe) {
    Winapp2Load load;
    load.file = file;
    if (file.empty() || GetFileAttributesW(WideFromAnsi(file).c_str()) == INVALID_FILE_ATTRIBUTES)
        return load;
    std::string bytes;
    if (!ReadWinapp2Bytes(file, bytes, load.readProblem))
        return load;
    load.read = true;
    const Winapp2File rules = ReadWinapp2(bytes.data(), bytes.size());
    load.problems = rules.problems;
    load.problemsNotKept = rules.problemsNotKept;
    const std::string version = probe.windowsVersion();
    std::vector<CScriptRow*> added;
    for (const Winapp2Entry& entry : rules.entries) {
        if (!entry.broken.empty())
            continue; // reported by the reader
        Winapp2Plugin plugin = TranslateWinapp2(entry, dangerousFile, false);
        if (!plugin.refused.empty()) {
            load.refused.push_back(std::move(plugin));
            continue;
        }
        if (!Winapp2Applies(plugin.detection, probe, version)) {
            ++load.notDetected;
            continue;
        }
        // The row runs the entry's script; its name and detection are already known, so
        // GetPluginName (which would detect again) is not asked.
        auto script = std::make_unique<CPluginScript>(vm);
        if (!script->LoadText(Winapp2ScriptText(entry, plugin), "=" + plugin.name))
            continue;
        script->SetName(plugin.name);
        script->ReadPluginTexts();
        CScriptRow* category = CategoryRow(vm, list, plugin.category);
        added.push_back(list.InsertItem(std::move(script), -1, kUnchecked, FALSE, category));
        ++load.rows;
    }
    for (CScriptRow* row : added)
        RestoreStoredChecks(list, selection, row);
    return load;
}

} // namespace qs
