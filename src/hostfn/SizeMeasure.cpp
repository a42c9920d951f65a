// Size-on-drive rule and the measuring folder walk.
#include "hostfn/SizeMeasure.h"

#include "hostfn/EntryChange.h"
#include "hostfn/FolderWalk.h"
#include "hostfn/ListingCache.h"
#include "hostfn/Masks.h"
#include "hostfn/ParallelWalk.h"

#include <windows.h>

#include <cctype>

namespace qs {
namespace {

// Drive letter and colon, or empty when the path has none.
std::string DrivePart(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
        return path.substr(0, 2);
    return std::string();
}

std::uint32_t QueryClusterSize(const std::string& drive) {
    if (drive.empty())
        return 0; // no drive letter (a network path): the cluster size is unknown
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    std::string root = drive + "\\";
    if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return 0;
    return sectorsPerCluster * bytesPerSector;
}

// The measuring walk, one per thread: each sums what its thread measured, and the call adds the
// sums up. The state of a folder level is the mask list in force there: the script's, or none at
// all inside a folder that matched as a whole. Kept entries are passed over (a kept folder is not
// entered), and a folder matched whole that holds a kept path is not counted: the deleting walk
// cannot remove it.
class CMeasureWalk {
public:
    using State = const WideMaskList*;

    CMeasureWalk(bool recurse, std::uint32_t cluster, const CKeepFilter& keep, CCountedSink& sink)
        : m_recurse(recurse), m_cluster(cluster), m_keep(keep), m_sink(sink) {}

    bool Visit(const FolderEntry& e, const std::wstring& path, CFolderLister& folder, const State& masks,
               State& inner) {
        if (!m_keep.Empty() && m_keep.Keeps(path))
            return false;
        if (m_recurse && IsWalkableFolder(e.attributes)) {
            const bool whole = !masks->empty() && MatchesMaskList(*masks, path);
            if (whole && !m_keep.HoldsKept(path)) {
                ++count;
                m_sink.Counted(path, 0);
            }
            inner = whole ? &m_everything : masks;
            return true;
        }
        if (!MatchesMaskList(*masks, path))
            return false;
        if (folder.NameChars() > kMayBeUnnameableChars &&
            !folder.OpenListedEntry(FILE_READ_ATTRIBUTES, kShareAll, kOpenAnyOptions))
            return false;
        if (IsReparsePoint(e.attributes)) {
            // A link counts as an item of size 0; what it points at is not measured.
            ++count;
            m_sink.Counted(path, 0);
            return false;
        }
        const std::uint64_t onDrive =
            SizeOnDriveOf(e.attributes, e.length, m_cluster, [&folder](std::uint64_t& compressed) {
                return CompressedSizeOf(
                    folder.OpenListedEntry(FILE_READ_ATTRIBUTES, kShareAll, kOpenFileOptions).Get(), compressed);
            });
        ++count;
        size += onDrive;
        m_sink.Counted(path, onDrive);
        return false;
    }
    void Leave(CFolderLister&, const State&) {}
    void LeaveNamed(CFolderLister&, const wchar_t*, std::size_t, const State&) {}

    std::uint64_t size = 0;
    std::uint32_t count = 0;

private:
    const bool m_recurse;
    const std::uint32_t m_cluster;
    const WideMaskList m_everything;
    const CKeepFilter& m_keep;
    CCountedSink& m_sink;
};

} // namespace

bool CompressedSizeOf(HANDLE file, std::uint64_t& size) {
    FILE_COMPRESSION_INFO info;
    if (!file || !GetFileInformationByHandleEx(file, FileCompressionInfo, &info, sizeof info))
        return false;
    size = static_cast<std::uint64_t>(info.CompressedFileSize.QuadPart);
    return true;
}

std::uint32_t ClusterSizeOfPath(const std::string& path) { return QueryClusterSize(DrivePart(path)); }

std::uint32_t ClusterSizeOfPath(const CWalkScope& scope, const std::string& path) {
    return scope.listings != nullptr ? scope.listings->ClusterSize(DrivePart(path), QueryClusterSize)
                                     : ClusterSizeOfPath(path);
}

std::uint64_t SizeOnDriveOf(std::uint32_t attributes, std::uint64_t length, std::uint32_t clusterSize,
                            const std::function<bool(std::uint64_t&)>& compressedSize) {
    if (attributes & FILE_ATTRIBUTE_COMPRESSED) {
        if (clusterSize != 0 && length <= clusterSize)
            return clusterSize;
        std::uint64_t compressed = 0;
        return compressedSize && compressedSize(compressed) ? compressed : length;
    }
    if (length == 0 || clusterSize == 0)
        return length;
    return (length + clusterSize - 1) / clusterSize * clusterSize;
}

bool GetSizeOnDrive(const std::string& path, std::uint64_t& size) { return GetSizeOnDrive(CWalkScope(), path, size); }

bool GetSizeOnDrive(const CWalkScope& scope, const std::string& path, std::uint64_t& size) {
    size = 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || scope.keep.KeepsText(path) || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    const std::uint64_t length = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    size = SizeOnDriveOf(data.dwFileAttributes, length, ClusterSizeOfPath(scope, path), [&path](std::uint64_t& compressed) {
        DWORD high = 0;
        const DWORD low = GetCompressedFileSizeA(path.c_str(), &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
            return false;
        compressed = (static_cast<std::uint64_t>(high) << 32) | low;
        return true;
    });
    std::wstring wide;
    if (scope.recorder && !IsDirectory(data.dwFileAttributes) && ToWide(path, FileApiCodePage(), wide))
        CCountedSink(scope.recorder).Counted(wide, size);
    return true;
}

void MeasureFolder(const std::string& folder, const std::string& maskText, bool recurse, std::uint64_t& size,
                   std::uint32_t& count) {
    MeasureFolder(CWalkScope(), folder, maskText, recurse, size, count);
}

void MeasureFolder(const std::string& folder, const std::string& maskText, bool recurse, std::uint64_t& size,
                   std::uint32_t& count, unsigned threads) {
    CWalkScope scope;
    scope.threads = threads;
    MeasureFolder(scope, folder, maskText, recurse, size, count);
}

void MeasureFolder(const CWalkScope& scope, const std::string& folder, const std::string& maskText, bool recurse,
                   std::uint64_t& size, std::uint32_t& count) {
    const unsigned threads = scope.threads != 0 ? scope.threads : WalkThreads();
    size = 0;
    count = 0;
    // The script's path and masks are converted to UTF-16 once, here; every name below comes from
    // the file system as it is.
    std::wstring root;
    if (folder.empty() || !ToWide(folder, FileApiCodePage(), root))
        return;
    const WideMaskList masks = SplitWideMaskList(maskText, FileApiCodePage());
    const CKeepFilter keep(scope.keep, root);
    if (keep.RootKept())
        return;
    CCountedSink sink(scope.recorder);
    // Without recursion there is one folder to list: one thread.
    std::vector<CMeasureWalk> walks(recurse && threads > 1 ? threads : 1,
                                    CMeasureWalk(recurse, ClusterSizeOfPath(scope, folder), keep, sink));
    WalkFolderTreeParallel(WalkRoot{root, nullptr, std::wstring(), scope.listings}, &masks, walks);
    for (const CMeasureWalk& walk : walks) {
        size += walk.size;
        count += walk.count;
    }
}

} // namespace qs
