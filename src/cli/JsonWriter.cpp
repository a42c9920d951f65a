// The JSON writer: separators between values and the escaping of strings.
#include "cli/JsonWriter.h"

namespace qs {

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
    return *this;
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
