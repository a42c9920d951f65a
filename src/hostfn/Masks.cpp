// Splitting and matching of mask lists (the classic single-backtrack wildcard scan).
#include "hostfn/Masks.h"

#include <cctype>

namespace qs {
namespace {

inline int Up(char c) { return std::toupper(static_cast<unsigned char>(c)); }

} // namespace

MaskList SplitMaskList(const std::string& text) {
    MaskList list;
    if (text.empty())
        return list;
    size_t start = 0;
    for (;;) {
        size_t sep = text.find(';', start);
        if (sep == std::string::npos) {
            list.push_back(text.substr(start));
            return list;
        }
        list.push_back(text.substr(start, sep - start));
        start = sep + 1;
    }
}

bool MatchWildcard(const char* wild, const char* str) {
    if (wild == nullptr || str == nullptr || *str == '\0')
        return false;
    while (*str != '\0' && *wild != '*') {
        if (Up(*wild) != Up(*str) && *wild != '?')
            return false;
        ++wild;
        ++str;
    }
    const char* restart = nullptr; // pattern position after the last "*"
    const char* retry = nullptr;   // next text position to try it against
    while (*str != '\0') {
        if (*wild == '*') {
            if (*++wild == '\0')
                return true;
            restart = wild;
            retry = str + 1;
        } else if (Up(*wild) == Up(*str) || *wild == '?') {
            ++wild;
            ++str;
        } else {
            wild = restart;
            str = retry++;
        }
    }
    while (*wild == '*')
        ++wild;
    return *wild == '\0';
}

bool MatchesMaskList(const MaskList& masks, const char* text) {
    if (masks.empty())
        return true;
    for (const std::string& m : masks) {
        // A pattern with a NUL byte in it could only match a text with one, and no name or path
        // holds one; matched as C text it would stop at the NUL, and "*\0x" would match all.
        if (m.find('\0') == std::string::npos && MatchWildcard(m.c_str(), text))
            return true;
    }
    return false;
}

} // namespace qs
