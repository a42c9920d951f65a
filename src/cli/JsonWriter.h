// A compact JSON document built value by value, for the companion's --json output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// The document is UTF-8 whatever the text in it: script text (names, messages) is taken in the
// ANSI code page and file names in their shown form (engine/FileNameText.h), and both are
// converted here. Beyond that, strings are escaped only where JSON requires it (quote,
// backslash, control characters).
class CJsonWriter {
public:
    CJsonWriter& BeginObject();
    CJsonWriter& EndObject();
    CJsonWriter& BeginArray();
    CJsonWriter& EndArray();
    CJsonWriter& Key(const std::string& key);
    // Text in the ANSI code page.
    CJsonWriter& String(const std::string& value);
    // A file or folder name in its shown form, written with the characters it stands for.
    CJsonWriter& FileName(const std::string& shown);
    // UTF-16 text (a path as a walk listed it), with its real characters.
    CJsonWriter& WideText(const std::wstring& value);
    CJsonWriter& Number(std::uint64_t value);
    CJsonWriter& Bool(bool value);
    CJsonWriter& Null();
    const std::string& Text() const { return m_text; }

private:
    void BeforeValue();
    void Utf8String(const std::string& utf8);
    std::string m_text;
    std::vector<bool> m_first; // per open object or array: nothing written in it yet
    bool m_afterKey = false;
};

} // namespace qs
