// The keep list of a call and its filter for one walk.
#include "hostfn/WalkScope.h"

#include "hostfn/EntryChange.h"
#include "hostfn/PathMacros.h"

#include <windows.h>

namespace qs {
namespace {

// The first `chars` units of both texts are the same name as the file system compares names.
bool SamePrefix(const wchar_t* a, const wchar_t* b, std::size_t chars) {
    return chars == 0 ||
           CompareStringOrdinal(a, static_cast<int>(chars), b, static_cast<int>(chars), TRUE) == CSTR_EQUAL;
}

// `path` is `base` or lies below it.
bool AtOrBelow(const wchar_t* path, std::size_t pathChars, const std::wstring& base) {
    return pathChars >= base.size() && SamePrefix(path, base.data(), base.size()) &&
           (pathChars == base.size() || path[base.size()] == L'\\');
}

// The full path as the platform resolves its text ("." and "..", "/" for "\"), without a
// trailing backslash; empty when it has none.
std::wstring Normalised(const std::wstring& path) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos)
        return std::wstring();
    std::wstring full(path.size() + MAX_PATH, L'\0');
    DWORD chars = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (chars >= full.size()) {
        full.assign(chars + 1, L'\0');
        chars = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    }
    if (chars == 0 || chars >= full.size())
        return std::wstring();
    full.resize(chars);
    while (!full.empty() && full.back() == L'\\')
        full.pop_back();
    return full;
}

} // namespace

CKeepList CKeepList::FromWritten(const std::vector<std::string>& written) {
    std::vector<std::wstring> paths;
    for (const std::string& text : written) {
        std::string expanded;
        std::wstring wide;
        if (ExpandPathMacrosFull(text, expanded) && IsRootedPath(expanded) &&
            ToWide(expanded, FileApiCodePage(), wide))
            paths.push_back(std::move(wide));
    }
    return FromWide(paths);
}

CKeepList CKeepList::FromWide(const std::vector<std::wstring>& paths) {
    CKeepList list;
    for (const std::wstring& path : paths) {
        std::wstring full = Normalised(path);
        if (!full.empty())
            list.m_paths.push_back(std::move(full));
    }
    return list;
}

bool CKeepList::Keeps(const std::wstring& path) const {
    if (m_paths.empty())
        return false;
    const std::wstring full = Normalised(path);
    for (const std::wstring& kept : m_paths) {
        if (!full.empty() && AtOrBelow(full.data(), full.size(), kept))
            return true;
    }
    return false;
}

bool CKeepList::KeepsText(const std::string& path) const {
    if (m_paths.empty())
        return false;
    std::wstring wide;
    return !ToWide(path, FileApiCodePage(), wide) || Keeps(wide);
}

CKeepFilter::CKeepFilter(const CKeepList& keep, const std::wstring& root) {
    m_rootChars = root.size() + (!root.empty() && root.back() == L'\\' ? 0 : 1);
    if (keep.Empty())
        return;
    const std::wstring full = Normalised(root);
    if (full.empty())
        return;
    for (const std::wstring& kept : keep.Paths()) {
        if (AtOrBelow(full.data(), full.size(), kept))
            m_rootKept = true;
        else if (kept.size() > full.size() + 1 && AtOrBelow(kept.data(), kept.size(), full))
            m_relative.push_back(kept.substr(full.size() + 1));
    }
}

bool CKeepFilter::Keeps(const std::wstring& path) const {
    if (m_rootKept)
        return true;
    if (m_relative.empty() || path.size() <= m_rootChars)
        return false;
    const wchar_t* relative = path.data() + m_rootChars;
    const std::size_t chars = path.size() - m_rootChars;
    for (const std::wstring& kept : m_relative) {
        if (AtOrBelow(relative, chars, kept))
            return true;
    }
    return false;
}

bool CKeepFilter::HoldsKept(const std::wstring& path) const {
    if (m_relative.empty() || path.size() <= m_rootChars)
        return false;
    const wchar_t* relative = path.data() + m_rootChars;
    const std::size_t chars = path.size() - m_rootChars;
    for (const std::wstring& kept : m_relative) {
        if (kept.size() > chars && kept[chars] == L'\\' && SamePrefix(kept.data(), relative, chars))
            return true;
    }
    return false;
}

} // namespace qs
