// Deleting and wiping walks, and the overwriting of one file.
#include "hostfn/FileErase.h"

#include "framework/Handle.h"
#include "hostfn/EntryChange.h"
#include "hostfn/FolderWalk.h"
#include "hostfn/Masks.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace qs {
namespace {

CWipeObserver* g_wipeObserver = nullptr;

bool IsReadOnly(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_READONLY) != 0; }

// Removes a link entry itself, never what it points at: through a handle to the link, and only
// when that handle shows the reparse point, so it cannot be the target. On Windows this removes
// a junction or symbolic link without entering it. Wine 8 cannot open a Unix symlink itself: it
// opens the target (whose attributes carry no reparse flag), and its RemoveDirectoryA and
// DeleteFileA act on the target too (an empty target folder, or a linked file, would go). There
// the link simply stays, and so does everything it points at.
void RemoveLink(const std::string& path) {
    Handle link(CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!link || !GetFileInformationByHandle(link.Get(), &info) || !IsReparsePoint(info.dwFileAttributes))
        return;
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(link.Get(), FileDispositionInfo, &disposition, sizeof disposition);
}

// The delete walk. `hasMasks` false is the call with no mask list at all (inside a matching
// folder), whose emptied subfolders are removed too. Entries are changed through the lister,
// relative to the folder's handle: never through a link, also where the platform lists a link to
// a file as a plain file (Wine 8), and without looking the full path up again for every file.
void Erase(const std::string& folder, const MaskList& masks, bool hasMasks, bool recurse) {
    static const MaskList kNoMasks;
    ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAA& e, const std::string& full, CFolderLister& lister) {
        if (!lister.Verified())
            return; // a link took the place of the folder: nothing in it is touched, nor listed further
        const DWORD attributes = e.dwFileAttributes;
        if (recurse && IsDirectory(attributes)) {
            const bool whole = !masks.empty() && MatchesMaskList(masks, full.c_str());
            const bool removeAfter = whole || !hasMasks;
            if (IsReparsePoint(attributes)) {
                // Never entered: a link inside the cleaned folder may lead anywhere. Where the
                // folder would have gone whole, the link goes, as a link.
                if (removeAfter)
                    RemoveLink(full);
                return;
            }
            if (whole)
                Erase(full + '\\', kNoMasks, false, true);
            else
                Erase(full + '\\', masks, hasMasks, true);
            if (removeAfter)
                lister.ChangeListedEntry(kRemove); // succeeds only when the folder is now empty
            return;
        }
        if (!MatchesMaskList(masks, full.c_str()))
            return;
        if (IsReparsePoint(attributes)) {
            // Setting attributes through a link may change its target: leave them alone and
            // remove the link itself. A link to a folder stays here, as a folder does.
            if (!IsDirectory(attributes))
                RemoveLink(full);
            return;
        }
        // The attributes come from the enumeration record, read a moment ago; reading them again
        // per file would cost a call for nothing. Clearing read-only also clears hidden and system.
        // A folder reaches this branch only without recursion: it loses read-only and stays.
        const unsigned clear = IsReadOnly(attributes) ? kClearReadOnly : 0;
        const unsigned remove = IsDirectory(attributes) ? 0 : kRemove;
        if (clear | remove)
            lister.ChangeListedEntry(clear | remove);
    });
}

void WipeWalk(const std::string& folder, const MaskList& masks, bool recurse, std::uint32_t passes) {
    ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAA& e, const std::string& full, CFolderLister& lister) {
        // Files are wiped by their paths, whose folder part must be the folder listed here: not a
        // link that took the place of a listed subfolder, which the wipe's own check would pass.
        if (!lister.Verified())
            return;
        const DWORD attributes = e.dwFileAttributes;
        if (recurse && IsDirectory(attributes)) {
            // Folders are not matched against the masks; with an empty list the emptied ones go.
            if (IsReparsePoint(attributes)) {
                if (masks.empty())
                    RemoveLink(full); // never entered; the link itself goes
                return;
            }
            WipeWalk(full + '\\', masks, recurse, passes);
            if (masks.empty())
                lister.ChangeListedEntry(kRemove); // succeeds only when the folder is now empty
            return;
        }
        if (MatchesMaskList(masks, full.c_str()))
            WipeOneFile(full, passes);
    });
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::uint64_t Length(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

// Bytes per sector of the volume holding `path`. Writes that bypass the system cache must be
// whole sectors; 4096 (a multiple of every common sector size) when the volume does not say.
std::uint32_t SectorSizeOf(const std::string& path) {
    char root[MAX_PATH];
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (GetVolumePathNameA(path.c_str(), root, MAX_PATH) &&
        GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters) &&
        bytesPerSector >= 512 && bytesPerSector <= kWipeChunkBytes && (bytesPerSector & (bytesPerSector - 1)) == 0)
        return bytesPerSector;
    return 4096;
}

// The three pattern buffers of one wipe: page-aligned, committed, released with the object.
struct WipePatterns {
    VirtualMemory buffers[3];

    bool Prepare() {
        for (VirtualMemory& b : buffers) {
            b.Reset(VirtualAlloc(nullptr, kWipeChunkBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
            if (!b)
                return false; // the destructor releases those already allocated
        }
        // VirtualAlloc hands out zeroed pages, so the first pattern is ready as it comes.
        std::memset(buffers[1].Get(), 0xFF, kWipeChunkBytes);
        auto* random = static_cast<unsigned char*>(buffers[2].Get());
        for (std::uint32_t i = 0; i < kWipeChunkBytes; ++i)
            random[i] = static_cast<unsigned char>(std::rand() & 0xFF);
        return true;
    }
};

bool SeekTo(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != 0;
}

// One overwrite of the whole length with `pattern`, from offset 0 in writes of at most 64 KiB.
// The writes bypass the system cache, so each must be a whole number of sectors: the final part
// that is not a whole sector is written rounded up to the sector, inside the cluster the file
// already owns, and the length is then set back. So that part goes to the medium by the same
// road as the rest, with no second handle (the file is open without sharing) and no write
// through the cache. The flush at the end makes each overwrite reach the medium before the next
// one starts, also where the platform ignores the request to bypass the cache (Wine does).
bool Overwrite(HANDLE file, const void* pattern, std::uint64_t length, std::uint32_t sector, std::uint32_t overwrite) {
    if (!SeekTo(file, 0))
        return false;
    std::uint64_t offset = 0;
    while (offset < length) {
        const std::uint64_t left = length - offset;
        DWORD bytes = left < kWipeChunkBytes ? static_cast<DWORD>(left) : kWipeChunkBytes;
        bytes = (bytes + sector - 1) / sector * sector; // the sector size divides 64 KiB
        if (g_wipeObserver && !g_wipeObserver->BeforeWrite(overwrite, offset, bytes))
            return false;
        DWORD written = 0;
        if (!WriteFile(file, pattern, bytes, &written, nullptr) || written != bytes)
            return false;
        offset += bytes;
    }
    if (offset != length && (!SeekTo(file, length) || !SetEndOfFile(file)))
        return false;
    return FlushFileBuffers(file) != 0;
}

// Every pass: 0x00, 0xFF, then the random bytes. The random buffer is filled once per file.
bool OverwriteAll(HANDLE file, std::uint64_t length, std::uint32_t sector, std::uint32_t passes) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    WipePatterns patterns;
    if (!patterns.Prepare())
        return false;
    std::uint32_t overwrite = 0;
    for (std::uint32_t pass = 0; pass < passes; ++pass) {
        for (const VirtualMemory& pattern : patterns.buffers) {
            if (!Overwrite(file, pattern.Get(), length, sector, ++overwrite))
                return false;
        }
    }
    return true;
}

} // namespace

void DeleteSingleFile(const std::string& path) {
    // The read-only attribute is left as it is, so a read-only file stays.
    DeleteFileNoFollow(path);
}

void EraseFolderContent(const std::string& folder, const std::string* maskText, bool recurse) {
    if (folder.empty())
        return;
    std::string path = OnDiskSpelling(folder);
    EnsureTrailingBackslash(path);
    const MaskList masks = maskText && !maskText->empty() ? SplitMaskList(*maskText) : MaskList();
    Erase(path, masks, maskText != nullptr, recurse);
}

bool WipeOneFile(const std::string& path, std::uint32_t passes) {
    if (path.empty() || path.size() > kMaxPathChars)
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    const DWORD attributes = data.dwFileAttributes;
    if (IsDirectory(attributes))
        return false; // DeleteFileA would not remove a folder anyway
    if (IsReparsePoint(attributes)) {
        RemoveLink(path); // a link to a file: the link goes, its target is not written
        return !Exists(path);
    }
    // Wine running as root opens a read-only file for writing where Windows refuses: the
    // attribute is checked here so that a read-only file is left untouched on both.
    if (IsReadOnly(attributes))
        return false;
    if (Length(data.nFileSizeHigh, data.nFileSizeLow) == 0)
        return DeleteFileNoFollow(path);

    // No sharing: a file that another program holds open cannot be opened and stays as it was.
    // The link itself is opened, never a target that replaced the file since the look above.
    Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT,
                            nullptr));
    if (!file)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        !HandleIsEntryOf(file.Get(), path))
        return false;
    const std::uint64_t length = Length(info.nFileSizeHigh, info.nFileSizeLow);

    if (!OverwriteAll(file.Get(), length, length % kWipeChunkBytes ? SectorSizeOf(path) : kWipeChunkBytes,
                      passes < kMaxWipePasses ? passes : kMaxWipePasses)) {
        // Left in place, overwritten as far as the writes got, at its own length.
        if (SeekTo(file.Get(), length))
            SetEndOfFile(file.Get());
        return false;
    }
    file.Reset();
    return DeleteFileNoFollow(path);
}

void WipeFolderWalk(const std::string& folder, const std::string& maskText, bool recurse, std::uint32_t passes) {
    if (folder.empty())
        return;
    std::string path = OnDiskSpelling(folder);
    EnsureTrailingBackslash(path);
    WipeWalk(path, maskText.empty() ? MaskList() : SplitMaskList(maskText), recurse, passes);
}

void SetWipeObserver(CWipeObserver* observer) { g_wipeObserver = observer; }

} // namespace qs
