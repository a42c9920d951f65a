// In-place clearing of browser history index files.
#pragma once

#include "framework/Handle.h"
#include "hostfn/WalkScope.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qs {

// The names under which processes share one index file at `indexPath`: the file mapping (the
// path and the file's size, every backslash turned into "_") and the mutex (the path in lower
// case, every backslash turned into "!", and one "!" appended).
std::wstring IndexMappingName(const std::wstring& indexPath, std::uint32_t fileSize);
std::wstring IndexMutexName(const std::wstring& indexPath);

// Opens index files and walks their records, calling VisitRecord for each record reached. The
// order for one file is OpenIndexFile, ClearHashedRecords, optionally ClearLeakRecords,
// CloseIndexFile. Between opening and closing the object holds the mapping and the mutex; a
// view exists only during one walk, and the mutex is held only while it does.
class CHistoryCleaner {
public:
    CHistoryCleaner() = default;
    ~CHistoryCleaner();
    CHistoryCleaner(const CHistoryCleaner&) = delete;
    CHistoryCleaner& operator=(const CHistoryCleaner&) = delete;

    // Called for every record a walk reaches, with the hash entry that points at it (null in
    // the leak scan); false stops the walk. Does nothing here.
    virtual bool VisitRecord(std::uint8_t* entry, std::uint8_t* record);
    // Zeroes the record's blocks (never past the end of the file) and marks the entry, when
    // given, as not in use.
    virtual bool ClearRecord(std::uint8_t* entry, std::uint8_t* record);

    // Clears the index file of `folder` and then those of its MSHist subfolders (whose leak
    // records are always scanned). False when the main index cannot be opened or walked, and
    // when the folder has no MSHist entries. An index file that `keep` keeps is left as it is (a
    // kept main index stops nothing: the subfolders' indexes are still cleared).
    bool CleanIndexFolder(const std::string& folder, bool leakScan, const CKeepList& keep = CKeepList());

    // Opens the file, its named mapping (shared with any process that already has it) and its
    // named mutex, closing whatever was open before.
    bool OpenIndexFile(const std::string& path);
    // The same for a file already open as `file` (for reading and writing), at `path`, which the
    // shared names are made of.
    bool OpenIndexFile(Handle file, const std::wstring& path);
    // The hash-table walk and the leak-block scan over the open file, under the mutex.
    bool ClearHashedRecords();
    bool ClearLeakRecords();
    void CloseIndexFile();

private:
    template <typename Walk> bool RunWalk(Walk walk);

    Handle m_mapping;
    Handle m_mutex;
    std::uint32_t m_fileSize = 0;
    std::uint8_t* m_view = nullptr; // while a walk runs
    std::size_t m_viewSize = 0;     // the bytes of the view that belong to the file
};

// Erases every record it visits.
class CClearWizard final : public CHistoryCleaner {
public:
    bool VisitRecord(std::uint8_t* entry, std::uint8_t* record) override;
};

// Clears the index file of a folder and of its MSHist subfolders; an index file the scope keeps
// is left as it is.
bool CleanIndexFolder(const CWalkScope& scope, const std::string& folder, bool leakScan);
bool CleanIndexFolder(const std::string& folder, bool leakScan);

} // namespace qs
