// Deleting and wiping walks, and the overwriting of one file.
#include "hostfn/FileErase.h"

#include "framework/Handle.h"
#include "hostfn/EntryChange.h"
#include "hostfn/FolderWalk.h"
#include "hostfn/Masks.h"
#include "hostfn/ParallelWalk.h"

#include <windows.h>
#include <ntsecapi.h>
#include <winternl.h>

#include <cstring>

namespace qs {
namespace {

CWipeObserver* g_wipeObserver = nullptr;

bool IsReadOnly(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_READONLY) != 0; }

// The delete walk. The state of a folder level: the mask list in force there, whether the call
// gave a mask list at all (without one, inside a matching folder, emptied subfolders are removed
// too), and whether the folder itself goes once it is empty. Entries are changed through the
// lister, relative to the folder's handle: never through a link, also where the platform lists a
// link to a file as a plain file (Wine 8), and without looking a path up again for every file.
class CEraseWalk {
public:
    struct State {
        const WideMaskList* masks;
        bool hasMasks;
        bool removeAfter;
    };

    CEraseWalk(bool recurse, const CKeepFilter& keep) : m_recurse(recurse), m_keep(keep) {}

    bool Visit(const FolderEntry& e, const std::wstring& path, CFolderLister& folder, const State& state,
               State& inner) {
        if (!folder.Verified())
            return false; // a link took the place of the folder: nothing in it is touched, nor listed further
        if (!m_keep.Empty() && m_keep.Keeps(path))
            return false; // kept, with everything below it
        const WideMaskList& masks = *state.masks;
        const DWORD attributes = e.attributes;
        if (m_recurse && IsDirectory(attributes)) {
            const bool whole = !masks.empty() && MatchesMaskList(masks, path);
            // A folder that holds a kept path stays; emptying it around that path goes on.
            const bool removeAfter = (whole || !state.hasMasks) && !m_keep.HoldsKept(path);
            if (IsReparsePoint(attributes)) {
                // Never entered: a link inside the cleaned folder may lead anywhere. Where the
                // folder would have gone whole, the link goes, as a link.
                if (removeAfter)
                    folder.RemoveListedLink();
                return false;
            }
            inner = whole ? State{&m_none, false, true} : State{state.masks, state.hasMasks, removeAfter};
            return true;
        }
        if (!MatchesMaskList(masks, path))
            return false;
        if (IsReparsePoint(attributes)) {
            // Setting attributes through a link may change its target: leave them alone and
            // remove the link itself. A link to a folder stays here, as a folder does.
            if (!IsDirectory(attributes))
                folder.RemoveListedLink();
            return false;
        }
        // The attributes come from the listing, read a moment ago; reading them again per file
        // would cost a call for nothing. Clearing read-only also clears hidden and system. A
        // folder reaches this branch only without recursion: it loses read-only and stays.
        const unsigned clear = IsReadOnly(attributes) ? kClearReadOnly : 0;
        const unsigned remove = IsDirectory(attributes) ? 0 : kRemove;
        if (clear | remove)
            folder.ChangeListedEntry(clear | remove);
        return false;
    }

    void Leave(CFolderLister& folder, const State& inner) {
        if (inner.removeAfter)
            folder.ChangeListedEntry(kRemove); // succeeds only when the folder is now empty
    }
    // The same in the parallel walk, once everything below the subfolder is done.
    void LeaveNamed(CFolderLister& folder, const wchar_t* name, std::size_t chars, const State& inner) {
        if (inner.removeAfter)
            folder.ChangeNamedEntry(name, chars, kRemove);
    }

private:
    const bool m_recurse;
    const WideMaskList m_none;
    const CKeepFilter& m_keep;
};

// The wipe walk: folders are not matched against the masks; with an empty list the emptied ones
// go. The state of a folder level is whether the folder goes once it is empty.
class CWipeWalk {
public:
    using State = bool;

    CWipeWalk(const WideMaskList& masks, bool recurse, std::uint32_t passes, const CKeepFilter& keep)
        : m_masks(masks), m_recurse(recurse), m_passes(passes), m_keep(keep) {}

    bool Visit(const FolderEntry& e, const std::wstring& path, CFolderLister& folder, const State&, State& inner) {
        if (!folder.Verified())
            return false; // a link took the place of the folder: nothing in it is touched, nor listed further
        if (!m_keep.Empty() && m_keep.Keeps(path))
            return false; // kept, with everything below it
        if (m_recurse && IsDirectory(e.attributes)) {
            const bool removeAfter = m_masks.empty() && !m_keep.HoldsKept(path);
            if (IsReparsePoint(e.attributes)) {
                if (removeAfter)
                    folder.RemoveListedLink(); // never entered; the link itself goes
                return false;
            }
            inner = removeAfter;
            return true;
        }
        if (IsDirectory(e.attributes) || !MatchesMaskList(m_masks, path))
            return false;
        if (IsReparsePoint(e.attributes))
            folder.RemoveListedLink(); // a link to a file: the link goes, its target is not written
        else if (IsReadOnly(e.attributes))
            return false;
        else if (e.length == 0)
            folder.ChangeListedEntry(kRemove); // nothing to overwrite
        else
            WipeListedFile(folder, m_passes);
        return false;
    }

    void Leave(CFolderLister& folder, const State& removeAfter) {
        if (removeAfter)
            folder.ChangeListedEntry(kRemove); // succeeds only when the folder is now empty
    }

private:
    const WideMaskList& m_masks;
    const bool m_recurse;
    const std::uint32_t m_passes;
    const CKeepFilter& m_keep;
};

std::uint64_t Length(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

// Bytes per sector of the volume holding the open file. Writes that bypass the system cache must
// be whole sectors; 4096 (a multiple of every common sector size) when the volume does not say.
std::uint32_t SectorSizeOf(HANDLE file) {
    using QueryVolumeFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    static const QueryVolumeFn query = reinterpret_cast<QueryVolumeFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryVolumeInformationFile")));
    struct {
        LARGE_INTEGER totalUnits, availableUnits;
        ULONG sectorsPerUnit, bytesPerSector;
    } size{}; // FILE_FS_SIZE_INFORMATION
    IO_STATUS_BLOCK io;
    if (!query || query(file, &io, &size, sizeof size, 3 /* FileFsSizeInformation */) < 0)
        return 4096;
    const ULONG sector = size.bytesPerSector;
    return sector >= 512 && sector <= kWipeChunkBytes && (sector & (sector - 1)) == 0 ? sector : 4096;
}

// The three pattern buffers of one file's wipe: page-aligned, committed, released with the
// object. The random one comes from the system's cryptographic generator, new for every file.
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
        return RtlGenRandom(buffers[2].Get(), kWipeChunkBytes) != FALSE;
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

// Every pass: 0x00, 0xFF, then the random bytes.
bool OverwriteAll(HANDLE file, std::uint64_t length, std::uint32_t sector, std::uint32_t passes) {
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

// Overwrites and deletes the file open as `file`, which was opened for writing and deletion
// without sharing. The deletion goes through the same handle, so what is deleted is what was
// written.
bool WipeOpenFile(HANDLE file, std::uint32_t passes) {
    BY_HANDLE_FILE_INFORMATION info;
    // Wine running as root opens a read-only file for writing where Windows refuses: the
    // attribute is checked here so that a read-only file is left untouched on both.
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    const std::uint64_t length = Length(info.nFileSizeHigh, info.nFileSizeLow);
    if (length > 0 && !OverwriteAll(file, length, length % kWipeChunkBytes ? SectorSizeOf(file) : kWipeChunkBytes,
                                    passes < kMaxWipePasses ? passes : kMaxWipePasses)) {
        // Left in place, overwritten as far as the writes got, at its own length.
        if (SeekTo(file, length))
            SetEndOfFile(file);
        return false;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// No sharing: a file that another program holds open cannot be opened and stays as it was. The
// writes bypass the system cache.
constexpr ACCESS_MASK kWipeAccess = GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES;
constexpr ULONG kWipeOptions = kOpenFileOptions | 0x8 /* no intermediate buffering */ | 0x4 /* sequential only */;

} // namespace

bool WipeListedFile(CFolderLister& folder, std::uint32_t passes) {
    Handle file = folder.OpenListedEntry(kWipeAccess, 0, kWipeOptions);
    return file && WipeOpenFile(file.Get(), passes);
}

void DeleteSingleFile(const std::string& path) { DeleteSingleFile(CWalkScope(), path); }

void DeleteSingleFile(const CWalkScope& scope, const std::string& path) {
    if (scope.keep.KeepsText(path))
        return;
    // The read-only attribute is left as it is, so a read-only file stays.
    DeleteFileNoFollow(path);
}

void EraseFolderContent(const std::string& folder, const std::string* maskText, bool recurse) {
    EraseFolderContent(CWalkScope(), folder, maskText, recurse);
}

void EraseFolderContent(const std::string& folder, const std::string* maskText, bool recurse, unsigned threads) {
    CWalkScope scope;
    scope.threads = threads;
    EraseFolderContent(scope, folder, maskText, recurse);
}

void EraseFolderContent(const CWalkScope& scope, const std::string& folder, const std::string* maskText,
                        bool recurse) {
    const unsigned threads = scope.threads != 0 ? scope.threads : WalkThreads();
    // The script's path and masks are converted to UTF-16 once, here; every name below comes from
    // the file system as it is.
    std::wstring root;
    if (folder.empty() || !ToWide(folder, FileApiCodePage(), root))
        return;
    const WideMaskList masks =
        maskText && !maskText->empty() ? SplitWideMaskList(*maskText, FileApiCodePage()) : WideMaskList();
    const CKeepFilter keep(scope.keep, root);
    if (keep.RootKept())
        return;
    // Without recursion there is one folder to list: one thread.
    std::vector<CEraseWalk> walks(recurse && threads > 1 ? threads : 1, CEraseWalk(recurse, keep));
    WalkFolderTreeParallel(root, CEraseWalk::State{&masks, maskText != nullptr, false}, walks);
}

bool WipeOneFile(const std::string& path, std::uint32_t passes) { return WipeOneFile(CWalkScope(), path, passes); }

bool WipeOneFile(const CWalkScope& scope, const std::string& path, std::uint32_t passes) {
    if (scope.keep.KeepsText(path))
        return false;
    EntryOfPath entry;
    if (!OpenEntryOfPath(path, entry))
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) || IsDirectory(data.dwFileAttributes))
        return false; // a folder is no file to wipe
    if (IsReparsePoint(data.dwFileAttributes)) {
        // A link to a file: the link goes, its target is not written.
        return RemoveLinkEntry(entry.folder.Get(), entry.name.data(), entry.name.size());
    }
    if (IsReadOnly(data.dwFileAttributes))
        return false;
    if (Length(data.nFileSizeHigh, data.nFileSizeLow) == 0) // nothing to overwrite
        return ChangeEntry(entry.folder.Get(), entry.folderName, entry.name.data(), entry.name.size(), false, kRemove);
    Handle file = OpenEntry(entry.folder.Get(), entry.folderName, entry.name.data(), entry.name.size(), kWipeAccess, 0,
                            kWipeOptions);
    return file && WipeOpenFile(file.Get(), passes);
}

void WipeFolderWalk(const std::string& folder, const std::string& maskText, bool recurse, std::uint32_t passes) {
    WipeFolderWalk(CWalkScope(), folder, maskText, recurse, passes);
}

void WipeFolderWalk(const CWalkScope& scope, const std::string& folder, const std::string& maskText, bool recurse,
                    std::uint32_t passes) {
    std::wstring root;
    if (folder.empty() || !ToWide(folder, FileApiCodePage(), root))
        return;
    const CKeepFilter keep(scope.keep, root);
    if (keep.RootKept())
        return;
    const WideMaskList masks = maskText.empty() ? WideMaskList() : SplitWideMaskList(maskText, FileApiCodePage());
    CWipeWalk walk(masks, recurse, passes, keep);
    WalkFolderTree(root, false, walk);
}

void SetWipeObserver(CWipeObserver* observer) { g_wipeObserver = observer; }

} // namespace qs
