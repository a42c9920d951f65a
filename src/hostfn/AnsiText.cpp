// Exact conversions between the ANSI code page and UTF-16.
#include "hostfn/AnsiText.h"

#include <windows.h>

namespace qs {

std::wstring WideFromAnsi(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

bool ExactAnsi(const wchar_t* wide, int length, std::string& out) {
    out.clear();
    if (length == 0)
        return true;
    BOOL usedDefault = FALSE;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, &usedDefault);
    if (bytes <= 0 || usedDefault)
        return false;
    out.resize(static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_ACP, 0, wide, length, &out[0], bytes, nullptr, &usedDefault);
    // Best-fit mappings ("ｔ" to "t") use no default character: only the way back tells them.
    return !usedDefault && WideFromAnsi(out) == std::wstring(wide, static_cast<std::size_t>(length));
}

bool ExactAnsiFromWide(const std::wstring& wide, std::string& ansi) {
    return ExactAnsi(wide.data(), static_cast<int>(wide.size()), ansi);
}

} // namespace qs
