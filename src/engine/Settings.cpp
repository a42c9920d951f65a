// Reading and writing settings.xml with TinyXML, and the name lookup.
#include "engine/Settings.h"

#include "engine/FileReplace.h"

#include <tinyxml.h>

#include <windows.h>

#include <mbstring.h>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace qs {
namespace {

// Two's-complement arithmetic on the 32-bit fields, so that hostile values wrap instead of
// overflowing.
std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// Names are stored byte for byte as the scripts return them, while the file declares UTF-8.
// The library reads a UTF-8 document by taking a lead byte's whole sequence at once, so in a
// name from a single-byte code page (a final "é") it would swallow the "</" that follows and
// lose the rest of the file. A file that is not well-formed UTF-8 in that sense is therefore
// read byte by byte instead; every other file is read with the library's own detection.
bool ReadsAsUtf8(const std::string& bytes) {
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 1;
        if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            length = 3;
        else if (c >= 0xF0 && c <= 0xF4)
            length = 4;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= n)
                return false;
            const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
            if (t < 0x80 || t > 0xBF)
                return false;
        }
        i += length;
    }
    return true;
}

std::string ModulePath() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return std::string();
        if (n < buf.size())
            return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

} // namespace

int CompareSelectedNames(const std::string& a, const std::string& b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                    reinterpret_cast<const unsigned char*>(b.c_str()));
}

std::string SettingsPathFor(const std::string& modulePath) {
    const std::size_t slash = modulePath.find_last_of('\\');
    return (slash == std::string::npos ? std::string() : modulePath.substr(0, slash + 1)) + "settings.xml";
}

CSettings::CSettings() : CSettings(SettingsPathFor(ModulePath())) {}

CSettings::CSettings(std::string path) : m_path(std::move(path)) {
    Load();
}

CSettings::~CSettings() {
    if (m_saveOnDestroy)
        Save();
}

void CSettings::Load() {
    std::string bytes;
    if (!ReadWholeFile(m_path, bytes))
        return;
    TiXmlDocument doc;
    if (!doc.LoadFile(m_path.c_str(), ReadsAsUtf8(bytes) ? TIXML_ENCODING_UNKNOWN : TIXML_ENCODING_LEGACY))
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

    // Any element name is taken, but only when the list begins with an element.
    TiXmlNode* list = root->FirstChild("selected");
    TiXmlNode* first = list != nullptr && list->ToElement() != nullptr ? list->FirstChild() : nullptr;
    if (first == nullptr || first->ToElement() == nullptr)
        return;
    for (TiXmlElement* e = first->ToElement(); e != nullptr; e = e->NextSiblingElement()) {
        TiXmlNode* text = e->FirstChild();
        if (text != nullptr && text->ToText() != nullptr && text->Value() != nullptr && text->Value()[0] != '\0')
            Add(text->Value());
    }
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
    auto* list = new TiXmlElement("selected");
    root->LinkEndChild(list);
    for (const std::string& name : selected) {
        auto* plugin = new TiXmlElement("plugin");
        // The library escapes markup and control characters as it prints.
        plugin->LinkEndChild(new TiXmlText(name.c_str()));
        list->LinkEndChild(plugin);
    }
    TiXmlPrinter printer;
    doc.Accept(&printer);
    return std::string(printer.CStr(), printer.Size());
}

bool CSettings::Save() const {
    return ReplaceFileContents(m_path, Print());
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
