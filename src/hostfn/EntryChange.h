// Opening and changing folder entries through handles opened relative to their folder, never
// through a link.
#pragma once

#include "framework/Handle.h"

#include <windows.h>

#include <cstddef>
#include <string>

namespace qs {

// The full name that the platform gives the object open as `handle`, volume included: links in
// the path are resolved as the platform resolved them when it opened the object. False when the
// platform gives no name (Wine gives none once the Unix path passes the Unix path limit).
bool HandleName(HANDLE handle, std::wstring& name);

// True when `name` is `folderName` followed by the entry name `entry`, without regard to case.
// Wine names an object after its Unix path converted as a DOS path, which drops the dots and
// spaces that end the last component, and one dot that ends any other: the folder "a. ." is named
// "...\a", and its entry "f." is named "...\a. \f". So an entry that ends in dots or spaces also
// matches its name without them (never an empty one), and the last component of the folder's name
// matches one that differs only by such an ending. Under Wine only a link to an entry of the same
// name in a folder of the same name but for such an ending could pass for the entry; such a
// sibling lies in the folder being walked, except beside the folder a script named, where only
// who may write beside that folder could make one. (Where links are opened as themselves, the
// name is always the entry's own.)
bool IsEntryName(const std::wstring& name, const std::wstring& folderName, const wchar_t* entry,
                 std::size_t entryChars);

// Opens the subfolder `name` of the folder open as `parent` for listing, asking for the entry
// itself and never what it points at: a junction, symbolic link or mount point is refused (an
// invalid handle), so that a folder swapped for a link after it was listed is not entered. Where
// the platform opens the target anyway (Wine 8), only the folder's name tells
// (CFolderLister::Verified).
Handle OpenSubfolderNoFollow(HANDLE parent, const wchar_t* name, std::size_t chars);

// Opens the entry `entry` of the folder open as `folder`, whose full name (HandleName) is
// `folderName`, relative to `folder` by that exact name, with `access`, `share` and the native
// create `options`, and hands the handle out only when it is the entry itself. Opening asks for
// the entry and not what it points at; Wine 8 ignores that request for a Unix symlink to a file,
// which it lists as a plain file, and then opens (and would change) the link's target. The name
// of the opened handle (which names the target then) is compared with the folder's name followed
// by the entry's, so nothing is reached through a link. A handle that the platform gives no name
// is not handed out.
Handle OpenEntry(HANDLE folder, const std::wstring& folderName, const wchar_t* entry, std::size_t chars,
                 ACCESS_MASK access, ULONG share, ULONG options);

// The native create options for opening a file (not a folder) for synchronous input and output.
constexpr ULONG kOpenFileOptions = 0x40 /* non-directory */ | 0x20 /* synchronous, not alertable */;
// The same for a folder, with the intent of backup so that the folder's own security is no bar.
constexpr ULONG kOpenFolderOptions = 0x1 /* directory */ | 0x20 | 0x4000 /* backup intent */;
// The same for an entry of either kind.
constexpr ULONG kOpenAnyOptions = 0x20 | 0x4000;
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What ChangeEntry does to an entry: set its attributes to FILE_ATTRIBUTE_NORMAL (which clears
// hidden and system too), and delete it (a folder only when it is empty).
constexpr unsigned kClearReadOnly = 1;
constexpr unsigned kRemove = 2;

// Changes the entry `entry` of the folder open as `folder` (named `folderName`) through a handle
// that OpenEntry gave. The read-only rule is the platform's: a read-only file is not deleted
// unless kClearReadOnly comes with kRemove. True when every change asked for was made.
bool ChangeEntry(HANDLE folder, const std::wstring& folderName, const wchar_t* entry, std::size_t chars, bool isFolder,
                 unsigned changes);

// Removes the entry `entry` of the folder open as `folder` when it is a link, as a link, never what
// it points at: through a handle to the link itself, and only when that handle shows the reparse
// point, so it cannot be the target. On Windows this removes a junction or symbolic link without
// entering it. Wine 8 cannot open a Unix symlink itself: it opens the target (whose attributes
// carry no reparse flag), and its deletions act on the target too. There the link simply stays,
// and so does everything it points at.
bool RemoveLinkEntry(HANDLE folder, const wchar_t* entry, std::size_t chars);

// The entry a path names: its folder part opened and named as the platform resolves it (links in
// the folder part lead where the path points), and its last part as UTF-16, converted once from
// the path's text. Only for paths that a script gave, within the classic path limit.
struct EntryOfPath {
    Handle folder;
    std::wstring folderName;
    std::wstring name;
};
bool OpenEntryOfPath(const std::string& path, EntryOfPath& entry);

// Deletes the file that `path` names, never a file that a link at that place points to; a
// read-only file stays. The folder part of the path is taken as the platform resolves it.
bool DeleteFileNoFollow(const std::string& path);

// The code page that the platform's file functions take narrow text in.
inline UINT FileApiCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

// `text` in UTF-16, converted whole from `codePage`; false when some of it does not convert.
bool ToWide(const std::string& text, UINT codePage, std::wstring& wide);

} // namespace qs
