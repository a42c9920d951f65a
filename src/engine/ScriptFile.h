// Compiling a script file opened by its exact UTF-16 name, as luaL_loadfile would by an ANSI one.
#pragma once

#include <lua.h>

#include <string>

namespace qs {

// Opens `path` as given (a \\?\ path keeps trailing dots and spaces and every character of the
// listed name), compiles it as chunk `chunkName` ("@" and the shown path, for messages) and
// pushes the function; or pushes a message ("cannot open NAME", "cannot read NAME", a syntax
// error) and answers non-zero, as luaL_loadfile does. Like luaL_loadfile, a first line starting
// with '#' is skipped (its line still counted), a precompiled chunk loads as it is, and text ends
// at a Ctrl+Z byte as the C runtime's text mode ends it.
int LoadScriptFile(lua_State* L, const std::wstring& path, const std::string& chunkName);

} // namespace qs
