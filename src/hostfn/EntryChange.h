// Changing folder entries through handles opened relative to their folder, never through a link.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace qs {

// The full name that the platform gives the object open as `handle`, volume included: links in
// the path are resolved as the platform resolved them when it opened the object. False when the
// platform gives no name.
bool HandleName(HANDLE handle, std::wstring& name);

// True when `name` is `folderName` followed by the entry name `entry`, without regard to case.
bool IsEntryName(const std::wstring& name, const std::wstring& folderName, const wchar_t* entry,
                 std::size_t entryChars);

// Opens the subfolder `name` of the folder open as `parent` for listing, asking for the entry
// itself and never what it points at: a junction, symbolic link or mount point is refused (null),
// so that a folder swapped for a link after it was listed is not entered. Where the platform
// opens the target anyway (Wine 8), only the folder's name tells (CFolderLister::Verified).
HANDLE OpenSubfolderNoFollow(HANDLE parent, const wchar_t* name, std::size_t chars);

// What ChangeEntry does to an entry: set its attributes to FILE_ATTRIBUTE_NORMAL (which clears
// hidden and system too), and delete it (a folder only when it is empty).
constexpr unsigned kClearReadOnly = 1;
constexpr unsigned kRemove = 2;

// Changes the entry `entry` of the folder open as `folder`, whose full name (HandleName) is
// `folderName`, through a handle opened relative to `folder`, and only when that handle is the
// entry itself. Opening an entry asks for the entry and not what it points at; Wine 8 ignores
// that request for a Unix symlink to a file, which it lists as a plain file, and then opens, and
// would delete, the link's target. The name of the opened handle (which names the target then) is
// compared with the folder's name followed by the entry's, so nothing is changed through a link.
// A handle that the platform gives no name is not used. The read-only rule is the platform's: a
// read-only file is not deleted unless kClearReadOnly comes with kRemove. True when every change
// asked for was made.
bool ChangeEntry(HANDLE folder, const std::wstring& folderName, const wchar_t* entry, std::size_t chars, bool isFolder,
                 unsigned changes);

// Deletes the file that `path` names, never a file that a link at that place points to; a
// read-only file stays. The folder part of the path is taken as the platform resolves it.
bool DeleteFileNoFollow(const std::string& path);

// True when `handle` is open on the entry that `path` names itself, not on what a link at that
// place points to (the check ChangeEntry makes, for a handle opened by path). False when the
// platform gives no names.
bool HandleIsEntryOf(HANDLE handle, const std::string& path);

} // namespace qs
