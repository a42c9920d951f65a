// Opening and changing folder entries through handles opened relative to their folder, never
// through a link.
#include "hostfn/EntryChange.h"

#include "hostfn/PathLimits.h"

#include <winternl.h>

#include <memory>
#include <new>

namespace qs {
namespace {

// The native calls are not in the import libraries' headers of every toolchain: looked up once.
using CreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                      ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using QueryObjectFn = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

struct NativeCalls {
    CreateFileFn create = nullptr;
    QueryObjectFn queryObject = nullptr;
    NativeCalls() {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        create = reinterpret_cast<CreateFileFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateFile")));
        queryObject = reinterpret_cast<QueryObjectFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryObject")));
    }
};

const NativeCalls& Native() {
    static const NativeCalls calls;
    return calls;
}

constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kOpenExisting = 1;             // FILE_OPEN
constexpr ULONG kOpenAsItself = 0x00200000;    // FILE_OPEN_REPARSE_POINT
constexpr std::size_t kMaxNameBytes = 0xFFFE; // the most a counted native name holds

// The entry `name` of the folder open as `parent`, opened by that exact name relative to the
// folder's handle and asking for the entry itself. An invalid handle when it cannot be opened.
Handle OpenRelative(HANDLE parent, const wchar_t* name, std::size_t chars, ACCESS_MASK access, ULONG share,
                    ULONG options) {
    Handle h;
    if (!Native().create || chars == 0 || chars * sizeof(wchar_t) > kMaxNameBytes)
        return h;
    UNICODE_STRING us;
    us.Buffer = const_cast<PWSTR>(name);
    us.Length = us.MaximumLength = static_cast<USHORT>(chars * sizeof(wchar_t));
    OBJECT_ATTRIBUTES oa;
    InitializeObjectAttributes(&oa, &us, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE opened = nullptr;
    if (Native().create(&opened, access, &oa, &io, nullptr, 0, share, kOpenExisting, options | kOpenAsItself, nullptr,
                        0) >= 0)
        h.Reset(opened);
    return h;
}

bool SameText(const wchar_t* a, std::size_t aChars, const wchar_t* b, std::size_t bChars) {
    return aChars == bChars && (aChars == 0 || CompareStringOrdinal(a, static_cast<int>(aChars), b,
                                                                    static_cast<int>(bChars), TRUE) == CSTR_EQUAL);
}

// The length of a name without the dots and spaces that end it.
std::size_t WithoutTrailingDotsAndSpaces(const wchar_t* text, std::size_t chars) {
    while (chars > 0 && (text[chars - 1] == L'.' || text[chars - 1] == L' '))
        --chars;
    return chars;
}

} // namespace

bool ToWide(const std::string& text, UINT codePage, std::wstring& wide) {
    wide.clear();
    if (text.empty())
        return true;
    if (text.size() > 0x7FFFFFFF)
        return false;
    const int length = static_cast<int>(text.size());
    const int chars = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (chars <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(chars));
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, &wide[0], chars) == chars;
}

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
    if (folderName.empty() || entryChars == 0)
        return false;
    // The entry: its own name, or that name as the platform shortens the last component.
    const std::size_t last = name.rfind(L'\\');
    if (last == std::wstring::npos || last == 0)
        return false;
    const wchar_t* own = name.data() + last + 1;
    const std::size_t ownChars = name.size() - last - 1;
    const std::size_t shortEntry = WithoutTrailingDotsAndSpaces(entry, entryChars);
    if (!SameText(own, ownChars, entry, entryChars) &&
        (shortEntry == entryChars || shortEntry == 0 || !SameText(own, ownChars, entry, shortEntry)))
        return false;
    // The folder: its own name, where a volume's root folder is named with its backslash and every
    // other folder without one...
    const std::size_t dirChars = folderName.back() == L'\\' ? last + 1 : last;
    if (SameText(name.data(), dirChars, folderName.data(), folderName.size()))
        return true;
    // ...or, on the platform that shortens the folder's own name as the last component but not as
    // the folder of an entry, the same path whose last component differs only by the dots and
    // spaces that end it.
    const std::size_t folderLast = folderName.rfind(L'\\');
    const std::size_t dirLast = name.rfind(L'\\', last - 1);
    if (folderLast == std::wstring::npos || dirLast == std::wstring::npos || folderLast != dirLast ||
        folderLast + 1 >= folderName.size() || !SameText(name.data(), dirLast, folderName.data(), folderLast))
        return false;
    const wchar_t* dirOwn = name.data() + dirLast + 1;
    const std::size_t shortDir = WithoutTrailingDotsAndSpaces(dirOwn, last - dirLast - 1);
    return shortDir > 0 && SameText(dirOwn, shortDir, folderName.data() + folderLast + 1,
                                    folderName.size() - folderLast - 1);
}

Handle OpenSubfolderNoFollow(HANDLE parent, const wchar_t* name, std::size_t chars) {
    Handle folder = OpenRelative(parent, name, chars, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                 kShareAll, kOpenFolderOptions);
    // Opened as itself, a junction or link shows the reparse attribute.
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (folder && (!GetFileInformationByHandleEx(folder.Get(), FileAttributeTagInfo, &tag, sizeof tag) ||
                   (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)))
        folder.Reset();
    return folder;
}

Handle OpenEntry(HANDLE folder, const std::wstring& folderName, const wchar_t* entry, std::size_t chars,
                 ACCESS_MASK access, ULONG share, ULONG options) {
    Handle h = OpenRelative(folder, entry, chars, access | SYNCHRONIZE, share, options);
    // Where the request to open a link as itself is honoured (Windows), the handle is the entry,
    // a link included, and changing it never reaches what a link points at: the name then always
    // matches. Under Wine this check costs a server round trip per entry; no cheaper sign of a
    // link to a file exists there, whose listing record and handle carry the target's attributes
    // and file id.
    std::wstring name;
    if (h && (!HandleName(h.Get(), name) || !IsEntryName(name, folderName, entry, chars)))
        h.Reset();
    return h;
}

bool ChangeEntry(HANDLE folder, const std::wstring& folderName, const wchar_t* entry, std::size_t chars, bool isFolder,
                 unsigned changes) {
    ACCESS_MASK access = 0;
    if (changes & kClearReadOnly)
        access |= FILE_WRITE_ATTRIBUTES;
    if (changes & kRemove)
        access |= DELETE;
    Handle h = OpenEntry(folder, folderName, entry, chars, access, kShareAll,
                         isFolder ? kOpenFolderOptions : kOpenFileOptions);
    if (!h)
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

bool RemoveLinkEntry(HANDLE folder, const wchar_t* entry, std::size_t chars) {
    Handle link = OpenRelative(folder, entry, chars, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll,
                               kOpenAnyOptions);
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!link || !GetFileInformationByHandleEx(link.Get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        !(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(link.Get(), FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

bool OpenEntryOfPath(const std::string& path, EntryOfPath& entry) {
    if (path.empty() || path.size() > kMaxPathChars || path.find('\0') != std::string::npos)
        return false;
    char full[MAX_PATH];
    char* namePart = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, &namePart);
    if (length == 0 || length >= MAX_PATH || !namePart || !*namePart)
        return false;
    const std::string folderPath(full, static_cast<std::size_t>(namePart - full));
    if (!ToWide(namePart, FileApiCodePage(), entry.name) || entry.name.empty())
        return false;
    entry.folder.Reset(CreateFileA(folderPath.c_str(), FILE_TRAVERSE, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return entry.folder && HandleName(entry.folder.Get(), entry.folderName);
}

bool DeleteFileNoFollow(const std::string& path) {
    EntryOfPath entry;
    return OpenEntryOfPath(path, entry) &&
           ChangeEntry(entry.folder.Get(), entry.folderName, entry.name.data(), entry.name.size(), false, kRemove);
}

} // namespace qs
