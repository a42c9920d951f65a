// Conversions of script values to host values and back.
#include "engine/ScriptValues.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace qs {

std::int64_t TruncateToInt64(double value) {
    // 2^63 is exactly representable; every double below it truncates into the range.
    if (std::isnan(value) || value >= 9223372036854775808.0 || value < -9223372036854775808.0)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

std::int64_t ScriptValueToInt64(lua_State* L, int index) {
    const char* text = lua_tolstring(L, index, nullptr);
    return TruncateToInt64(text != nullptr ? std::atof(text) : 0.0);
}

bool ArgText(lua_State* L, int index, std::string& text) {
    if (lua_gettop(L) < index || !lua_isstring(L, index))
        return false;
    size_t len = 0;
    const char* s = lua_tolstring(L, index, &len);
    text.assign(s, len);
    return true;
}

void PushSizeAndCount(lua_State* L, std::uint64_t size, std::uint32_t count) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", static_cast<double>(size));
    lua_pushstring(L, buf);
    std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(count));
    lua_pushstring(L, buf);
}

void PushUnsigned(lua_State* L, std::uint64_t value) { lua_pushnumber(L, static_cast<lua_Number>(value)); }

std::string OneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != '\r' && c != '\n')
            out += c;
        else if (out.empty() || out.back() != ' ')
            out += ' ';
    }
    return out;
}

} // namespace qs
