// Translating winapp2.ini entries: keys checked one by one, paths and patterns rewritten only
// where the rewrite means exactly what the entry says, else the entry is refused.
#include "engine/Winapp2Script.h"

#include "hostfn/FolderMacros.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace qs {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool Same(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::string LowerText(std::string s) {
    for (char& c : s)
        c = Lower(c);
    return s;
}

std::string UpperText(std::string s) {
    for (char& c : s)
        c = Upper(c);
    return s;
}

std::vector<std::string> Split(const std::string& s, char at) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = s.find(at, start);
        parts.push_back(s.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// The categories of the LangSecRef numbers that the format documents.
struct Category {
    const char* number;
    const char* name;
};
const Category kCategories[] = {
    {"3001", "Internet Explorer"}, {"3005", "Microsoft Edge (legacy)"}, {"3006", "Microsoft Edge"},
    {"3021", "Applications"},      {"3022", "Internet"},                {"3023", "Multimedia"},
    {"3024", "Utilities"},         {"3025", "Windows"},                 {"3026", "Firefox"},
    {"3027", "Opera"},             {"3028", "Safari"},                  {"3029", "Google Chrome"},
    {"3030", "Thunderbird"},       {"3031", "Windows Store"},           {"3033", "Vivaldi"},
    {"3034", "Brave"},             {"3035", "Opera GX"},                {"3036", "Spotify"},
    {"3037", "Avast Secure Browser"}, {"3038", "AVG Secure Browser"},   {"3039", "Arc Browser"},
    {"3040", "iTunes"},            {"3042", "WhatsApp"},                {"3043", "Norton Private Browser"},
    {"3044", "Avira Secure Browser"},
};

// The format's variables and the host's text for each: the program folders stand for both the
// 64-bit and the 32-bit folder, as they do for the file's authors on 64-bit Windows (on 32-bit
// Windows the (x86) variable is not set, so that path names nothing).
struct Variable {
    const char* name;
    const char* host[2];
};
const Variable kVariables[] = {
    {"AppData", {"%APPDATA%", nullptr}},
    {"LocalAppData", {"%LOCALAPPDATA%", nullptr}},
    {"LocalLowAppData", {"%LOCALLOW_APPDATA%", nullptr}},
    {"ProgramData", {"%PROGRAMDATA%", nullptr}},
    {"CommonAppData", {"%PROGRAMDATA%", nullptr}},
    {"ProgramFiles", {"%PROGRAMFILES%", "%PROGRAMFILES(X86)%"}},
    {"CommonProgramFiles", {"%COMMONPROGRAMFILES%", "%COMMONPROGRAMFILES(X86)%"}},
    {"UserProfile", {"%USERPROFILE%", nullptr}},
    {"Documents", {"%PERSONAL%", nullptr}},
    {"Music", {"%MYMUSIC%", nullptr}},
    {"Pictures", {"%MYPICTURES%", nullptr}},
    {"Video", {"%MYVIDEO%", nullptr}},
    {"Public", {"%PUBLIC%", nullptr}},
    {"SystemDrive", {"%SYSTEMDRIVE%", nullptr}},
    {"WinDir", {"%WINDIR%", nullptr}},
};

// Special detections of the older syntax: the folder each program keeps its profiles in.
struct Special {
    const char* name;
    const char* file;
};
const Special kSpecials[] = {
    {"DET_CHROME", "%LOCALAPPDATA%\\Google\\Chrome\\User Data"},
    {"DET_MOZILLA", "%APPDATA%\\Mozilla\\Firefox"},
    {"DET_THUNDERBIRD", "%APPDATA%\\Thunderbird"},
    {"DET_OPERA", "%APPDATA%\\Opera Software"},
};

// Entries the community names as consequential, found by what they touch.
struct Danger {
    const char* marker; // lower case, looked for in the name and the keys' values
    const char* what;
};
const Danger kDangers[] = {
    {"autorecover", "office programs' AutoRecover files, the only copy of unsaved work"},
    {"normal.dotm", "the Normal.dotm template, which holds the user's own styles and macros"},
    {"fileexts", "the list of file associations (FileExts)"},
    {"prefetch", "the Prefetch files that make programs start faster"},
    {"winevt", "event logs"},
    {".evtx", "event logs"},
    {"event log", "event logs"},
    {"eventlog", "event logs"},
};

const struct {
    const char* shortName;
    const char* longName;
} kHives[] = {
    {"HKCR", "HKEY_CLASSES_ROOT"}, {"HKCU", "HKEY_CURRENT_USER"}, {"HKLM", "HKEY_LOCAL_MACHINE"},
    {"HKU", "HKEY_USERS"},         {"HKCC", "HKEY_CURRENT_CONFIG"},
};

// Printable ASCII only: anything else would reach the file functions through the ANSI code page,
// which may turn it into another name.
bool PrintableAscii(const std::string& s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            return false;
    return true;
}

// A path of the format in the host's forms (one per program folder it names), or the reason
// it is not taken. Rooted at a variable or a drive; no empty, "." or ".." component; wildcards
// only after the root.
bool TranslatePath(const std::string& path, std::vector<std::string>& forms, std::string& why) {
    forms.assign(1, std::string());
    if (!PrintableAscii(path) || path.find_first_of(";/\"<>|") != std::string::npos) {
        why = "the path " + path + " holds a character that is not taken (outside ASCII, ; / \" < > |)";
        return false;
    }
    std::size_t i = 0;
    while (i < path.size()) {
        if (path[i] != '%') {
            for (std::string& f : forms)
                f += path[i];
            ++i;
            continue;
        }
        const std::size_t close = path.find('%', i + 1);
        const std::string name = close == std::string::npos ? std::string() : path.substr(i + 1, close - i - 1);
        bool plain = !name.empty();
        for (const char c : name)
            plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '(' || c == ')');
        if (!plain) {
            why = "the path " + path + " has a % that opens no variable";
            return false;
        }
        // An environment variable of one of the host's own folder macro names would be read as
        // the host's folder instead.
        for (const FolderMacro& macro : kFolderMacros)
            if (Same(name, macro.name)) {
                why = "the variable %" + name + "% is one of this program's own folder names";
                return false;
            }
        const Variable* known = nullptr;
        for (const Variable& v : kVariables)
            if (Same(name, v.name))
                known = &v;
        // Each program folder variable doubles the forms: one per path is all the format needs,
        // and more would let a short line grow into millions of paths.
        if (known != nullptr && known->host[1] != nullptr && forms.size() > 1) {
            why = "the path " + path + " names more than one program folder";
            return false;
        }
        std::vector<std::string> next;
        for (const std::string& f : forms) {
            if (known == nullptr) {
                next.push_back(f + "%" + UpperText(name) + "%"); // any other environment variable
                continue;
            }
            for (const char* host : known->host)
                if (host != nullptr)
                    next.push_back(f + host);
        }
        forms.swap(next);
        i = close + 1;
    }
    for (std::string& f : forms) {
        while (f.size() > 1 && f.back() == '\\')
            f.pop_back();
        const std::vector<std::string> parts = Split(f, '\\');
        const std::string& root = parts[0];
        const bool drive = root.size() == 2 && std::isalpha(static_cast<unsigned char>(root[0])) && root[1] == ':';
        const bool variable = root.size() > 2 && root.front() == '%' && root.back() == '%' &&
                              root.find('%', 1) == root.size() - 1;
        if (!drive && !variable) {
            why = "the path " + path + " does not start at a drive or a variable";
            return false;
        }
        for (const std::string& part : parts)
            if (part.empty() || part == "." || part == "..") {
                why = "the path " + path + " has an empty, . or .. part";
                return false;
            }
    }
    // The same folder named twice would be measured twice.
    if (forms.size() == 2 && forms[0] == forms[1])
        forms.pop_back();
    return true;
}

// A registry key path with its hive written out, or the reason it is not taken.
bool TranslateKey(const std::string& key, std::string& out, std::string& why) {
    const std::size_t slash = key.find('\\');
    const std::string hive = key.substr(0, slash);
    const std::string rest = slash == std::string::npos ? std::string() : key.substr(slash + 1);
    if (!PrintableAscii(key) || rest.empty() || rest.find("\\\\") != std::string::npos || rest.back() == '\\') {
        why = "the registry key " + key + " is not a key below a hive";
        return false;
    }
    for (const auto& h : kHives)
        if (Same(hive, h.shortName) || Same(hive, h.longName)) {
            out = std::string(h.longName) + "\\" + rest;
            return true;
        }
    why = "the registry key " + key + " has no known hive";
    return false;
}

bool IsVersion(const std::string& s) {
    if (s.empty())
        return true;
    const std::vector<std::string> parts = Split(s, '.');
    if (parts.size() > 3)
        return false;
    for (const std::string& p : parts) {
        if (p.empty() || p.size() > 5)
            return false;
        for (const char c : p)
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return false;
    }
    return true;
}

// Why a FileKey pattern has no exact mask on bare file names, or nullptr when it is taken as it
// stands. The patterns are matched against each file's own name, as the format means them;
// "*" and "*.*" are every file for both. A pattern ending in "." means a name without an
// extension to the file system's own matching, which no mask says: it is refused rather than
// read as a literal dot that would match nothing the entry means.
const char* PatternProblem(const std::string& pattern) {
    if (pattern.empty())
        return "an empty pattern";
    if (!PrintableAscii(pattern) || pattern.find_first_of("\\/\"<>|:") != std::string::npos)
        return "a pattern that is not a file name";
    if (pattern.back() == '.')
        return "a pattern ending in . (names without an extension, which a mask cannot say)";
    return nullptr;
}

// "*" and "*.*" stand for every file, as they do for the file system's own matching that the
// file's authors write for.
bool IsEveryFile(const std::string& pattern) { return pattern == "*" || pattern == "*.*"; }

std::string LuaString(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u > 0x7E) {
            // Always three digits, so that a digit after the escape stays a character of its own.
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\%03u", static_cast<unsigned>(u));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string LuaStringList(const std::vector<std::string>& items) {
    if (items.empty())
        return "{}";
    std::string out = "{\n";
    for (const std::string& item : items)
        out += "    " + LuaString(item) + ",\n";
    return out + "}";
}

// The text that checks the system version in the script, written only where a bound is given.
const char* const kVersionCheck = R"(
-- Whether a "major.minor.build" version lies within the bounds, each compared over as many
-- parts as it has, both ends included.
local function CompareVersion(version, bound)
    local parts = {}
    for n in string.gmatch(version, "%d+") do
        parts[#parts + 1] = tonumber(n)
    end
    local i = 0
    for n in string.gmatch(bound, "%d+") do
        i = i + 1
        local have, want = parts[i] or 0, tonumber(n)
        if have ~= want then
            return have < want and -1 or 1
        end
    end
    return 0
end

local function WithinVersion(version)
    return (windowsFrom == nil or CompareVersion(version, windowsFrom) >= 0) and
        (windowsTo == nil or CompareVersion(version, windowsTo) <= 0)
end
)";

const char* const kEntryPoints = R"(
-- The entry applies when one of the detection keys or paths exists, or when it names none.
local function Applies(self)
    if (windowsFrom ~= nil or windowsTo ~= nil) and not WithinVersion(self:GetWindowsVersion()) then
        return false
    end
    if #detectKeys == 0 and #detectFiles == 0 then
        return true
    end
    for _, key in ipairs(detectKeys) do
        if self:RegKeyExists(key) then
            return true
        end
    end
    for _, path in ipairs(detectFiles) do
        if self:PathExists(path) then
            return true
        end
    end
    return false
end

function this:GetPluginName()
    if Applies(self) then
        return name
    end
    return nil
end

function this:GetPluginWarning()
    return warning
end

-- Measuring and cleaning go through the same job tables and keys: what the list shows is what
-- Clear removes.
function this:GetSize()
    local size, count = 0, 0
    for _, job in ipairs(jobs) do
        local s, c = self:MeasureFiles(job)
        size = size + tonumber(s)
        count = count + tonumber(c)
    end
    for _, key in ipairs(registryTrees) do
        count = count + self:RegKeyMeasureTree(key)
    end
    for _, v in ipairs(registryValues) do
        count = count + self:RegKeyGetNumberOfValues(v.key, v.value)
    end
    return string.format("%.0f", size), count
end

function this:Clear()
    for _, job in ipairs(jobs) do
        self:DeleteFiles(job)
    end
    for _, key in ipairs(registryTrees) do
        self:RegKeyDeleteTree(key)
    end
    for _, v in ipairs(registryValues) do
        self:RegKeyDeleteValues(v.key, v.value)
    end
end
)";

struct RegExclude {
    std::string key; // long root name
    std::string value;
    bool hasValue = false;
};

// True when `inner` is `outer` or lies below it, without regard to letter case.
bool KeyWithin(const std::string& inner, const std::string& outer) {
    const std::string a = LowerText(inner), b = LowerText(outer);
    return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 && a[b.size()] == '\\');
}

class CTranslation {
public:
    CTranslation(const Winapp2Entry& entry, bool dangerousFile) : m_entry(entry), m_dangerousFile(dangerousFile) {}

    Winapp2Plugin Run(bool withText) {
        m_plugin.name = m_entry.name;
        m_plugin.line = m_entry.line;
        if (!m_entry.broken.empty())
            return Refuse(m_entry.broken);
        std::string langSecRef, section;
        for (const Winapp2Key& key : m_entry.keys) {
            if (!Key(key, langSecRef, section))
                return Refuse("line " + std::to_string(key.line) + ": " + m_why);
        }
        if (!section.empty())
            m_plugin.category = section;
        else if (!langSecRef.empty())
            m_plugin.category = Winapp2CategoryName(langSecRef);
        else
            m_plugin.category = "Other";
        if (m_plugin.jobs.empty() && m_plugin.registryTrees.empty() && m_plugin.registryValues.empty())
            return Refuse("the entry has no FileKey and no RegKey");
        if (!ApplyRegistryExcludes())
            return Refuse(m_why);
        std::string excludes;
        for (const std::string& mask : m_keep)
            excludes += (excludes.empty() ? "" : ";") + mask;
        m_plugin.exclude = excludes;
        MarkDanger();
        if (withText)
            m_plugin.text = ScriptText(m_entry, m_plugin);
        return m_plugin;
    }

private:
    Winapp2Plugin Refuse(const std::string& why) {
        Winapp2Plugin refused;
        refused.name = m_entry.name;
        refused.line = m_entry.line;
        refused.refused = why;
        return refused;
    }

    bool Fail(const std::string& why) {
        m_why = why;
        return false;
    }

public:
    // Reads the detection keys alone.
    bool Detection(Winapp2Detection& detection, std::string& why) {
        if (!m_entry.broken.empty()) {
            why = m_entry.broken;
            return false;
        }
        m_detectionOnly = true;
        std::string langSecRef, section;
        for (const Winapp2Key& key : m_entry.keys)
            if (!Key(key, langSecRef, section)) {
                why = "line " + std::to_string(key.line) + ": " + m_why;
                return false;
            }
        detection = m_plugin.detection;
        return true;
    }

private:

    bool Key(const Winapp2Key& key, std::string& langSecRef, std::string& section) {
        const std::string& v = key.value;
        if (m_detectionOnly && !Same(key.name, "Detect") && !Same(key.name, "DetectFile") &&
            !Same(key.name, "DetectOS") && !Same(key.name, "SpecialDetect"))
            return true;
        const auto single = [&](const char* name) { return Same(key.name, name) && key.number == 0; };
        const auto numbered = [&](const char* name) { return Same(key.name, name) && key.number != 0; };
        if (single("LangSecRef")) {
            langSecRef = v;
            return true;
        }
        if (single("Section")) {
            section = v;
            return true;
        }
        if (single("Default"))
            return true; // every entry starts unchecked whatever it says
        if (single("Warning")) {
            m_plugin.warning = v;
            return true;
        }
        if (Same(key.name, "Detect")) {
            std::string full;
            if (!TranslateKey(v, full, m_why))
                return false;
            m_plugin.detection.keys.push_back(full);
            return true;
        }
        if (Same(key.name, "DetectFile")) {
            std::vector<std::string> forms;
            if (!TranslatePath(v, forms, m_why))
                return false;
            m_plugin.detection.files.insert(m_plugin.detection.files.end(), forms.begin(), forms.end());
            return true;
        }
        if (single("DetectOS")) {
            const std::vector<std::string> bounds = Split(v, '|');
            if (bounds.size() != 2 || !IsVersion(bounds[0]) || !IsVersion(bounds[1]))
                return Fail("DetectOS is not min|max of versions: " + v);
            m_plugin.detection.osFrom = bounds[0];
            m_plugin.detection.osTo = bounds[1];
            return true;
        }
        if (single("SpecialDetect")) {
            for (const Special& s : kSpecials)
                if (Same(v, s.name)) {
                    m_plugin.detection.files.push_back(s.file);
                    return true;
                }
            return Fail("unknown SpecialDetect " + v);
        }
        if (numbered("FileKey"))
            return FileKey(v);
        if (numbered("RegKey"))
            return RegKey(v);
        if (numbered("ExcludeKey"))
            return ExcludeKey(v);
        return Fail("unknown key " + key.name + (key.number != 0 ? std::to_string(key.number) : std::string()));
    }

    bool FileKey(const std::string& v) {
        const std::vector<std::string> parts = Split(v, '|');
        if (parts.size() < 2 || parts.size() > 3)
            return Fail("FileKey is not folder|patterns[|RECURSE|REMOVESELF]: " + v);
        std::vector<std::string> folders;
        if (!TranslatePath(parts[0], folders, m_why))
            return false;
        bool recurse = false, removeSelf = false;
        if (parts.size() == 3) {
            if (Same(parts[2], "RECURSE"))
                recurse = true;
            else if (Same(parts[2], "REMOVESELF"))
                recurse = removeSelf = true;
            else
                return Fail("FileKey has an unknown flag: " + parts[2]);
        }
        // The patterns become the job's masks on bare file names: each file in the folder (with
        // RECURSE or REMOVESELF, in every folder below it) whose own name matches goes, and no
        // folder is ever taken for its name.
        bool every = false;
        std::string files;
        for (const std::string& pattern : Split(parts[1], ';')) {
            if (const char* problem = PatternProblem(pattern))
                return Fail(std::string("FileKey has ") + problem + ": " + v);
            every = every || IsEveryFile(pattern);
            files += (files.empty() ? "" : ";") + pattern;
        }
        if (every)
            files = "*";
        for (const std::string& folder : folders) {
            Winapp2Job job;
            job.folder = folder;
            job.files = files;
            job.recurse = recurse;
            job.removeSelf = removeSelf;
            m_plugin.jobs.push_back(job);
        }
        return true;
    }

    bool RegKey(const std::string& v) {
        const std::vector<std::string> parts = Split(v, '|');
        if (parts.size() > 2)
            return Fail("RegKey is not key or key|value: " + v);
        std::string key;
        if (!TranslateKey(parts[0], key, m_why))
            return false;
        if (parts.size() == 1) {
            m_plugin.registryTrees.push_back(key);
            return true;
        }
        // The host reads the value as a mask list: a name that a mask could widen is refused,
        // and so is the empty name, which the host reads as every value.
        if (parts[1].empty() || !PrintableAscii(parts[1]) || parts[1].find_first_of("*?;") != std::string::npos)
            return Fail("RegKey value name " + parts[1] + " cannot be named exactly");
        m_plugin.registryValues.push_back({key, parts[1]});
        return true;
    }

    bool ExcludeKey(const std::string& v) {
        const std::vector<std::string> parts = Split(v, '|');
        const std::string kind = parts[0];
        if (Same(kind, "REG")) {
            if (parts.size() < 2 || parts.size() > 3)
                return Fail("ExcludeKey is not REG|key[|value]: " + v);
            RegExclude r;
            if (!TranslateKey(parts[1], r.key, m_why))
                return false;
            r.hasValue = parts.size() == 3;
            if (r.hasValue)
                r.value = parts[2];
            m_regExcludes.push_back(r);
            return true;
        }
        const bool file = Same(kind, "FILE");
        if ((!file && !Same(kind, "PATH")) || parts.size() < 2 || parts.size() > 3)
            return Fail("ExcludeKey is not FILE|folder|names, PATH|folder|patterns or REG|key[|value]: " + v);
        std::vector<std::string> folders;
        if (!TranslatePath(parts[1], folders, m_why))
            return false;
        std::vector<std::string> names;
        if (parts.size() == 3) {
            names = Split(parts[2], ';');
            for (const std::string& n : names)
                if (n.empty() || !PrintableAscii(n) || n.find_first_of("\\/\"<>") != std::string::npos)
                    return Fail("ExcludeKey has a name that is not a file name: " + v);
        }
        // Kept paths are masks on full paths: the part of the folder after its variable, with
        // any path in front of it, so that the mask matches whatever the variable expands to
        // (and perhaps a little more, which keeps more). Patterns may match across levels
        // there too, which also only keeps more.
        for (const std::string& folder : folders) {
            const std::size_t firstSlash = folder.find('\\');
            const std::string tail = firstSlash == std::string::npos ? std::string() : folder.substr(firstSlash);
            const std::string base = "*" + tail;
            if (names.empty()) {
                // FILE|path keeps that one file; PATH|folder keeps everything below it.
                m_keep.push_back(file ? base : base + "\\*");
                if (!file)
                    m_keep.push_back(base);
                continue;
            }
            for (const std::string& n : names) {
                m_keep.push_back(base + "\\" + n);
                if (!file)
                    m_keep.push_back(base + "\\*\\" + n);
            }
        }
        return true;
    }

    // The registry functions have no exclusions. A kept key or value that a RegKey's whole
    // deletion would reach makes the entry inexact; a RegKey inside what is kept is dropped,
    // which is exactly what the entry says.
    bool ApplyRegistryExcludes() {
        for (const RegExclude& r : m_regExcludes) {
            std::vector<std::string> trees;
            for (const std::string& tree : m_plugin.registryTrees) {
                if (!r.hasValue && KeyWithin(tree, r.key))
                    continue; // the whole tree lies within the kept key
                if (KeyWithin(r.key, tree))
                    return Fail("ExcludeKey keeps " + r.key + " inside the tree " + tree +
                                " that a RegKey deletes whole");
                trees.push_back(tree);
            }
            m_plugin.registryTrees.swap(trees);
            std::vector<Winapp2RegValue> values;
            for (const Winapp2RegValue& value : m_plugin.registryValues) {
                const bool kept = r.hasValue ? LowerText(r.key) == LowerText(value.key) &&
                                                   LowerText(r.value) == LowerText(value.value)
                                             : KeyWithin(value.key, r.key);
                if (!kept)
                    values.push_back(value);
            }
            m_plugin.registryValues.swap(values);
        }
        if (m_plugin.jobs.empty() && m_plugin.registryTrees.empty() && m_plugin.registryValues.empty())
            return Fail("the ExcludeKeys keep everything the entry names");
        return true;
    }

    void MarkDanger() {
        std::string haystack = LowerText(m_entry.name);
        for (const Winapp2Key& key : m_entry.keys)
            haystack += "\n" + LowerText(key.value);
        std::string reason;
        for (const Danger& d : kDangers)
            if (haystack.find(d.marker) != std::string::npos) {
                reason = d.what;
                break;
            }
        if (!m_plugin.warning.empty())
            return;
        if (!reason.empty())
            m_plugin.warning = "This entry removes " + reason + ". Check it only if you mean it.";
        else if (m_dangerousFile)
            m_plugin.warning = "This entry comes from a rule file marked as consequential. Check it only if you "
                               "mean it.";
    }

public:
    static std::string ScriptText(const Winapp2Entry& entry, const Winapp2Plugin& p) {
        std::ostringstream s;
        s << "-- Converted from the winapp2.ini entry [" << p.name << " *] at line " << p.line << ":\n";
        for (const Winapp2Key& key : entry.keys)
            s << "--   " << key.name << (key.number != 0 ? std::to_string(key.number) : std::string()) << "="
              << key.value << "\n";
        s << "\nlocal name = " << LuaString(p.name) << "\n";
        s << "local warning = " << (p.warning.empty() ? std::string("nil") : LuaString(p.warning)) << "\n";
        s << "\n-- Detection: any of these keys or paths (none: always)";
        const bool os = !p.detection.osFrom.empty() || !p.detection.osTo.empty();
        if (os)
            s << ", on a system version within the bounds (nil: open)";
        s << ".\nlocal detectKeys = " << LuaStringList(p.detection.keys) << "\n";
        s << "local detectFiles = " << LuaStringList(p.detection.files) << "\n";
        const auto bound = [](const std::string& b) { return b.empty() ? std::string("nil") : LuaString(b); };
        s << "local windowsFrom, windowsTo = " << bound(p.detection.osFrom) << ", " << bound(p.detection.osTo)
          << "\n";
        s << "\n-- What every job keeps (the ExcludeKeys), as masks on full paths.\n";
        s << "local keep = " << LuaString(p.exclude) << "\n";
        s << "\n-- The FileKeys.\nlocal jobs = {";
        for (const Winapp2Job& job : p.jobs) {
            s << "\n    { folder = " << LuaString(job.folder) << ", files = " << LuaString(job.files)
              << ", recurse = " << (job.recurse ? "true" : "false")
              << ", removeSelf = " << (job.removeSelf ? "true" : "false") << ", exclude = keep },";
        }
        s << (p.jobs.empty() ? "}\n" : "\n}\n");
        s << "\n-- The RegKeys: whole keys, and single values.\n";
        s << "local registryTrees = " << LuaStringList(p.registryTrees) << "\n";
        s << "local registryValues = {";
        for (const Winapp2RegValue& v : p.registryValues)
            s << "\n    { key = " << LuaString(v.key) << ", value = " << LuaString(v.value) << " },";
        s << (p.registryValues.empty() ? "}\n" : "\n}\n");
        if (os)
            s << kVersionCheck;
        s << kEntryPoints;
        return s.str();
    }

private:

    const Winapp2Entry& m_entry;
    const bool m_dangerousFile;
    Winapp2Plugin m_plugin;
    std::vector<std::string> m_keep;
    std::vector<RegExclude> m_regExcludes;
    std::string m_why;
    bool m_detectionOnly = false;
};

std::vector<unsigned> VersionParts(const std::string& text) {
    std::vector<unsigned> parts;
    unsigned n = 0;
    bool digits = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            n = n * 10 + static_cast<unsigned>(c - '0');
            digits = true;
            if (n > 1000000)
                n = 1000000;
        } else if (digits) {
            parts.push_back(n);
            n = 0;
            digits = false;
        }
    }
    if (digits)
        parts.push_back(n);
    return parts;
}

// -1, 0 or 1: `version` against `bound` over the bound's parts.
int CompareVersion(const std::vector<unsigned>& version, const std::string& bound) {
    const std::vector<unsigned> b = VersionParts(bound);
    for (std::size_t i = 0; i < b.size(); ++i) {
        const unsigned have = i < version.size() ? version[i] : 0;
        if (have != b[i])
            return have < b[i] ? -1 : 1;
    }
    return 0;
}

} // namespace

std::string Winapp2CategoryName(const std::string& langSecRef) {
    for (const Category& c : kCategories)
        if (langSecRef == c.number)
            return c.name;
    return langSecRef;
}

bool WithinWinapp2Os(const std::string& version, const std::string& from, const std::string& to) {
    const std::vector<unsigned> v = VersionParts(version);
    return (from.empty() || CompareVersion(v, from) >= 0) && (to.empty() || CompareVersion(v, to) <= 0);
}

Winapp2Plugin TranslateWinapp2(const Winapp2Entry& entry, bool dangerousFile, bool withText) {
    return CTranslation(entry, dangerousFile).Run(withText);
}

bool Winapp2DetectionOf(const Winapp2Entry& entry, Winapp2Detection& detection, std::string& why) {
    return CTranslation(entry, false).Detection(detection, why);
}

std::string Winapp2ScriptText(const Winapp2Entry& entry, const Winapp2Plugin& plugin) {
    return plugin.refused.empty() ? CTranslation::ScriptText(entry, plugin) : std::string();
}

} // namespace qs
