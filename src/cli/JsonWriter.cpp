// The JSON writer: separators between values and the escaping of strings.
#include "cli/JsonWriter.h"

#include "engine/FileNameText.h"

namespace qs {
namespace {

// UTF-16 as UTF-8; a lone surrogate, which UTF-8 cannot hold, becomes U+FFFD.
std::string Utf8FromWide(const std::wstring& wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        unsigned long cp = wide[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

} // namespace

void CJsonWriter::BeforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back())
            m_text += ',';
        m_first.back() = false;
    }
}

CJsonWriter& CJsonWriter::BeginObject() {
    BeforeValue();
    m_text += '{';
    m_first.push_back(true);
    return *this;
}

CJsonWriter& CJsonWriter::EndObject() {
    m_text += '}';
    m_first.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::BeginArray() {
    BeforeValue();
    m_text += '[';
    m_first.push_back(true);
    return *this;
}

CJsonWriter& CJsonWriter::EndArray() {
    m_text += ']';
    m_first.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::Key(const std::string& key) {
    String(key);
    m_text += ':';
    m_afterKey = true;
    return *this;
}

CJsonWriter& CJsonWriter::String(const std::string& value) {
    Utf8String(Utf8FromWide(WideFromAnsi(value)));
    return *this;
}

CJsonWriter& CJsonWriter::FileName(const std::string& shown) {
    Utf8String(Utf8FromWide(WideFromShownFileName(shown)));
    return *this;
}

CJsonWriter& CJsonWriter::WideText(const std::wstring& value) {
    Utf8String(Utf8FromWide(value));
    return *this;
}

void CJsonWriter::Utf8String(const std::string& value) {
    BeforeValue();
    m_text += '"';
    for (const char ch : value) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            m_text += "\\\"";
            break;
        case '\\':
            m_text += "\\\\";
            break;
        case '\b':
            m_text += "\\b";
            break;
        case '\f':
            m_text += "\\f";
            break;
        case '\n':
            m_text += "\\n";
            break;
        case '\r':
            m_text += "\\r";
            break;
        case '\t':
            m_text += "\\t";
            break;
        default:
            if (c < 0x20) {
                static const char hex[] = "0123456789abcdef";
                m_text += "\\u00";
                m_text += hex[c >> 4];
                m_text += hex[c & 15];
            } else {
                m_text += ch;
            }
        }
    }
    m_text += '"';
}

CJsonWriter& CJsonWriter::Number(std::uint64_t value) {
    BeforeValue();
    m_text += std::to_string(value);
    return *this;
}

CJsonWriter& CJsonWriter::Bool(bool value) {
    BeforeValue();
    m_text += value ? "true" : "false";
    return *this;
}

CJsonWriter& CJsonWriter::Null() {
    BeforeValue();
    m_text += "null";
    return *this;
}

} // namespace qs
