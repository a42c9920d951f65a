// The shown form of script file and folder names and its inverse.
#include "engine/FileNameText.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace qs {
namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendCodePoint(std::wstring& out, unsigned long cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) {
        out += static_cast<wchar_t>(0xFFFD);
    } else if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

} // namespace

std::string ShownFileName(const std::wstring& name) {
    std::string out;
    if (ExactAnsi(name.data(), static_cast<int>(name.size()), out))
        return out;
    // Character by character: the ones the code page holds as they are, the others escaped.
    out.clear();
    std::string piece;
    for (std::size_t i = 0; i < name.size();) {
        std::size_t length = 1;
        unsigned long cp = name[i];
        if (IsHighSurrogate(name[i]) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
            length = 2;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (name[i + 1] - 0xDC00);
        }
        if (length == 1 && !IsHighSurrogate(name[i]) && !IsLowSurrogate(name[i]) && name[i] != L'<' &&
            ExactAnsi(name.data() + i, 1, piece)) {
            out += piece;
        } else {
            char escape[16];
            std::snprintf(escape, sizeof escape, "<U+%04lX>", cp);
            out += escape;
        }
        i += length;
    }
    return out;
}

std::wstring WideFromShownFileName(const std::string& shown) {
    std::wstring out;
    std::size_t literal = 0; // start of the literal text not yet converted
    for (std::size_t at = shown.find("<U+"); at != std::string::npos; at = shown.find("<U+", at + 1)) {
        std::size_t end = at + 3;
        while (end < shown.size() && end - at - 3 < 6 && IsHexDigit(shown[end]))
            ++end;
        const std::size_t digits = end - at - 3;
        if (digits < 4 || end >= shown.size() || shown[end] != '>')
            continue;
        const unsigned long cp = std::strtoul(shown.substr(at + 3, digits).c_str(), nullptr, 16);
        if (cp > 0x10FFFF)
            continue;
        out += WideFromAnsi(shown.substr(literal, at - literal));
        AppendCodePoint(out, cp);
        literal = end + 1;
        at = end;
    }
    out += WideFromAnsi(shown.substr(literal));
    return out;
}

} // namespace qs
