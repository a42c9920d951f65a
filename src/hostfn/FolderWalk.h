// The one folder enumeration that the measuring, deleting and wiping walks share.
#pragma once

#include "hostfn/Cancellation.h"
#include "hostfn/PathLimits.h"
#include "framework/Handle.h"

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace qs {

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

// The folder as the file system spells it, when that differs from `folder` only in the case of
// ASCII letters; otherwise `folder` itself. Script paths arrive upper-cased, and Wine finds each
// component of such a path by reading its parent folder until a name matches without regard to
// case: a walk that deletes or wipes file by file would pay that for every file. Masks compare
// ASCII letters without regard to case, so they match the same entries either way.
std::string OnDiskSpelling(const std::string& folder);

// Lists one folder through the platform's native directory query, in batches into a buffer of
// its own: far cheaper per entry than FindFirstFileA / FindNextFileA, which also make up a short
// name for every entry. A folder listed while its parent folder is being listed (the recursion of
// every walk) is opened relative to the parent's handle, so its full path is not looked up again,
// and as itself: a subfolder that has become a junction or link since it was listed is refused,
// or found out by Verified() where the platform opens the link's target all the same.
class CFolderLister {
public:
    // `folder` ends with a backslash and must outlive the lister.
    explicit CFolderLister(const std::string& folder);
    ~CFolderLister();
    CFolderLister(const CFolderLister&) = delete;
    CFolderLister& operator=(const CFolderLister&) = delete;

    bool Valid() const { return m_dir.Valid(); }
    // The next entry, "." and ".." included, filled in as FindNextFileA would (no short name);
    // false at the end.
    bool Next(WIN32_FIND_DATAA& data);

    // True when the folder listed is the one its path names. A folder opened by the path the
    // caller gave is (links in that path lead where the caller pointed); a subfolder opened
    // relative to its parent is when its full name is the parent's followed by its own. That
    // tells a link that took the place of the listed subfolder on a platform that opens the
    // target of a link asked to be opened as itself (Wine 8; Windows refuses such a link when
    // the subfolder is opened). Walks that change anything ask before their first entry; the
    // answer is kept, and the measuring walks never pay for it. A foreign folder lists no more.
    bool Verified();

    // Applies ChangeEntry (EntryChange.h: kClearReadOnly, kRemove) to the entry last returned by
    // Next(), a file or a folder as the listing showed it, through a handle opened relative to this
    // folder's handle that must prove to be the entry itself. Nothing is done in a folder that is
    // not Verified(). True when every change asked for was made.
    bool ChangeListedEntry(unsigned changes);

private:
    bool Fill();

    enum class Check { Unknown, Verified, Foreign };

    const std::string& m_folder;
    CFolderLister* m_outer;  // the lister of the enclosing walk on this thread, if any
    CFolderLister* m_parent; // the lister whose handle this folder was opened relative to
    Handle m_dir;
    std::unique_ptr<unsigned char[]> m_buffer;
    std::size_t m_offset = 0;
    bool m_haveBatch = false;
    Check m_check = Check::Unknown;
    std::wstring m_name;                  // the folder's full name, once Verified() asked for it
    std::wstring m_component;             // the name it was opened by relative to its parent
    const wchar_t* m_entryName = nullptr; // the entry last returned by Next(), inside m_buffer
    std::size_t m_entryChars = 0;
    DWORD m_entryAttributes = 0;
};

// Calls visit(const WIN32_FIND_DATAA& entry, const std::string& fullPath) for every entry of
// `folder` (which must end with a backslash) in enumeration order, skipping "." and "..". A visitor
// that takes a third argument, CFolderLister&, gets the lister, to change the entry through it.
// The cancellation flag is checked before every entry; the result is false when the walk
// stopped for it. Entries whose full path would pass the classic path limit are left alone,
// and so is a folder whose search pattern would pass it.
template <typename Visit> bool ForEachFolderEntry(const std::string& folder, Visit&& visit) {
    if (folder.size() + 1 > kMaxPathChars)
        return true;
    CFolderLister lister(folder);
    if (!lister.Valid())
        return true;
    std::string path;
    WIN32_FIND_DATAA data;
    while (lister.Next(data)) {
        if (IsCancelled())
            return false;
        const char* name = data.cFileName;
        if (name[0] == '\0' || (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
            continue; // an empty name is one that could not be converted: it names nothing
        path.assign(folder).append(name);
        if (path.size() > kMaxPathChars)
            continue;
        if constexpr (std::is_invocable_v<Visit&, const WIN32_FIND_DATAA&, const std::string&, CFolderLister&>)
            visit(static_cast<const WIN32_FIND_DATAA&>(data), static_cast<const std::string&>(path), lister);
        else
            visit(static_cast<const WIN32_FIND_DATAA&>(data), static_cast<const std::string&>(path));
    }
    return true;
}

} // namespace qs
