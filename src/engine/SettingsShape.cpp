// The pre-parse checks of settings documents: a scan of the markup's nesting without recursion.
#include "engine/SettingsShape.h"

#include <algorithm>
#include <cstring>

namespace qs {
namespace {

bool StartsWith(const std::string& s, std::size_t at, const char* prefix, bool ignoreCase = false) {
    const std::size_t n = std::strlen(prefix);
    if (s.size() - at < n)
        return false;
    for (std::size_t k = 0; k < n; ++k) {
        char a = s[at + k], b = prefix[k];
        if (ignoreCase) {
            a = (a >= 'A' && a <= 'Z') ? static_cast<char>(a - 'A' + 'a') : a;
            b = (b >= 'A' && b <= 'Z') ? static_cast<char>(b - 'A' + 'a') : b;
        }
        if (a != b)
            return false;
    }
    return true;
}

// What the library takes for the first letter of an element name: an ASCII letter, an
// underscore, or any byte from 127 up.
bool StartsElementName(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 127;
}

// Where the library goes on after the '&' at `at` in text or in a quoted value, or npos where it
// gives up on the document. A numeric reference runs to the first ';' after it, and is taken
// when the characters before that ';' back to the nearest '#' (or 'x') are digits: so it may
// swallow markup that lies between. Other references are plain letters the scan can step over.
std::size_t AfterReference(const std::string& s, std::size_t at) {
    if (at + 2 >= s.size() || s[at + 1] != '#')
        return at + 1;
    const bool hex = s[at + 2] == 'x';
    if (hex && at + 3 >= s.size())
        return std::string::npos;
    const std::size_t semicolon = s.find(';', at + (hex ? 3 : 2));
    if (semicolon == std::string::npos)
        return std::string::npos;
    for (std::size_t q = semicolon - 1; s[q] != (hex ? 'x' : '#'); --q) {
        const char c = s[q];
        const bool digit = (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!digit)
            return std::string::npos;
    }
    return semicolon + 1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Whether the declaration's text [from, to) has every quoted value closed and free of white
// space, "=" and references. The library reads a declaration as tokens between white space and takes a
// quoted value only after version=, encoding= or standalone=; with values like these its tokens
// and values line up with the quotes as paired from the left, so it ends at the same ">".
bool PlainDeclaration(const std::string& s, std::size_t from, std::size_t to) {
    char quote = 0;
    for (std::size_t k = from; k < to; ++k) {
        const char c = s[k];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            else if (IsSpace(c) || c == '=' || c == '&')
                return false;
        } else if (c == '"' || c == '\'') {
            quote = c;
        }
    }
    return quote == 0;
}

} // namespace

bool ReadsAsUtf8(const std::string& bytes) {
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 1;
        if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            length = 3;
        else if (c >= 0xF0 && c <= 0xF4)
            length = 4;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= n)
                return false;
            const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
            if (t < 0x80 || t > 0xBF)
                return false;
        }
        i += length;
    }
    return true;
}

std::optional<std::size_t> ParsedElementDepth(const std::string& whole) {
    // The library parses a C string: nothing after the first NUL counts.
    const std::string s = whole.substr(0, std::min(whole.size(), std::strlen(whole.c_str())));
    const std::size_t n = s.size();
    const auto after = [&](std::size_t from, const char* what) {
        const std::size_t at = s.find(what, from);
        return at == std::string::npos ? n : at + std::strlen(what);
    };
    std::size_t depth = 0, deepest = 0;
    std::size_t i = 0;
    // Once a construct runs to the end of the text, the library stops there with an error: no
    // deeper nesting follows. Wherever it would stop earlier with an error, carrying on here
    // can only count more than it reaches, never less.
    while (i < n) {
        if (s[i] != '<') {
            // Text. Multi-byte characters never pass a '<' in the encoding ReadsAsUtf8 chooses;
            // a numeric reference may.
            i = s[i] == '&' ? AfterReference(s, i) : i + 1;
            if (i == std::string::npos)
                break;
            continue;
        }
        if (StartsWith(s, i, "<?xml", true)) {
            const std::size_t close = s.find('>', i);
            if (close == std::string::npos)
                break;
            if (!PlainDeclaration(s, i, close))
                return std::nullopt;
            i = close + 1;
        } else if (StartsWith(s, i, "<!--")) {
            i = after(i + 4, "-->");
        } else if (StartsWith(s, i, "<![CDATA[")) {
            i = after(i + 9, "]]>");
        } else if (depth > 0 && StartsWith(s, i, "</")) {
            i = after(i + 2, ">");
            if (i == n)
                break;
            --depth;
        } else if (i + 1 < n && StartsElementName(static_cast<unsigned char>(s[i + 1]))) {
            // The library parses this element one call deeper, whatever follows: a tag that is
            // empty, broken or cut short counts as a level too.
            deepest = std::max(deepest, depth + 1);
            // An element's tag ends at the first '>' outside quotes. Quoted values are paired
            // from the left: the library takes a quote only after "name=", and gives up on any
            // other, so wherever it goes on, its values are exactly these.
            // A quoted value is read as text is, references and all.
            std::size_t k = i + 1;
            char quote = 0;
            while (k < n) {
                const char c = s[k];
                if (quote != 0) {
                    if (c == quote)
                        quote = 0;
                    else if (c == '&') {
                        k = std::min(AfterReference(s, k), n);
                        continue;
                    }
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
                ++k;
            }
            if (k >= n)
                break;
            if (s[k - 1] != '/')
                ++depth;
            i = k + 1;
        } else {
            // "<!" declarations, "<?" instructions, an end tag outside any element, and any
            // other '<': the library skips them to the first '>'.
            i = after(i + 1, ">");
        }
    }
    return deepest;
}

std::string NormalisedLineEnds(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r')
            out += bytes[i];
        else if (i + 1 >= bytes.size() || bytes[i + 1] != '\n')
            out += '\n';
    }
    return out;
}

CSettingsShape CheckSettingsShape(const std::string& bytes) {
    if (bytes.size() > kMaxSettingsBytes)
        return CSettingsShape::kTooLarge;
    const std::optional<std::size_t> depth = ParsedElementDepth(bytes);
    if (!depth || *depth > kMaxSettingsDepth)
        return CSettingsShape::kTooDeep;
    return CSettingsShape::kParse;
}

} // namespace qs
