// Size on drive of single files and whole folders.
#pragma once

#include "hostfn/WalkScope.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace qs {

// Bytes per cluster of the volume of `path` (its drive letter), or 0 when it cannot be had.
std::uint32_t ClusterSizeOfPath(const std::string& path);
// The same, asked once per pass and drive when the scope has a pass's listing cache (the
// question costs about as much as listing a small folder under Wine).
std::uint32_t ClusterSizeOfPath(const CWalkScope& scope, const std::string& path);

// Space a file of `length` bytes with `attributes` occupies in whole clusters. A compressed
// file longer than one cluster counts its compressed size, which `compressedSize` asks the
// platform for (false when it cannot; the plain length counts then). A cluster size of 0
// (unknown) counts the plain length rather than dividing by it.
std::uint64_t SizeOnDriveOf(std::uint32_t attributes, std::uint64_t length, std::uint32_t clusterSize,
                            const std::function<bool(std::uint64_t&)>& compressedSize);

// The compressed size of the open file `file` (false when the platform cannot say), for
// SizeOnDriveOf.
bool CompressedSizeOf(HANDLE file, std::uint64_t& size);

// Size on drive of one file (0 and false when its attributes cannot be read, or when the scope
// keeps it). The scope's recorder hears the file when it is measured.
bool GetSizeOnDrive(const CWalkScope& scope, const std::string& path, std::uint64_t& size);
bool GetSizeOnDrive(const std::string& path, std::uint64_t& size);

// Sums the sizes on drive and counts the entries of a folder that match the mask list, with the
// recursion rules of the host function GetFolderSize. Stops early, with what it summed so far,
// when the cancellation flag is set. Lists folders on the scope's threads, or on `threads`; the
// totals are the same whatever the count. Kept paths are not counted; the scope's recorder hears
// every entry that is.
void MeasureFolder(const CWalkScope& scope, const std::string& folder, const std::string& maskText, bool recurse,
                   std::uint64_t& size, std::uint32_t& count);
void MeasureFolder(const std::string& folder, const std::string& maskText, bool recurse, std::uint64_t& size,
                   std::uint32_t& count);
void MeasureFolder(const std::string& folder, const std::string& maskText, bool recurse, std::uint64_t& size,
                   std::uint32_t& count, unsigned threads);

} // namespace qs
