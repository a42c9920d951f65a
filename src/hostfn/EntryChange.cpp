// Changing folder entries through handles opened relative to their folder, never through a link.
#include "hostfn/EntryChange.h"

#include "framework/Handle.h"
#include "hostfn/PathLimits.h"

#include <winternl.h>

#include <memory>
#include <new>

namespace qs {
namespace {

// The native calls are not in the import libraries' headers of every toolchain: looked up once.
using OpenFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, ULONG, ULONG);
using QueryObjectFn = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

struct NativeCalls {
    OpenFileFn open = nullptr;
    QueryObjectFn queryObject = nullptr;
    NativeCalls() {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        open = reinterpret_cast<OpenFileFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtOpenFile")));
        queryObject = reinterpret_cast<QueryObjectFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryObject")));
    }
};

const NativeCalls& Native() {
    static const NativeCalls calls;
    return calls;
}

constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ULONG kOpenFolder = FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT;

HANDLE OpenRelative(HANDLE parent, const wchar_t* name, std::size_t chars, ACCESS_MASK access, ULONG options) {
    if (!Native().open || chars == 0 || chars * sizeof(wchar_t) > 0xFFFE)
        return nullptr;
    UNICODE_STRING us;
    us.Buffer = const_cast<PWSTR>(name);
    us.Length = us.MaximumLength = static_cast<USHORT>(chars * sizeof(wchar_t));
    OBJECT_ATTRIBUTES oa;
    InitializeObjectAttributes(&oa, &us, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE h = nullptr;
    if (Native().open(&h, access, &oa, &io, kShareAll, options | FILE_OPEN_REPARSE_POINT) < 0)
        return nullptr;
    return h;
}

bool SameText(const wchar_t* a, std::size_t aChars, const wchar_t* b, std::size_t bChars) {
    return aChars == bChars && (aChars == 0 || CompareStringOrdinal(a, static_cast<int>(aChars), b,
                                                                    static_cast<int>(bChars), TRUE) == CSTR_EQUAL);
}

UINT FileApiCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

} // namespace

bool HandleName(HANDLE handle, std::wstring& name) {
    // The object's name rather than the file's: it carries the volume, so a file of another drive
    // with the same path below its root can never pass for the entry. Under Wine both come from the
    // file's resolved Unix path.
    if (!Native().queryObject)
        return false;
    alignas(8) unsigned char local[2048];
    unsigned char* buffer = local;
    std::unique_ptr<unsigned char[]> large;
    ULONG needed = 0;
    NTSTATUS status = Native().queryObject(handle, kObjectNameInformation, buffer, sizeof local, &needed);
    if (status < 0 && needed > sizeof local && needed < 0x20000) {
        large.reset(new (std::nothrow) unsigned char[needed]);
        if (!large)
            return false;
        buffer = large.get();
        status = Native().queryObject(handle, kObjectNameInformation, buffer, needed, &needed);
    }
    if (status < 0)
        return false;
    const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer);
    if (!text->Buffer || text->Length == 0)
        return false;
    name.assign(text->Buffer, text->Length / sizeof(wchar_t));
    return true;
}

bool IsEntryName(const std::wstring& name, const std::wstring& folderName, const wchar_t* entry,
                 std::size_t entryChars) {
    if (folderName.empty())
        return false;
    // A volume's root folder is named with its backslash; every other folder without one.
    const std::size_t prefix = folderName.back() == L'\\' ? folderName.size() : folderName.size() + 1;
    return name.size() == prefix + entryChars && name[prefix - 1] == L'\\' &&
           SameText(name.data(), folderName.size(), folderName.data(), folderName.size()) &&
           SameText(name.data() + prefix, entryChars, entry, entryChars);
}

HANDLE OpenSubfolderNoFollow(HANDLE parent, const wchar_t* name, std::size_t chars) {
    Handle folder(
        OpenRelative(parent, name, chars, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kOpenFolder));
    // Opened as itself, a junction or link shows the reparse attribute.
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!folder || !GetFileInformationByHandleEx(folder.Get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return nullptr;
    return folder.Release();
}

bool ChangeEntry(HANDLE folder, const std::wstring& folderName, const wchar_t* entry, std::size_t chars, bool isFolder,
                 unsigned changes) {
    ACCESS_MASK access = SYNCHRONIZE;
    if (changes & kClearReadOnly)
        access |= FILE_WRITE_ATTRIBUTES;
    if (changes & kRemove)
        access |= DELETE;
    Handle h(OpenRelative(folder, entry, chars, access,
                          isFolder ? kOpenFolder : FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT));
    // Where the request to open a link as itself is honoured (Windows), the handle is the entry,
    // a link included, and changing it never reaches what a link points at: the name then always
    // matches. Under Wine this check costs a server round trip per entry, and deleting through the
    // handle another (a plain loop deletes on close); no cheaper sign of a link to a file exists
    // there, whose listing record and handle carry the target's attributes and file id.
    std::wstring name;
    if (!h || !HandleName(h.Get(), name) || !IsEntryName(name, folderName, entry, chars))
        return false;
    if (changes & kClearReadOnly) {
        FILE_BASIC_INFO basic{}; // times of 0 are left as they are
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(h.Get(), FileBasicInfo, &basic, sizeof basic))
            return false;
    }
    if (changes & kRemove) {
        // The deletion goes through the handle just checked: no second lookup of the name, which
        // something else could have replaced in between.
        FILE_DISPOSITION_INFO disposition{TRUE};
        if (!SetFileInformationByHandle(h.Get(), FileDispositionInfo, &disposition, sizeof disposition))
            return false;
    }
    return true;
}

namespace {

// The folder part of a path, opened and named as the platform resolves it, and the last part as
// wide text. False when the path is too long, names no entry, or the platform gives no names.
struct EntryOfPath {
    Handle folder;
    std::wstring folderName;
    wchar_t name[MAX_PATH];
    std::size_t chars = 0;
};

bool OpenEntryOfPath(const std::string& path, EntryOfPath& entry) {
    if (path.empty() || path.size() > kMaxPathChars)
        return false;
    char full[MAX_PATH];
    char* namePart = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, &namePart);
    if (length == 0 || length >= MAX_PATH || !namePart || !*namePart)
        return false;
    const std::string folderPath(full, static_cast<std::size_t>(namePart - full));
    const int chars = MultiByteToWideChar(FileApiCodePage(), 0, namePart, -1, entry.name, MAX_PATH) - 1;
    if (chars <= 0)
        return false;
    entry.chars = static_cast<std::size_t>(chars);
    entry.folder.Reset(CreateFileA(folderPath.c_str(), FILE_TRAVERSE, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return entry.folder && HandleName(entry.folder.Get(), entry.folderName);
}

} // namespace

bool DeleteFileNoFollow(const std::string& path) {
    EntryOfPath entry;
    return OpenEntryOfPath(path, entry) &&
           ChangeEntry(entry.folder.Get(), entry.folderName, entry.name, entry.chars, false, kRemove);
}

bool HandleIsEntryOf(HANDLE handle, const std::string& path) {
    EntryOfPath entry;
    std::wstring name;
    return OpenEntryOfPath(path, entry) && HandleName(handle, name) &&
           IsEntryName(name, entry.folderName, entry.name, entry.chars);
}

} // namespace qs
