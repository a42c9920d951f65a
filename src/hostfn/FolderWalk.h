// The one folder walk that the measuring, deleting and wiping walks share: UTF-16 from the folder
// a script named down to every entry, each reached through a handle opened relative to its
// listed folder by the exact name that folder listed.
#pragma once

#include "framework/Handle.h"
#include "hostfn/Cancellation.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qs {

class CListingCache;
class CFolderListing;
struct CListingRecord;

// Appends a backslash unless the path already ends with one.
inline void EnsureTrailingBackslash(std::string& path) {
    if (path.empty() || path.back() != '\\')
        path += '\\';
}

inline bool IsDirectory(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// Junctions, symbolic links and mount points. Walks never descend into them: following a link
// counts files twice, loops for ever on a link to an ancestor, and in the deleting walks would
// destroy data outside the folder being cleaned. (Wine shows Unix symlinks to folders this way.)
inline bool IsReparsePoint(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// A folder that a walk may enter: a directory that is not a reparse point.
inline bool IsWalkableFolder(DWORD attributes) { return IsDirectory(attributes) && !IsReparsePoint(attributes); }

// The longest path the platform can name (in UTF-16 units). Below a folder that a script named,
// depth is no limit up to this: every entry is reached relative to its folder, never by its path.
constexpr std::size_t kMaxLongPathChars = 32767;

// One entry as the native directory query listed it. `name` is the exact name the file system
// holds, never converted; it points into the lister's buffer and holds until its next Next().
struct FolderEntry {
    const wchar_t* name = nullptr;
    std::size_t chars = 0;
    DWORD attributes = 0;
    std::uint64_t length = 0;
    std::int64_t lastWrite = 0; // the last write time, in 100 ns units since 1601 (UTC)
};

// "." and ".." (and a nameless record): listed by the query, never an entry of the folder.
inline bool IsSelfOrParent(const wchar_t* name, std::size_t chars) {
    return chars == 0 || (name[0] == L'.' && (chars == 1 || (chars == 2 && name[1] == L'.')));
}
inline bool IsSelfOrParent(const FolderEntry& e) { return IsSelfOrParent(e.name, e.chars); }

// Lists one folder through the platform's native directory query, in batches into a buffer of
// its own: far cheaper per entry than FindFirstFile / FindNextFile, which also make up a short
// name for every entry. A subfolder is opened relative to the handle of the folder that listed
// it, by its listed name and as itself: a subfolder that has become a junction or link since it
// was listed is refused, or found out by Verified() where the platform opens the link's target
// all the same. Every change made through a lister waits for Verified(); a folder found foreign
// lists no more. Listing alone asks only where the platform may be unable to name the folder.
class CFolderLister {
public:
    // The folder that `path` names, opened by that path: links in the path lead where the caller
    // pointed.
    explicit CFolderLister(const std::wstring& path);
    // The entry that `parent` listed last (a folder), opened relative to the parent's handle.
    // `batchBytes` is the size of its listing buffer (enough for one entry of the longest name).
    CFolderLister(CFolderLister& parent, std::size_t batchBytes);
    // The subfolder `name` (exactly as `parent` listed it), opened relative to the parent's handle.
    // The parent must outlive this lister. Parallel walks open a subfolder this way after its
    // parent has listed on: the parent's own handle, shared, keeps the folder reached by its
    // listed name and never by a path.
    CFolderLister(CFolderLister& parent, const wchar_t* name, std::size_t chars, std::size_t batchBytes);
    CFolderLister(const CFolderLister&) = delete;
    CFolderLister& operator=(const CFolderLister&) = delete;
    ~CFolderLister();

    bool Valid() const { return m_dir.Valid(); }

    // Lists through a pass's listing cache (ListingCache.h), asked before the first Next(); a
    // null cache lists live. `path` is the folder's full path as the walk reached it. When the
    // cache holds a listing of this very folder (the same path and the same identity), Next()
    // reads that listing, "." and ".." left out, and the file system is asked nothing more;
    // otherwise the folder is listed live and what it lists is kept for StoreListing(). Every
    // check Next() makes before it lists holds either way. Only measuring walks list through a
    // cache: everything a walk changes is chosen from a live listing.
    void ListThrough(CListingCache* cache, const wchar_t* path, std::size_t chars);
    // Once Next() has answered false: gives the cache what was listed live, when the folder was
    // listed to its very end. `path` as given to ListThrough (the walk holds it, not the lister,
    // so that a chain of folders as deep as the platform allows holds each path once).
    void StoreListing(const wchar_t* path, std::size_t chars);
    // True when ListThrough found in the cache this folder's listing and the listing of each
    // folder directly in it: a walk below it mostly reads memory, and is done sooner on one
    // thread than it could start another.
    bool KeptWithSubfolders() const;
    // The next entry, "." and ".." included; false at the end, and in a folder found not to be
    // Verified(). A folder whose name may be longer than the platform can give
    // (kMayBeUnnameableChars) is asked before its first entry, so that no walk lists, and no
    // measurement counts, what the changing walks cannot reach.
    bool Next(FolderEntry& entry);

    // True when the folder listed is the one its path names. A folder opened by the path the
    // caller gave is (links in that path lead where the caller pointed); a subfolder opened
    // relative to its parent is when its full name is the parent's followed by its listed name.
    // That tells a link that took the place of the listed subfolder on a platform that opens the
    // target of a link asked to be opened as itself (Wine 8; Windows refuses such a link when
    // the subfolder is opened). Asked at most once; the answer is kept. A folder
    // the platform cannot name is not Verified either (under Wine: one whose Unix path passes
    // the Unix path limit, where no change through a handle would reach the disk).
    // Safe to ask from several threads at once (the parallel walks ask a parent from its
    // subfolders' threads); everything else belongs to the one thread listing the folder, except
    // ChangeNamedEntry.
    bool Verified();
    // The length of the folder's full name: the platform's for the folder a walk starts from,
    // then that followed by the listed names.
    std::size_t NameChars() const { return m_nameChars; }

    // Applies ChangeEntry (EntryChange.h: kClearReadOnly, kRemove) to the entry last returned by
    // Next(), a file or a folder as the listing showed it, through a handle opened relative to this
    // folder's handle that must prove to be the entry itself. True when every change asked for
    // was made.
    bool ChangeListedEntry(unsigned changes);
    // Removes the entry last returned by Next() when it is a link, as a link (RemoveLinkEntry).
    bool RemoveListedLink();
    // Applies ChangeEntry to this folder's subfolder `name`, exactly as it was listed, once a
    // parallel walk is done with it. May run while another thread lists this folder on.
    bool ChangeNamedEntry(const wchar_t* name, std::size_t chars, unsigned changes);
    // The entry last returned by Next(), or the entry `name` of this folder, opened relative to
    // this folder with `access`, `share` and the native create `options` (OpenEntry); an invalid
    // handle unless it proves to be the entry itself.
    Handle OpenListedEntry(ACCESS_MASK access, ULONG share, ULONG options);
    Handle OpenEntry(const wchar_t* name, std::size_t chars, ACCESS_MASK access, ULONG share, ULONG options);

private:
    bool Fill();

    enum class Check { Unknown, Verified, Foreign };

    CFolderLister* m_parent; // the lister whose handle this folder was opened relative to
    Handle m_dir;
    std::atomic<Check> m_check{Check::Unknown}; // written once, under m_checkLock, with m_name
    std::mutex m_checkLock;
    std::unique_ptr<unsigned char[]> m_buffer;
    std::size_t m_batchBytes;
    std::size_t m_offset = 0;
    bool m_haveBatch = false;
    std::size_t m_nameChars = 0;
    std::wstring m_name;                  // the folder's full name, once Verified() asked for it; then fixed
    std::wstring m_component;             // the name it was listed by in its parent
    const wchar_t* m_entryName = nullptr; // the entry last returned by Next(), inside m_buffer
    std::size_t m_entryChars = 0;
    DWORD m_entryAttributes = 0;
    std::unique_ptr<CListingRecord> m_cache; // the listing read from a cache, or being kept for it
};

// A folder whose full name is longer than this may hold entries that the platform cannot name:
// Wine names a handle after its Unix path, which it cannot have past 4096 bytes, and a UTF-16
// unit takes up to 3 bytes there. No change through a handle reaches the disk there, so the
// changing walks leave such entries alone, and the measuring walk counts an entry in such a
// folder only once the platform names it as the entry. Shorter folders pay nothing for it.
constexpr std::size_t kMayBeUnnameableChars = 512;

// Listing buffers: the top levels of a walk get large ones; deeper levels, which are many only in
// trees made deep on purpose, get small ones, so that a tree as deep as the platform allows costs
// megabytes rather than gigabytes.
constexpr std::size_t kBatchBytes = 32768;
constexpr std::size_t kDeepBatchBytes = 2048;
constexpr std::size_t kLargeBatchLevels = 16;

// What a walk does at each entry. The walk keeps `State` per folder level.
//   bool Visit(const FolderEntry& entry, const std::wstring& path, CFolderLister& folder,
//              const State& state, State& inner)
//       `path` is the entry's full path: the walk's root text followed by the listed names, for
//       matching only. Answers true to enter the entry (a folder) with `inner` as its state.
//   void Leave(CFolderLister& folder, const State& inner)
//       after the walk of an entered folder (also when it could not be opened), while `folder`'s
//       last entry is still that folder.

// Where a walk starts. Without `parent`: the folder that `path` names, opened by that path (links
// in the path lead where the caller pointed). With `parent`: its subfolder `name`, exactly as it
// was listed (or as the script named it), opened relative to the parent's handle and never
// through a link; `path` is then the text the walk's paths start with. The parent must outlive
// the walk. `listings`: the pass's listing cache that a measuring walk lists through (null:
// live); every folder of the walk is keyed by its path as the walk builds it.
struct WalkRoot {
    std::wstring path;
    CFolderLister* parent = nullptr;
    std::wstring name;
    CListingCache* listings = nullptr;
};

// The walk root's own lister, listing in batches of `batchBytes`.
inline std::unique_ptr<CFolderLister> OpenWalkRoot(const WalkRoot& root, std::size_t batchBytes) {
    if (root.parent)
        return std::make_unique<CFolderLister>(*root.parent, root.name.data(), root.name.size(), batchBytes);
    return std::make_unique<CFolderLister>(root.path);
}

// Walks the tree below the folder `root` (UTF-16 text, converted once from the script's path),
// depth first in listing order, skipping "." and "..". The levels are kept on the heap, not on
// the machine stack, so a tree as deep as the platform can hold cannot exhaust the stack. Entries
// whose full path would pass kMaxLongPathChars are left alone. The cancellation flag is checked
// before every entry; the result is false when the walk stopped for it (no Leave() follows then).
template <typename Walker>
bool WalkFolderTree(const WalkRoot& start, const typename Walker::State& state, Walker& walker) {
    using State = typename Walker::State;
    struct Level {
        Level(std::unique_ptr<CFolderLister> l, const State& s) : owned(std::move(l)), lister(*owned), state(s) {}
        Level(CFolderLister& parent, std::size_t batch, const State& s)
            : owned(std::make_unique<CFolderLister>(parent, batch)), lister(*owned), state(s) {}
        std::unique_ptr<CFolderLister> owned;
        CFolderLister& lister;
        State state;
        std::size_t base = 0; // the length of the folder's path with its trailing backslash
    };
    const std::wstring& root = start.path;
    if (root.empty() || root.size() >= kMaxLongPathChars)
        return true;
    std::vector<std::unique_ptr<Level>> levels;
    levels.push_back(std::make_unique<Level>(OpenWalkRoot(start, kBatchBytes), state));
    if (!levels.back()->lister.Valid())
        return true;
    levels.back()->lister.ListThrough(start.listings, root.data(), root.size());
    std::wstring path = root;
    if (path.back() != L'\\')
        path += L'\\';
    levels.back()->base = path.size();
    FolderEntry entry;
    State inner = state;
    while (!levels.empty()) {
        Level& level = *levels.back();
        if (!level.lister.Next(entry)) {
            // The walk's path still starts with this folder's (deeper levels only append).
            level.lister.StoreListing(path.data(), level.base);
            const State left = level.state;
            levels.pop_back();
            if (!levels.empty())
                walker.Leave(levels.back()->lister, left);
            continue;
        }
        if (IsCancelled())
            return false;
        if (IsSelfOrParent(entry))
            continue;
        if (level.base + entry.chars > kMaxLongPathChars)
            continue;
        path.resize(level.base);
        path.append(entry.name, entry.chars);
        if (!walker.Visit(static_cast<const FolderEntry&>(entry), static_cast<const std::wstring&>(path), level.lister,
                          static_cast<const State&>(level.state), inner))
            continue;
        const std::size_t batch = levels.size() < kLargeBatchLevels ? kBatchBytes : kDeepBatchBytes;
        std::unique_ptr<Level> sub;
        if (path.size() + 1 < kMaxLongPathChars)
            sub = std::make_unique<Level>(level.lister, batch, inner);
        if (!sub || !sub->lister.Valid()) {
            walker.Leave(level.lister, static_cast<const State&>(inner));
            continue;
        }
        sub->lister.ListThrough(start.listings, path.data(), path.size());
        path += L'\\';
        sub->base = path.size();
        levels.push_back(std::move(sub));
    }
    return true;
}

template <typename Walker>
bool WalkFolderTree(const std::wstring& root, const typename Walker::State& state, Walker& walker) {
    return WalkFolderTree(WalkRoot{root, nullptr, std::wstring(), nullptr}, state, walker);
}

} // namespace qs
