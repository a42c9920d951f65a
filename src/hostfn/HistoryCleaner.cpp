// History index cleaner: maps index files under their shared names and erases their records.
#include "hostfn/HistoryCleaner.h"

#include "hostfn/EntryChange.h"
#include "hostfn/FolderWalk.h"
#include "hostfn/IndexFile.h"
#include "hostfn/PathLimits.h"

#include <windows.h>

#include <algorithm>

namespace qs {
namespace {

// "MSHist" is plain ASCII, so ASCII case folding finds what the platform's name matching finds;
// a look-alike such as a fullwidth letter is another name.
wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool StartsWithIgnoringCase(const wchar_t* text, std::size_t chars, const wchar_t* prefix) {
    for (std::size_t i = 0; prefix[i] != L'\0'; ++i) {
        if (i == chars || AsciiUpper(text[i]) != AsciiUpper(prefix[i]))
            return false;
    }
    return true;
}

} // namespace

std::wstring IndexMappingName(const std::wstring& indexPath, std::uint32_t fileSize) {
    std::wstring name = indexPath + L"\\" + std::to_wstring(fileSize);
    std::replace(name.begin(), name.end(), L'\\', L'_');
    return name;
}

std::wstring IndexMutexName(const std::wstring& indexPath) {
    std::wstring name = indexPath;
    if (!name.empty())
        CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
    std::replace(name.begin(), name.end(), L'\\', L'!');
    return name + L"!";
}
CHistoryCleaner::~CHistoryCleaner() {
    CloseIndexFile();
}

bool CHistoryCleaner::VisitRecord(std::uint8_t*, std::uint8_t*) {
    return true;
}

bool CHistoryCleaner::ClearRecord(std::uint8_t* entry, std::uint8_t* record) {
    indexfile::EraseRecord(m_view, m_viewSize, entry, record);
    return true;
}

bool CClearWizard::VisitRecord(std::uint8_t* entry, std::uint8_t* record) {
    ClearRecord(entry, record);
    return true;
}

void CHistoryCleaner::CloseIndexFile() {
    m_mapping.Reset();
    m_mutex.Reset();
    m_fileSize = 0;
    m_view = nullptr;
    m_viewSize = 0;
}

bool CHistoryCleaner::OpenIndexFile(const std::string& path) {
    CloseIndexFile();
    std::wstring wide;
    if (path.empty() || path.size() > kMaxPathChars || path.find('\0') != std::string::npos ||
        !ToWide(path, FileApiCodePage(), wide))
        return false;
    return OpenIndexFile(Handle(CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr)),
                         wide);
}

bool CHistoryCleaner::OpenIndexFile(Handle file, const std::wstring& path) {
    CloseIndexFile();
    // Windows refuses to open a read-only file for writing; Wine grants it to root. A read-only
    // index is left alone everywhere.
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    // The size is a 32-bit number in the mapping's name and in the file's header: a file of
    // 4 GiB or more is no index file.
    const DWORD size = info.nFileSizeLow;
    if (size == 0 || info.nFileSizeHigh != 0)
        return false;
    const std::wstring mappingName = IndexMappingName(path, size);
    m_mapping.Reset(OpenFileMappingW(FILE_MAP_WRITE, FALSE, mappingName.c_str()));
    if (!m_mapping)
        m_mapping.Reset(CreateFileMappingW(file.Get(), nullptr, PAGE_READWRITE, 0, 0, mappingName.c_str()));
    file.Reset(); // the mapping keeps the file open
    if (!m_mapping)
        return false;
    m_mutex.Reset(CreateMutexW(nullptr, FALSE, IndexMutexName(path).c_str()));
    if (!m_mutex) {
        m_mapping.Reset();
        return false;
    }
    m_fileSize = size;
    return true;
}

template <typename Walk> bool CHistoryCleaner::RunWalk(Walk walk) {
    if (!m_mapping || !m_mutex)
        return false;
    MappedView view(MapViewOfFile(m_mapping.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view)
        return false;
    // A mapping opened by name belongs to whoever created it and may be shorter than the file:
    // the walks never go past the view.
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(view.Get(), &region, sizeof region) != sizeof region)
        return false;
    const DWORD wait = WaitForSingleObject(m_mutex.Get(), INFINITE);
    // An abandoned mutex is owned all the same; its last owner ended without releasing it.
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED)
        return false;
    m_view = static_cast<std::uint8_t*>(view.Get());
    m_viewSize = std::min<std::size_t>(m_fileSize, region.RegionSize);
    const bool ok = walk(m_view, m_viewSize,
                         [this](std::uint8_t* entry, std::uint8_t* record) { return VisitRecord(entry, record); });
    m_view = nullptr;
    m_viewSize = 0;
    ReleaseMutex(m_mutex.Get());
    return ok;
}

bool CHistoryCleaner::ClearHashedRecords() {
    return RunWalk(indexfile::WalkHashedRecords);
}

bool CHistoryCleaner::ClearLeakRecords() {
    return RunWalk(indexfile::WalkLeakRecords);
}

namespace {

// The walk over the index folder's own entries: each MSHist folder's index file is cleared,
// opened relative to that folder by its listed name. Nothing below them is entered.
class CIndexFolderWalk {
public:
    using State = int;

    CIndexFolderWalk(CHistoryCleaner& cleaner, const CKeepFilter& keep) : m_cleaner(cleaner), m_keep(keep) {}

    bool Visit(const FolderEntry& e, const std::wstring& path, CFolderLister& folder, const State&, State&) {
        if (failed || !StartsWithIgnoringCase(e.name, e.chars, L"MSHist"))
            return false;
        found = true;
        // Links are not followed: the index behind one belongs to another folder.
        if (!IsWalkableFolder(e.attributes))
            return false;
        static const wchar_t kIndex[] = L"index.dat";
        if (!m_keep.Empty() && m_keep.Keeps(path + L"\\" + kIndex))
            return false;
        CFolderLister sub(folder, kDeepBatchBytes);
        if (!m_cleaner.OpenIndexFile(sub.OpenEntry(kIndex, 9, GENERIC_READ | GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, kOpenFileOptions),
                                     path + L"\\" + kIndex))
            return false;
        if (!m_cleaner.ClearHashedRecords())
            failed = true;
        else
            m_cleaner.ClearLeakRecords(); // the daily and weekly indexes are always scanned for leaks
        m_cleaner.CloseIndexFile();
        return false;
    }
    void Leave(CFolderLister&, const State&) {}

    bool found = false;
    bool failed = false;

private:
    CHistoryCleaner& m_cleaner;
    const CKeepFilter& m_keep;
};

} // namespace

bool CHistoryCleaner::CleanIndexFolder(const std::string& folder, bool leakScan, const CKeepList& keep) {
    if (folder.empty())
        return false; // with a backslash added it would name the root of the current drive
    std::string base = folder;
    EnsureTrailingBackslash(base);
    if (!keep.KeepsText(base + "index.dat")) {
        if (!OpenIndexFile(base + "index.dat"))
            return false; // the MSHist subfolders are not visited either
        if (!ClearHashedRecords()) {
            CloseIndexFile();
            return false;
        }
        if (leakScan)
            ClearLeakRecords();
        CloseIndexFile();
    }

    // The folder's path is converted to UTF-16 once; the subfolders' names are the listed ones.
    std::wstring root;
    if (!ToWide(base, FileApiCodePage(), root))
        return false;
    const CKeepFilter filter(keep, root);
    CIndexFolderWalk walk(*this, filter);
    const bool completed = WalkFolderTree(root, 0, walk);
    return completed && walk.found && !walk.failed;
}

bool CleanIndexFolder(const std::string& folder, bool leakScan) { return CleanIndexFolder(CWalkScope(), folder, leakScan); }

bool CleanIndexFolder(const CWalkScope& scope, const std::string& folder, bool leakScan) {
    CClearWizard wizard;
    return wizard.CleanIndexFolder(folder, leakScan, scope.keep);
}

} // namespace qs
