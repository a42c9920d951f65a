// Size-on-drive rule and the measuring folder walk.
#include "hostfn/SizeMeasure.h"

#include "hostfn/FolderWalk.h"
#include "hostfn/Masks.h"

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

// The last walked drive and its cluster size; filled by the first walk, changed only when a walk
// starts on another drive. Walks run one at a time, so it needs no lock.
struct ClusterCache {
    std::string drive;
    std::uint32_t clusterSize = 0;
};

std::uint32_t CachedClusterSize(const std::string& folder) {
    static ClusterCache cache;
    std::string drive = DrivePart(folder);
    if (_stricmp(drive.c_str(), cache.drive.c_str()) != 0) {
        cache.drive = drive;
        cache.clusterSize = QueryClusterSize(drive);
    }
    return cache.clusterSize;
}

struct Totals {
    std::uint64_t size = 0;
    std::uint32_t count = 0;
};

void Measure(const std::string& folder, const MaskList& masks, bool recurse, std::uint32_t cluster, Totals& t) {
    static const MaskList kEverything;
    ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAA& e, const std::string& full) {
        if (recurse && IsWalkableFolder(e.dwFileAttributes)) {
            const bool whole = MatchesMaskList(masks, full.c_str()) && !masks.empty();
            if (whole)
                ++t.count;
            Measure(full + '\\', whole ? kEverything : masks, recurse, cluster, t);
            return;
        }
        if (!MatchesMaskList(masks, full.c_str()))
            return;
        ++t.count;
        if (IsReparsePoint(e.dwFileAttributes))
            return; // a link counts as an item of size 0; what it points at is not measured
        const std::uint64_t length = (static_cast<std::uint64_t>(e.nFileSizeHigh) << 32) | e.nFileSizeLow;
        t.size += SizeOnDriveOf(e.dwFileAttributes, length, cluster, full.c_str());
    });
}

} // namespace

std::uint32_t ClusterSizeOfPath(const std::string& path) { return QueryClusterSize(DrivePart(path)); }

std::uint64_t SizeOnDriveOf(std::uint32_t attributes, std::uint64_t length, std::uint32_t clusterSize,
                            const char* path) {
    if (attributes & FILE_ATTRIBUTE_COMPRESSED) {
        if (clusterSize != 0 && length <= clusterSize)
            return clusterSize;
        DWORD high = 0;
        DWORD low = GetCompressedFileSizeA(path, &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
            return length;
        return (static_cast<std::uint64_t>(high) << 32) | low;
    }
    if (length == 0 || clusterSize == 0)
        return length;
    return (length + clusterSize - 1) / clusterSize * clusterSize;
}

bool GetSizeOnDrive(const std::string& path, std::uint64_t& size) {
    size = 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    const std::uint64_t length = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    size = SizeOnDriveOf(data.dwFileAttributes, length, ClusterSizeOfPath(path), path.c_str());
    return true;
}

void MeasureFolder(const std::string& folder, const std::string& maskText, bool recurse, std::uint64_t& size,
                   std::uint32_t& count) {
    Totals t;
    if (!folder.empty()) {
        std::string path = folder;
        EnsureTrailingBackslash(path);
        Measure(path, SplitMaskList(maskText), recurse, CachedClusterSize(path), t);
    }
    size = t.size;
    count = t.count;
}

} // namespace qs
