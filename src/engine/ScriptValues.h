// Every conversion between script values and host values, in one place.
#pragma once

#include <lua.h>

#include <cstdint>
#include <string>

namespace qs {

// A result of an entry point as the host reads it: through text (lua_tolstring; nil, booleans
// and tables give no text), the C runtime's atof, and truncation toward zero to 64 bits.
std::int64_t ScriptValueToInt64(lua_State* L, int index);

// Truncation toward zero to a 64-bit integer; NaN and values outside the 64-bit range give
// INT64_MIN, the x86 answer for them, rather than undefined behaviour.
std::int64_t TruncateToInt64(double value);

// A string argument of a host function: a Lua string or number (as its decimal text). False
// for an absent argument or any other type.
bool ArgText(lua_State* L, int index, std::string& text);

// Pushes a byte count ("%.0f" of the count as a double) and an item count ("%lu") as the two
// strings that GetFolderSize and GetRecycleBinInfo return.
void PushSizeAndCount(lua_State* L, std::uint64_t size, std::uint32_t count);

// Pushes a byte count or a 32-bit count as a Lua number.
void PushUnsigned(lua_State* L, std::uint64_t value);

// A script's text (a warning, a description) on one line: each run of line breaks becomes one
// space, as a one-line status line or table cell must show it.
std::string OneLine(const std::string& text);

} // namespace qs
