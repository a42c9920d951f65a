// Reading and writing settings.xml with TinyXML, and the name lookup.
#include "engine/Settings.h"

#include "engine/FileReplace.h"
#include "engine/SettingsShape.h"
#include "hostfn/PathMacros.h"

#include <tinyxml.h>

#include <windows.h>

#include <mbstring.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>

namespace qs {
namespace {

// Two's-complement arithmetic on the 32-bit fields, so that hostile values wrap instead of
// overflowing.
std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// Reads at most `limit` + 1 bytes: enough to tell a file that is too large.
bool ReadFileUpTo(const std::string& path, std::size_t limit, std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    char buf[4096];
    std::size_t n;
    while (bytes.size() <= limit && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// The thread cap a <threads> element's text gives: 1 to 64 as written, else 0 (automatic).
unsigned ThreadCap(const char* text) {
    if (text == nullptr)
        return 0;
    unsigned value = 0;
    std::size_t digits = 0;
    for (; text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        value = value * 10 + static_cast<unsigned>(text[digits] - '0');
        if (value > 64)
            return 0;
    }
    return digits > 0 && text[digits] == '\0' ? value : 0;
}

// The texts of the elements below `list` named `name` (any name when null), when the list
// begins with an element; empty elements and those that hold no plain text are left out.
std::vector<std::string> ListTexts(TiXmlNode* root, const char* listName, const char* name) {
    std::vector<std::string> texts;
    TiXmlNode* list = root->FirstChild(listName);
    TiXmlNode* first = list != nullptr && list->ToElement() != nullptr ? list->FirstChild() : nullptr;
    if (first == nullptr || first->ToElement() == nullptr)
        return texts;
    for (TiXmlElement* e = first->ToElement(); e != nullptr; e = e->NextSiblingElement()) {
        if (name != nullptr && std::strcmp(e->Value(), name) != 0)
            continue;
        TiXmlNode* text = e->FirstChild();
        if (text != nullptr && text->ToText() != nullptr && text->Value() != nullptr && text->Value()[0] != '\0')
            texts.emplace_back(text->Value());
    }
    return texts;
}

// An element `name` holding `text` so that it reads back byte for byte. The library drops
// leading and trailing spaces of plain text and turns a run of them into one ("C:\\My  Files"
// would come back as another folder), so such text goes out as CDATA, which it reads back raw.
// Text that CDATA cannot carry ("]]>", or a CR, which reading turns into LF) goes out plain;
// neither occurs in a path or in a name the platform allows.
TiXmlElement* TextElement(const char* name, const std::string& text) {
    auto* element = new TiXmlElement(name);
    const bool spacesAtRisk = !text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                                                text.find("  ") != std::string::npos);
    auto* node = new TiXmlText(text.c_str());
    if (spacesAtRisk && text.find("]]>") == std::string::npos && text.find('\r') == std::string::npos)
        node->SetCDATA(true);
    // Plain text is escaped by the library as it prints: markup and control characters.
    element->LinkEndChild(node);
    return element;
}

} // namespace

int CompareSelectedNames(const std::string& a, const std::string& b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                    reinterpret_cast<const unsigned char*>(b.c_str()));
}

bool AddKeptPath(std::vector<std::string>& kept, const std::string& path) {
    if (path.empty())
        return false;
    for (const std::string& k : kept)
        if (CompareSelectedNames(k, path) == 0)
            return false;
    kept.push_back(path);
    return true;
}

std::string KeptPathProblem(const std::string& path) {
    if (!IsWholeScriptText(path))
        return "it is not a path the host functions take";
    std::string expanded;
    if (!ExpandPathMacros(path, expanded))
        return "it is longer than the host functions take";
    if (!IsRootedPath(expanded))
        return "it is not a full path (a drive and a folder, a network share, or a macro that names a folder)";
    return std::string();
}

std::string SettingsPathFor(const std::string& modulePath) {
    if (modulePath.empty())
        return std::string(); // no executable path that the code page holds: no settings file
    const std::size_t slash = modulePath.find_last_of('\\');
    return (slash == std::string::npos ? std::string() : modulePath.substr(0, slash + 1)) + "settings.xml";
}

std::string SettingsReadProblem(CSettingsRead result) {
    switch (result) {
    case CSettingsRead::kNotRead:
        return "it cannot be read";
    case CSettingsRead::kTooLarge:
        return "it is larger than 4 MiB";
    case CSettingsRead::kTooDeep:
        return "it is nested deeper than a settings file";
    case CSettingsRead::kMalformed:
        return "it is not a well-formed document";
    case CSettingsRead::kRead:
    case CSettingsRead::kNoFile:
        break;
    }
    return std::string();
}

std::string SetAsideName(const std::string& path, unsigned attempt) {
    return path + ".bad" + (attempt <= 1 ? std::string() : std::to_string(attempt));
}

// An executable whose path the code page cannot hold exactly has no settings file: neither read
// nor written, rather than one in a look-alike folder or in the current folder.
CSettings::CSettings() : CSettings(SettingsPathFor(ModuleFilePath())) {}

CSettings::CSettings(std::string path) : m_path(std::move(path)) { Load(); }

CSettings::~CSettings() {
    if (m_saveOnDestroy)
        Save();
}

void CSettings::Load() {
    std::string bytes;
    if (!ReadFileUpTo(m_path, kMaxSettingsBytes, bytes)) {
        m_read = GetFileAttributesA(m_path.c_str()) == INVALID_FILE_ATTRIBUTES ? CSettingsRead::kNoFile
                                                                               : CSettingsRead::kNotRead;
        return;
    }
    // The bytes are checked, then parsed from memory: the file is read once, so what is parsed
    // is what was checked.
    switch (CheckSettingsShape(bytes)) {
    case CSettingsShape::kTooLarge:
        m_read = CSettingsRead::kTooLarge;
        return;
    case CSettingsShape::kTooDeep:
        m_read = CSettingsRead::kTooDeep;
        return;
    case CSettingsShape::kParse:
        break;
    }
    const TiXmlEncoding encoding = ReadsAsUtf8(bytes) ? TIXML_ENCODING_UNKNOWN : TIXML_ENCODING_LEGACY;
    bytes = NormalisedLineEnds(bytes);
    TiXmlDocument doc;
    doc.Parse(bytes.c_str(), nullptr, encoding);
    m_read = doc.Error() ? CSettingsRead::kMalformed : CSettingsRead::kRead;
    if (doc.Error())
        return;
    // The root's name and version are not checked.
    TiXmlElement* root = doc.FirstChildElement();
    if (root == nullptr)
        return;

    TiXmlNode* general = root->FirstChild("general");
    TiXmlNode* window = general != nullptr && general->ToElement() != nullptr ? general->FirstChild("window") : nullptr;
    if (window != nullptr && window->ToElement() != nullptr) {
        // A missing attribute, or one that does not begin with an integer, counts as 0.
        TiXmlElement* e = window->ToElement();
        int value = 0;
        e->QueryIntAttribute("left", &value);
        left = value;
        value = 0;
        e->QueryIntAttribute("top", &value);
        top = value;
        value = 0;
        e->QueryIntAttribute("width", &value);
        right = WrapAdd(left, value);
        value = 0;
        e->QueryIntAttribute("height", &value);
        bottom = WrapAdd(top, value);
        value = 0;
        e->QueryIntAttribute("maximized", &value);
        maximized = value;
    }

    // <threads>N</threads>: a whole number from 1 to 64; anything else is automatic.
    TiXmlNode* threads =
        general != nullptr && general->ToElement() != nullptr ? general->FirstChild("threads") : nullptr;
    if (threads != nullptr && threads->ToElement() != nullptr)
        m_threads = ThreadCap(threads->ToElement()->GetText());

    // <keep><path>...</path></keep>: only <path> elements count.
    m_kept = ListTexts(root, "keep", "path");

    // Any element name is taken, but only when the list begins with an element.
    for (std::string& name : ListTexts(root, "selected", nullptr))
        Add(std::move(name));
}

std::string CSettings::Print() const {
    TiXmlDocument doc;
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    auto* root = new TiXmlElement("Quillsweep");
    root->SetAttribute("version", 1);
    doc.LinkEndChild(root);
    auto* general = new TiXmlElement("general");
    root->LinkEndChild(general);
    auto* window = new TiXmlElement("window");
    window->SetAttribute("left", left);
    window->SetAttribute("top", top);
    window->SetAttribute("width", Width());
    window->SetAttribute("height", Height());
    window->SetAttribute("maximized", maximized);
    general->LinkEndChild(window);
    if (m_threads != 0) {
        auto* threads = new TiXmlElement("threads");
        threads->LinkEndChild(new TiXmlText(std::to_string(m_threads).c_str()));
        general->LinkEndChild(threads);
    }
    auto* list = new TiXmlElement("selected");
    root->LinkEndChild(list);
    for (const std::string& name : selected)
        list->LinkEndChild(TextElement("plugin", name));
    // Written only when it holds something, so that a file without a keep list reads as before.
    if (!m_kept.empty()) {
        auto* keep = new TiXmlElement("keep");
        root->LinkEndChild(keep);
        for (const std::string& path : m_kept)
            keep->LinkEndChild(TextElement("path", path));
    }
    TiXmlPrinter printer;
    doc.Accept(&printer);
    return std::string(printer.CStr(), printer.Size());
}

bool CSettings::Save() {
    if (m_path.empty())
        return false;
    // A document that reading would refuse as too large is not written: the file that is there
    // stays, rather than one that the next start ignores whole.
    const std::string document = Print();
    return document.size() <= kMaxSettingsBytes && SetAsideUnusable() && ReplaceFileContents(m_path, document);
}

namespace {

// Whether the settings file is one that a copy can keep aside and a write then replace: a file
// that is there and is neither read-only nor a folder (ReplaceFileContents leaves those alone).
bool CanSetAside(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

} // namespace

std::string CSettings::SetAsidePath() const {
    if (!m_setAside.empty() || !KeepListUnknown() || !CanSetAside(m_path))
        return m_setAside;
    for (unsigned attempt = 1; attempt <= kSetAsideNames; ++attempt) {
        const std::string name = SetAsideName(m_path, attempt);
        if (GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
            return name;
    }
    return std::string();
}

bool CSettings::SetAsideUnusable() {
    if (!KeepListUnknown() || !m_setAside.empty())
        return true;
    if (GetFileAttributesA(m_path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // Gone since it was read: there is nothing left to keep.
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if (!CanSetAside(m_path))
        return false;
    // A copy rather than a rename: should the write that follows fail, the unusable file is still
    // in its place, and the next start warns of it again instead of finding no file at all.
    // CopyFile told to fail on an existing name never writes over an earlier copy, even one made
    // between the look and the copy.
    for (unsigned attempt = 1; attempt <= kSetAsideNames; ++attempt) {
        const std::string name = SetAsideName(m_path, attempt);
        if (CopyFileA(m_path.c_str(), name.c_str(), TRUE)) {
            m_setAside = name;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool CSettings::Contains(const std::string& name) const {
    if (!m_sortedValid) {
        m_sorted.resize(selected.size());
        std::iota(m_sorted.begin(), m_sorted.end(), std::size_t{0});
        std::stable_sort(m_sorted.begin(), m_sorted.end(), [this](std::size_t a, std::size_t b) {
            return CompareSelectedNames(selected[a], selected[b]) < 0;
        });
        m_sortedValid = true;
    }
    // The comparison orders names by their case-folded characters, so every name equal to
    // `name` under it sits where the binary search lands.
    auto it = std::lower_bound(m_sorted.begin(), m_sorted.end(), name, [this](std::size_t i, const std::string& n) {
        return CompareSelectedNames(selected[i], n) < 0;
    });
    return it != m_sorted.end() && CompareSelectedNames(selected[*it], name) == 0;
}

void CSettings::Add(const std::string& name) {
    selected.push_back(name);
    m_sortedValid = false;
}

void CSettings::ClearSelected() {
    std::vector<std::string>().swap(selected);
    std::vector<std::size_t>().swap(m_sorted);
    m_sortedValid = false;
}

} // namespace qs
