// Reading a rule file at start-up: one translation per entry, detection answered natively, rows
// made only for the entries that apply, each running its entry's script text.
#include "engine/Winapp2Rows.h"

#include "framework/Handle.h"
#include "hostfn/AnsiText.h"
#include "hostfn/PathMacros.h"
#include "hostfn/PathPattern.h"
#include "hostfn/Registry.h"
#include "hostfn/ShellBridge.h"
#include "hostfn/SystemInfo.h"

#include <windows.h>

#include <memory>
#include <unordered_map>

namespace qs {
namespace {

std::wstring Upper(std::wstring s) {
    if (!s.empty())
        CharUpperBuffW(&s[0], static_cast<DWORD>(s.size()));
    return s;
}

std::vector<std::wstring> Components(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find(L'\\', start);
        parts.push_back(path.substr(start, end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    while (!parts.empty() && parts.back().empty())
        parts.pop_back();
    return parts;
}

// One listed key: its subkeys by upper-case name.
struct Listing {
    struct Entry {
        std::wstring name; // as listed
        DWORD attributes = 0;
    };
    std::unordered_map<std::wstring, Entry> entries;
    bool listed = false; // false: it could not be listed (absent, or not readable)
};

class CMachineProbe : public CWinapp2Probe {
public:
    bool KeyExists(const std::string& key) override {
        HKEY root = nullptr;
        std::string subkey;
        if (!ParseKeyPath(key, root, subkey))
            return false;
        const std::vector<std::wstring> parts = Components(WideFromAnsi(subkey));
        std::wstring path;
        const std::wstring rootName = Upper(WideFromAnsi(key.substr(0, key.find('\\'))));
        for (const std::wstring& part : parts) {
            if (part.empty())
                return false;
            const Listing& listing = SubkeysOf(root, rootName, path);
            // A key that cannot be listed (access denied) is asked about directly.
            if (!listing.listed)
                return RegKeyExists(key);
            const auto at = listing.entries.find(Upper(part));
            if (at == listing.entries.end())
                return false;
            path += (path.empty() ? L"" : L"\\") + at->second.name;
        }
        return true;
    }

    // The rule of the host's PathExists, over listings read once for the probe's life.
    bool PathExists(const std::string& pattern) override {
        std::string expanded;
        return ExpandPathMacros(pattern, expanded) && IsRootedPath(expanded) && PathExistsIn(expanded, *m_files);
    }

    std::string WindowsVersion() override { return WindowsVersionText(); }

private:
    const Listing& SubkeysOf(HKEY root, const std::wstring& rootName, const std::wstring& path) {
        Listing& listing = m_keys[rootName + L"\\" + Upper(path)];
        if (listing.listed)
            return listing;
        RegKey key;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, key.Put()) != ERROR_SUCCESS)
            return listing;
        listing.listed = true;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            const LSTATUS status = RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_NO_MORE_ITEMS)
                break;
            if (status != ERROR_SUCCESS) {
                listing.listed = false; // not read whole: asked about directly
                break;
            }
            const std::wstring n(name, length);
            listing.entries[Upper(n)] = {n, 0};
        }
        return listing;
    }

    std::unique_ptr<CPathSource> m_files = MakeListingPathSource();
    std::unordered_map<std::wstring, Listing> m_keys; // by upper-case root name and path
};

bool SameName(const std::string& a, const std::string& b) { return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL; }

CScriptRow* CategoryRow(CLuaVirtualMachine& vm, CScriptsModel& list, const std::string& name, int icon) {
    CScriptRow* root = list.GetRootItem();
    for (CScriptRow* row = root->firstChild; row != nullptr; row = row->nextSibling)
        if (row->isGroup != 0 && row->userData != nullptr && SameName(row->userData->Name(), name))
            return row;
    auto script = std::make_unique<CPluginScript>(vm);
    script->SetName(name);
    script->SetIconIndex(icon);
    return list.InsertItem(std::move(script), icon, kUnchecked, TRUE, root);
}

} // namespace

std::unique_ptr<CWinapp2Probe> MakeMachineProbe() { return std::make_unique<CMachineProbe>(); }

bool Winapp2Applies(const Winapp2Detection& detection, CWinapp2Probe& probe, const std::string& version) {
    if ((!detection.osFrom.empty() || !detection.osTo.empty()) &&
        !WithinWinapp2Os(version, detection.osFrom, detection.osTo))
        return false;
    if (detection.keys.empty() && detection.files.empty())
        return true;
    for (const std::string& key : detection.keys)
        if (probe.KeyExists(key))
            return true;
    for (const std::string& file : detection.files)
        if (probe.PathExists(file))
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
                           const std::string& file, bool dangerousFile, CWinapp2Probe* probe) {
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
    std::unique_ptr<CWinapp2Probe> machine;
    if (probe == nullptr) {
        machine = MakeMachineProbe();
        probe = machine.get();
    }
    const std::string version = probe->WindowsVersion();
    // The rows show the icons of a folder and of a settings file, asked once for the file.
    int categoryIcon = -2, ruleIcon = -2;
    std::vector<CScriptRow*> added;
    for (const Winapp2Entry& entry : rules.entries) {
        if (!entry.broken.empty())
            continue; // reported by the reader
        // Detection first: the rest of an entry that does not apply here is never read.
        Winapp2Detection detection;
        std::string why;
        if (!Winapp2DetectionOf(entry, detection, why)) {
            Winapp2Plugin refused;
            refused.name = entry.name;
            refused.line = entry.line;
            refused.refused = why;
            load.refused.push_back(std::move(refused));
            continue;
        }
        if (!Winapp2Applies(detection, *probe, version)) {
            ++load.notDetected;
            continue;
        }
        Winapp2Plugin plugin = TranslateWinapp2(entry, dangerousFile, false);
        if (!plugin.refused.empty()) {
            load.refused.push_back(std::move(plugin));
            continue;
        }
        // The row runs the entry's script; its name and detection are already known, so
        // GetPluginName (which would detect again) is not asked.
        auto script = std::make_unique<CPluginScript>(vm);
        if (!script->LoadText(Winapp2ScriptText(entry, plugin), "=" + plugin.name))
            continue;
        script->SetName(plugin.name);
        script->ReadPluginTexts();
        if (ruleIcon == -2) {
            categoryIcon = GetIconIndexOfPath(ScriptsFolderPath());
            ruleIcon = GetIconIndexOfExtension("ini");
        }
        script->SetIconIndex(ruleIcon);
        CScriptRow* category = CategoryRow(vm, list, plugin.category, categoryIcon);
        added.push_back(list.InsertItem(std::move(script), ruleIcon, kUnchecked, FALSE, category));
        ++load.rows;
    }
    for (CScriptRow* row : added)
        RestoreStoredChecks(list, selection, row);
    return load;
}

} // namespace qs
