// The files that a plugin's measurement counts: the recorder that collects them from the host's
// walks and the one order in which the main window and the companion show them.
#pragma once

#include "engine/HostScope.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace qs {

struct CListedFile {
    std::wstring path; // as the walk built it from the names it listed
    std::uint64_t sizeOnDrive = 0;
};

// The listing's order: paths as the platform compares names (ordinal, without regard to letter
// case), then paths that differ only in case by their exact UTF-16 units, then size. Every two
// different entries have one order, so a listing reads the same however the walk's threads
// interleaved.
bool ListedFileBefore(const CListedFile& a, const CListedFile& b);
void SortListedFiles(std::vector<CListedFile>& files);

// Collects what one measurement counts. Safe to hear from several walk threads at once.
class CFileListRecorder : public CFileRecorder {
public:
    void OnCounted(const std::wstring& path, std::uint64_t sizeOnDrive) override;
    // What was heard so far, in the listing's order; the recorder is empty afterwards.
    std::vector<CListedFile> TakeSorted();

private:
    std::mutex m_lock;
    std::vector<CListedFile> m_files;
};

// Rows of a listing as text for the clipboard: per row the path, a tab, the size on drive in bytes
// and CR LF. `rows` are positions in `files` (those out of range are left out).
std::wstring ListedFilesText(const std::vector<CListedFile>& files, const std::vector<std::size_t>& rows);

// The size on drive of a listing, added up.
std::uint64_t ListedSize(const std::vector<CListedFile>& files);

} // namespace qs
