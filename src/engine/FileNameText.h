// How the names of script files and folders appear as text: in the ANSI code page, which is
// what scripts and their messages are written in, with each character the code page lacks
// written as <U+XXXX>. The shown form is for reading only; files are opened by their listed
// UTF-16 names, never by a shown one.
#pragma once

#include "hostfn/AnsiText.h"

#include <string>

namespace qs {

// The shown form of a name or path. A character is written as itself when the ANSI code page
// holds exactly that character; any other (CJK under a western code page, a fullwidth look-alike
// that the platform would map to an ASCII letter, an emoji, a lone surrogate) becomes <U+XXXX>
// with four to six upper-case hexadecimal digits. '<' and '>' cannot occur in a Windows file
// name, so two different names never show alike and a shown name never names another file.
std::string ShownFileName(const std::wstring& name);

// Undoes ShownFileName: the literal parts from the ANSI code page, each <U+XXXX> as its
// character (a lone surrogate as U+FFFD). Text that holds no such escape converts as ANSI.
std::wstring WideFromShownFileName(const std::string& shown);

} // namespace qs
