// import-winapp2: the rule file read, every entry translated once, the scripts written.
#include "cli/Winapp2Import.h"

#include "cli/JsonWriter.h"
#include "cli/TextTable.h"
#include "engine/FileNameText.h"
#include "framework/Handle.h"
#include "hostfn/AnsiText.h"

#include <windows.h>

#include <cctype>
#include <set>

namespace qs {
namespace {

void Write(std::FILE* to, const std::string& text) {
    std::string eol;
    for (const char c : text) {
        if (c == '\n')
            eol += kEol;
        else
            eol += c;
    }
    std::fwrite(eol.data(), 1, eol.size(), to);
    std::fflush(to);
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Makes every missing folder of `folder` (a full path).
bool MakeFolders(const std::wstring& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::size_t slash = folder.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2 && !MakeFolders(folder.substr(0, slash)))
        return false;
    return CreateDirectoryW(folder.c_str(), nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteWhole(const std::wstring& path, const std::string& text) {
    Handle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return h && WriteFile(h.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::wstring FullFolder(const std::string& folder) {
    const std::wstring wide = WideFromAnsi(folder);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
        if (n == 0)
            return wide;
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n + 1);
    }
    while (full.size() > 3 && full.back() == L'\\')
        full.pop_back();
    return full;
}

struct Converted {
    std::string name;
    std::string category;
    std::string file; // relative to the output folder
    bool warns;
};

} // namespace

std::string Winapp2FileName(const std::string& name) {
    std::string out;
    for (const char c : name)
        out += static_cast<unsigned char>(c) < 0x20 || std::string("<>:\"/\\|?*").find(c) != std::string::npos ? '_' : c;
    while (!out.empty() && (out.back() == '.' || out.back() == ' '))
        out.pop_back();
    if (out.empty())
        return "_";
    std::string stem = Lower(out.substr(0, out.find('.')));
    static const char* const kDevices[] = {"con", "prn", "aux", "nul", "com1", "com2", "com3", "com4", "com5",
                                           "com6", "com7", "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4",
                                           "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};
    for (const char* device : kDevices)
        if (stem == device)
            return "_" + out;
    return out;
}

void AddWinapp2Issues(const Winapp2Load& load, CIssueCollector& issues) {
    if (!load.readProblem.empty()) {
        CScriptIssue issue;
        issue.file = load.file;
        issue.what = "rule file not read";
        issue.effect = "no rows from it";
        issue.message = load.readProblem;
        issue.broken = true;
        issues.Add(issue);
    }
    for (const Winapp2Problem& p : load.problems) {
        CScriptIssue issue;
        issue.file = load.file;
        issue.line = p.line;
        issue.what = p.entry.empty() ? std::string("broken line") : "broken entry [" + p.entry + "]";
        issue.effect = "skipped";
        issue.message = p.what;
        issue.broken = true;
        issues.Add(issue);
    }
    if (load.problemsNotKept != 0) {
        CScriptIssue issue;
        issue.file = load.file;
        issue.what = std::to_string(load.problemsNotKept) + " more problems";
        issue.effect = "skipped";
        issue.broken = true;
        issues.Add(issue);
    }
    for (const Winapp2Plugin& p : load.refused) {
        CScriptIssue issue;
        issue.file = load.file;
        issue.line = p.line;
        issue.what = "entry [" + p.name + "] refused";
        issue.effect = "not listed";
        issue.message = p.refused;
        issues.Add(issue);
    }
}

int RunWinapp2Import(const CCommandLine& line, std::FILE* out, std::FILE* err) {
    const std::string& file = line.names[0];
    std::string bytes, problem;
    if (!ReadWinapp2Bytes(file, bytes, problem)) {
        Write(err, "QuillsweepCmd: the rule file is not read (" + problem + "): " + file + "\n");
        return kExitCannotStart;
    }
    const std::wstring folder = FullFolder(line.outFolder.empty() ? std::string("winapp2") : line.outFolder);
    if (!MakeFolders(folder)) {
        Write(err, "QuillsweepCmd: the folder cannot be made: " + line.outFolder + "\n");
        return kExitCannotStart;
    }
    const Winapp2File rules = ReadWinapp2(bytes.data(), bytes.size());
    std::vector<Converted> converted;
    std::vector<Winapp2Plugin> refused;
    std::set<std::string> written; // relative paths in lower case: a second entry never replaces the first
    bool writeFailed = false;
    for (const Winapp2Entry& entry : rules.entries) {
        if (!entry.broken.empty())
            continue; // among the problems
        Winapp2Plugin plugin = TranslateWinapp2(entry, false);
        if (!plugin.refused.empty()) {
            refused.push_back(std::move(plugin));
            continue;
        }
        const std::string category = Winapp2FileName(plugin.category);
        std::string relative = category + "\\" + Winapp2FileName(plugin.name) + ".lua";
        for (int n = 2; !written.insert(Lower(relative)).second; ++n)
            relative = category + "\\" + Winapp2FileName(plugin.name) + " (" + std::to_string(n) + ").lua";
        const std::wstring categoryFolder = folder + L'\\' + WideFromAnsi(category);
        if (!MakeFolders(categoryFolder) || !WriteWhole(folder + L'\\' + WideFromAnsi(relative), plugin.text)) {
            Write(err, "QuillsweepCmd: cannot write " + relative + "\n");
            writeFailed = true;
            continue;
        }
        converted.push_back({plugin.name, plugin.category, relative, !plugin.warning.empty()});
    }

    // The folder as the file system names it: in JSON with its real characters, in text in the
    // shown form, so that a name the code page lacks is never left out or made into a look-alike.
    if (line.json) {
        CJsonWriter json;
        json.BeginObject().Key("file").String(file).Key("out").WideText(folder);
        json.Key("converted").BeginArray();
        for (const Converted& c : converted)
            json.BeginObject().Key("name").String(c.name).Key("category").String(c.category).Key("script")
                .String(c.file).Key("warning").Bool(c.warns).EndObject();
        json.EndArray().Key("refused").BeginArray();
        for (const Winapp2Plugin& p : refused)
            json.BeginObject().Key("name").String(p.name).Key("line").Number(p.line).Key("reason").String(p.refused)
                .EndObject();
        json.EndArray().Key("problems").BeginArray();
        for (const Winapp2Problem& p : rules.problems)
            json.BeginObject().Key("entry").String(p.entry).Key("line").Number(p.line).Key("problem").String(p.what)
                .EndObject();
        json.EndArray().Key("problemsNotListed").Number(rules.problemsNotKept).EndObject();
        Write(out, json.Text() + "\n");
    } else {
        std::string text = "Converted " + std::to_string(converted.size()) + " entries into " + ShownFileName(folder) + "\n";
        text += "Refused " + std::to_string(refused.size()) + " entries:\n";
        for (const Winapp2Plugin& p : refused)
            text += "  line " + std::to_string(p.line) + " [" + p.name + "]: " + p.refused + "\n";
        text += "Broken lines and entries (skipped): " + std::to_string(rules.problems.size() + rules.problemsNotKept) +
                "\n";
        for (const Winapp2Problem& p : rules.problems)
            text += "  line " + std::to_string(p.line) + (p.entry.empty() ? "" : " [" + p.entry + "]") + ": " +
                    p.what + "\n";
        Write(out, text);
    }
    return writeFailed ? kExitScriptFailed : kExitOk;
}

} // namespace qs
