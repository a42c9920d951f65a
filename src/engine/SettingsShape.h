// The checks a settings document passes before the XML library parses it: size, encoding and
// element nesting. Portable code, so that it can be fuzzed natively beside the library.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace qs {

// A settings file holds a window's placement and a list of names: far below this. A larger file
// is not read at all, so that a huge one cannot exhaust the memory.
constexpr std::size_t kMaxSettingsBytes = 4u * 1024u * 1024u;

// The document nests three elements deep (root, list, name). The XML library parses nested
// elements by recursion, so a file nested thousands deep would overflow the stack: a file
// nested deeper than this is not parsed.
constexpr std::size_t kMaxSettingsDepth = 8;

// Whether `bytes` is well-formed UTF-8 as the XML library reads UTF-8: each lead byte that its
// table gives a multi-byte length is followed by that many continuation bytes. The library
// takes such a sequence whole, so in a file that fails this a lead byte could swallow the
// markup after it; such a file is read byte by byte instead.
bool ReadsAsUtf8(const std::string& bytes);

// The deepest element nesting that the XML library reaches while it parses `bytes` (every
// element it begins counts as a level, empty or broken ones too), up to the first NUL, where it
// stops, and in the encoding ReadsAsUtf8 chooses. The scan follows the library's own reading of
// markup: comments to "-->", CDATA to "]]>", other "<!" and "<?" constructs to the first ">",
// element tags to the first ">" outside quoted values, end tags to their ">", numeric
// references in text and values to the ';' the library runs them to. Where the library might
// read a declaration's quoted values past its first ">" (a value holding white space, "=", a
// reference or ">"), the answer is empty: the nesting is unknown.
std::optional<std::size_t> ParsedElementDepth(const std::string& bytes);

// Line ends as the library's own file loading leaves them: CR LF and a lone CR become LF. The
// settings are parsed from the bytes that were checked, so this stands in for that loading.
std::string NormalisedLineEnds(const std::string& bytes);

// Why a settings file's content is not parsed, if it is not.
enum class CSettingsShape {
    kParse,    // small and shallow enough
    kTooLarge, // more than kMaxSettingsBytes
    kTooDeep,  // nested deeper than kMaxSettingsDepth, or nesting unknown
};
CSettingsShape CheckSettingsShape(const std::string& bytes);

} // namespace qs
