// Recording and ordering the files a measurement counts.
#include "engine/FileListing.h"

#include <windows.h>

#include <algorithm>

namespace qs {

bool ListedFileBefore(const CListedFile& a, const CListedFile& b) {
    const int folded = ::CompareStringOrdinal(a.path.c_str(), static_cast<int>(a.path.size()), b.path.c_str(),
                                              static_cast<int>(b.path.size()), TRUE);
    if (folded != CSTR_EQUAL)
        return folded == CSTR_LESS_THAN;
    if (a.path != b.path)
        return a.path < b.path;
    return a.sizeOnDrive < b.sizeOnDrive;
}

void SortListedFiles(std::vector<CListedFile>& files) { std::sort(files.begin(), files.end(), ListedFileBefore); }

void CFileListRecorder::OnCounted(const std::wstring& path, std::uint64_t sizeOnDrive) {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_files.push_back({path, sizeOnDrive});
}

std::vector<CListedFile> CFileListRecorder::TakeSorted() {
    std::vector<CListedFile> files;
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        files.swap(m_files);
    }
    SortListedFiles(files);
    return files;
}

std::wstring ListedFilesText(const std::vector<CListedFile>& files, const std::vector<std::size_t>& rows) {
    std::wstring text;
    for (const std::size_t row : rows) {
        if (row >= files.size())
            continue;
        text += files[row].path;
        text += L'\t';
        text += std::to_wstring(files[row].sizeOnDrive);
        text += L"\r\n";
    }
    return text;
}

std::uint64_t ListedSize(const std::vector<CListedFile>& files) {
    std::uint64_t size = 0;
    for (const CListedFile& f : files)
        size += f.sizeOnDrive;
    return size;
}

} // namespace qs
