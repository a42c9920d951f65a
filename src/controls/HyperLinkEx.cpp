// Browser link colours and activation of the program's web link.
#include "controls/HyperLinkEx.h"

#include <cstring>
#include <string>

namespace qs {
namespace {

const char kBrowserSettingsKey[] = "Software\\Microsoft\\Internet Explorer\\Settings";

// The values are read into a buffer of this size; a longer value is left alone.
constexpr DWORD kColorBufferSize = 12;

// Reads one decimal number with optional leading white space and sign, keeping it modulo 256.
bool ReadNumber(const char*& at, unsigned& value) {
    while (*at == ' ' || *at == '\t' || *at == '\r' || *at == '\n' || *at == '\v' || *at == '\f')
        ++at;
    bool negative = false;
    if (*at == '+' || *at == '-')
        negative = *at++ == '-';
    if (*at < '0' || *at > '9')
        return false;
    unsigned v = 0;
    for (; *at >= '0' && *at <= '9'; ++at)
        v = (v * 10 + static_cast<unsigned>(*at - '0')) % 256;
    value = negative ? (256 - v) % 256 : v;
    return true;
}

bool ReadBrowserColor(HKEY key, const char* name, COLORREF& color) {
    char buffer[kColorBufferSize + 1] = {};
    DWORD type = 0, size = kColorBufferSize;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return false; // missing, or too long for the buffer
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    buffer[size < kColorBufferSize ? size : kColorBufferSize] = '\0';
    return ParseAnchorColor(buffer, color);
}

} // namespace

bool ParseAnchorColor(const char* text, COLORREF& color) {
    if (text == nullptr)
        return false;
    unsigned rgb[3] = {};
    const char* at = text;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && *at++ != ',')
            return false;
        if (!ReadNumber(at, rgb[i]))
            return false;
    }
    color = RGB(rgb[0], rgb[1], rgb[2]);
    return true;
}

void CHyperLinkEx::OnSubclassed() {
    CHyperLinkImpl::OnSubclassed();
    RegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kBrowserSettingsKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return;
    COLORREF color = 0;
    if (ReadBrowserColor(key.Get(), "Anchor Color", color))
        SetLinkColor(color);
    if (ReadBrowserColor(key.Get(), "Anchor Color Visited", color))
        SetVisitedColor(color);
}

bool CHyperLinkEx::Navigate() {
    if (m_opener != nullptr)
        m_opener(GetHyperLink().c_str(), SW_SHOWNORMAL);
    // Shown as visited whatever the opener answered: nobody looks at its result.
    SetVisited(true);
    ::UpdateWindow(m_hWnd);
    return true;
}

} // namespace qs
