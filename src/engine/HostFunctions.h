// The fourteen host functions as scripts see them: names, order, arguments and results.
#pragma once

#include <lua.h>

namespace qs {

constexpr int kHostFunctionCount = 14;

// In registration order; the position is what dispatch switches on.
extern const char* const kHostFunctionNames[kHostFunctionCount];

// Runs the host function at `position` on the script's arguments (stack indexes 1 to top) and
// answers the number of results pushed; an unknown position pushes nothing.
int CallHostFunction(lua_State* L, int position);

} // namespace qs
