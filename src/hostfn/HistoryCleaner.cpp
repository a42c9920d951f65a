// History index cleaner: maps index files under their shared names and erases their records.
#include "hostfn/HistoryCleaner.h"

#include "hostfn/FolderWalk.h"
#include "hostfn/IndexFile.h"
#include "hostfn/PathLimits.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace qs {
namespace {

// "MSHist" is plain ASCII, so ASCII case folding finds what the platform's name matching finds.
bool StartsWithIgnoringCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (std::toupper(static_cast<unsigned char>(*text)) != std::toupper(static_cast<unsigned char>(*prefix)))
            return false;
    }
    return true;
}

} // namespace

std::string IndexMappingName(const std::string& indexPath, std::uint32_t fileSize) {
    std::string name = indexPath + "\\" + std::to_string(fileSize);
    std::replace(name.begin(), name.end(), '\\', '_');
    return name;
}

std::string IndexMutexName(const std::string& indexPath) {
    std::string name = indexPath;
    if (!name.empty())
        CharLowerBuffA(&name[0], static_cast<DWORD>(name.size()));
    std::replace(name.begin(), name.end(), '\\', '!');
    return name + "!";
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
    if (path.empty() || path.size() > kMaxPathChars || path.find('\0') != std::string::npos)
        return false;
    // Windows refuses to open a read-only file for writing; Wine grants it to root. A read-only
    // index is left alone everywhere.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    Handle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD high = 0;
    const DWORD size = GetFileSize(file.Get(), &high);
    // The size is a 32-bit number in the mapping's name and in the file's header: a file of
    // 4 GiB or more is no index file.
    if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || size == 0 || high != 0)
        return false;
    const std::string mappingName = IndexMappingName(path, size);
    m_mapping.Reset(OpenFileMappingA(FILE_MAP_WRITE, FALSE, mappingName.c_str()));
    if (!m_mapping)
        m_mapping.Reset(CreateFileMappingA(file.Get(), nullptr, PAGE_READWRITE, 0, 0, mappingName.c_str()));
    file.Reset(); // the mapping keeps the file open
    if (!m_mapping)
        return false;
    m_mutex.Reset(CreateMutexA(nullptr, FALSE, IndexMutexName(path).c_str()));
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

bool CHistoryCleaner::CleanIndexFolder(const std::string& folder, bool leakScan) {
    if (folder.empty())
        return false; // with a backslash added it would name the root of the current drive
    std::string base = folder;
    EnsureTrailingBackslash(base);
    if (!OpenIndexFile(base + "index.dat"))
        return false; // the MSHist subfolders are not visited either
    if (!ClearHashedRecords()) {
        CloseIndexFile();
        return false;
    }
    if (leakScan)
        ClearLeakRecords();
    CloseIndexFile();

    bool found = false;
    bool failed = false;
    const bool completed = ForEachFolderEntry(base, [&](const WIN32_FIND_DATAA& entry, const std::string& path) {
        if (failed || !StartsWithIgnoringCase(entry.cFileName, "MSHist"))
            return;
        found = true;
        // Links are not followed: the index behind one belongs to another folder.
        if (!IsWalkableFolder(entry.dwFileAttributes) || entry.cFileName[0] == '.')
            return;
        if (!OpenIndexFile(path + "\\index.dat"))
            return;
        if (!ClearHashedRecords()) {
            failed = true;
        } else {
            ClearLeakRecords(); // the daily and weekly indexes are always scanned for leaks
        }
        CloseIndexFile();
    });
    return completed && found && !failed;
}

bool CleanIndexFolder(const std::string& folder, bool leakScan) {
    CClearWizard wizard;
    return wizard.CleanIndexFolder(folder, leakScan);
}

} // namespace qs
