// Splitting and matching of mask lists (the classic single-backtrack wildcard scan).
#include "hostfn/Masks.h"

#include <cctype>
#include <vector>

namespace qs {
namespace {

inline int Up(char c) { return std::toupper(static_cast<unsigned char>(c)); }
// The C library's upper-casing in the "C" locale folds the ASCII letters only.
inline wchar_t Up(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

struct AsciiFold {
    template <typename Char> auto operator()(Char c) const { return Up(c); }
};

// The platform's upper-case table for names, one entry per UTF-16 unit, filled once: the
// file system compares names through the same mapping.
struct NameFold {
    NameFold() : table(65536) {
        using UpcaseFn = WCHAR(NTAPI*)(WCHAR);
        const auto upcase = reinterpret_cast<UpcaseFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlUpcaseUnicodeChar")));
        for (std::size_t c = 0; c < table.size(); ++c)
            table[c] = upcase ? upcase(static_cast<WCHAR>(c)) : Up(static_cast<wchar_t>(c));
    }
    wchar_t operator()(wchar_t c) const { return table[static_cast<unsigned short>(c)]; }
    std::vector<wchar_t> table;
};

const NameFold& NameFolding() {
    static const NameFold fold;
    return fold;
}

// The scan over [wild, wildEnd) and [str, strEnd), for narrow and wide text alike; `fold` folds
// letters before they are compared.
template <typename Char, typename Fold = AsciiFold>
bool Match(const Char* wild, const Char* wildEnd, const Char* str, const Char* strEnd, const Fold& fold = Fold()) {
    if (str == strEnd)
        return false;
    while (str != strEnd && (wild == wildEnd || *wild != Char('*'))) {
        if (wild == wildEnd || (fold(*wild) != fold(*str) && *wild != Char('?')))
            return false;
        ++wild;
        ++str;
    }
    const Char* restart = nullptr; // pattern position after the last "*"
    const Char* retry = nullptr;   // next text position to try it against
    while (str != strEnd) {
        if (wild != wildEnd && *wild == Char('*')) {
            if (++wild == wildEnd)
                return true;
            restart = wild;
            retry = str + 1;
        } else if (wild != wildEnd && (fold(*wild) == fold(*str) || *wild == Char('?'))) {
            ++wild;
            ++str;
        } else if (restart) {
            wild = restart;
            str = retry++;
        } else {
            return false;
        }
    }
    while (wild != wildEnd && *wild == Char('*'))
        ++wild;
    return wild == wildEnd;
}

template <typename Text> std::vector<Text> Split(const Text& text, typename Text::value_type separator) {
    std::vector<Text> list;
    if (text.empty())
        return list;
    for (std::size_t start = 0;;) {
        const std::size_t sep = text.find(separator, start);
        if (sep == Text::npos) {
            list.push_back(text.substr(start));
            return list;
        }
        list.push_back(text.substr(start, sep - start));
        start = sep + 1;
    }
}

} // namespace

MaskList SplitMaskList(const std::string& text) { return Split(text, ';'); }

bool MatchWildcard(const char* wild, const char* str) {
    if (wild == nullptr || str == nullptr)
        return false;
    return Match(wild, wild + std::char_traits<char>::length(wild), str, str + std::char_traits<char>::length(str));
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

WideMaskList SplitWideMaskList(const std::string& text, UINT codePage) {
    WideMaskList list;
    for (const std::string& piece : SplitMaskList(text)) {
        std::wstring wide;
        if (!piece.empty() && piece.find('\0') == std::string::npos) {
            const int chars = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, piece.data(),
                                                  static_cast<int>(piece.size()), nullptr, 0);
            wide.resize(chars > 0 ? static_cast<std::size_t>(chars) : 0);
            if (chars <= 0 || MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, piece.data(),
                                                  static_cast<int>(piece.size()), &wide[0], chars) != chars)
                wide.assign(1, L'\0');
        } else if (!piece.empty()) {
            wide.assign(1, L'\0');
        }
        list.push_back(std::move(wide));
    }
    return list;
}

bool MatchWildcard(const std::wstring& pattern, const wchar_t* text, std::size_t chars) {
    return Match(pattern.data(), pattern.data() + pattern.size(), text, text + chars);
}

bool MatchWildcardFolded(const std::wstring& pattern, const wchar_t* text, std::size_t chars) {
    return pattern.find(L'\0') == std::wstring::npos &&
           Match(pattern.data(), pattern.data() + pattern.size(), text, text + chars, NameFolding());
}

std::wstring FoldedName(const wchar_t* text, std::size_t chars) {
    std::wstring folded(text, chars);
    const NameFold& fold = NameFolding();
    for (wchar_t& c : folded)
        c = fold(c);
    return folded;
}

bool MatchesMaskList(const WideMaskList& masks, const wchar_t* text, std::size_t chars) {
    if (masks.empty())
        return true;
    for (const std::wstring& m : masks) {
        if (m.find(L'\0') == std::wstring::npos && MatchWildcard(m, text, chars))
            return true;
    }
    return false;
}

bool IsNameMaskList(const std::string& text) {
    if (text.empty())
        return false;
    for (const std::string& piece : SplitMaskList(text)) {
        if (piece.empty() || piece.find_first_of("\\/") != std::string::npos)
            return false;
    }
    return true;
}

bool MatchesFileName(const WideMaskList& masks, const wchar_t* name, std::size_t chars) {
    for (const std::wstring& m : masks) {
        if (m == L"*.*" || MatchWildcardFolded(m, name, chars))
            return true;
    }
    return false;
}

} // namespace qs
