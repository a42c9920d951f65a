// A compact JSON document built value by value, for the companion's --json output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// Strings go out byte for byte, escaped only where JSON requires it (quote, backslash, control
// characters).
class CJsonWriter {
public:
    CJsonWriter& BeginObject();
    CJsonWriter& EndObject();
    CJsonWriter& BeginArray();
    CJsonWriter& EndArray();
    CJsonWriter& Key(const std::string& key);
    CJsonWriter& String(const std::string& value);
    CJsonWriter& Number(std::uint64_t value);
    CJsonWriter& Bool(bool value);
    CJsonWriter& Null();
    const std::string& Text() const { return m_text; }

private:
    void BeforeValue();
    std::string m_text;
    std::vector<bool> m_first; // per open object or array: nothing written in it yet
    bool m_afterKey = false;
};

} // namespace qs
