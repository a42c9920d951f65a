// Listing a folder through the native directory query, for the shared folder walk.
#include "hostfn/FolderWalk.h"

#include "hostfn/EntryChange.h"

#include <winternl.h>

#include <cstring>

namespace qs {
namespace {

// The native query is not in the import libraries' headers of every toolchain: looked up once.
using QueryDirectoryFn = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG, BOOLEAN,
                                          PUNICODE_STRING, BOOLEAN);

QueryDirectoryFn QueryDirectory() {
    static const QueryDirectoryFn query = reinterpret_cast<QueryDirectoryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryDirectoryFile")));
    return query;
}

// FILE_FULL_DIR_INFORMATION: what the query answers per entry.
struct FullDirEntry {
    ULONG NextEntryOffset;
    ULONG FileIndex;
    LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime, EndOfFile, AllocationSize;
    ULONG FileAttributes;
    ULONG FileNameLength;
    ULONG EaSize; // the reparse tag, for a reparse point
    WCHAR FileName[1];
};

constexpr ULONG kFileFullDirectoryInformation = 2;
constexpr std::size_t kBatchBytes = 32768;

// The lister whose entries are being visited on this thread: the parent of any folder listed now.
thread_local CFolderLister* t_innermost = nullptr;

FILETIME Time(const LARGE_INTEGER& t) {
    FILETIME f;
    f.dwLowDateTime = t.LowPart;
    f.dwHighDateTime = static_cast<DWORD>(t.HighPart);
    return f;
}

UINT FileApiCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

// The subfolder `name` of `parent` opened relative to the parent's handle, refusing links.
HANDLE OpenRelative(HANDLE parent, const std::string& name, std::wstring& wideName) {
    wchar_t wide[MAX_PATH];
    const int chars =
        MultiByteToWideChar(FileApiCodePage(), 0, name.data(), static_cast<int>(name.size()), wide, MAX_PATH);
    if (chars <= 0)
        return nullptr;
    wideName.assign(wide, static_cast<std::size_t>(chars));
    return OpenSubfolderNoFollow(parent, wide, static_cast<std::size_t>(chars));
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

std::string OnDiskSpelling(const std::string& folder) {
    // Component by component, each looked up in its parent: the platform's long-name call keeps
    // under Wine the spelling of every component that cannot be a short name.
    if (folder.size() < 3 || folder[1] != ':' || folder[2] != '\\' || folder.size() > kMaxPathChars)
        return folder; // only paths that begin with a drive
    std::string result = folder.substr(0, 3);
    for (std::size_t pos = 3; pos < folder.size();) {
        std::size_t end = folder.find('\\', pos);
        if (end == std::string::npos)
            end = folder.size();
        const std::string component = folder.substr(pos, end - pos);
        if (component.empty() || component == "." || component == ".." ||
            component.find_first_of("*?") != std::string::npos)
            return folder;
        WIN32_FIND_DATAA data;
        FindHandle find(FindFirstFileA((result + component).c_str(), &data));
        if (!find || std::strlen(data.cFileName) != component.size())
            return folder;
        for (std::size_t i = 0; i < component.size(); ++i) {
            if (AsciiLower(data.cFileName[i]) != AsciiLower(component[i]))
                return folder; // another spelling altogether (a short name, for one)
        }
        result += data.cFileName;
        if (end < folder.size())
            result += '\\';
        pos = end + 1;
    }
    return result;
}

CFolderLister::CFolderLister(const std::string& folder) : m_folder(folder), m_outer(t_innermost), m_parent(nullptr) {
    // A direct subfolder of the folder being listed: opened by its name relative to the parent,
    // and never by its path instead, which would follow a link that took its place.
    const std::string* outerFolder = m_outer ? &m_outer->m_folder : nullptr;
    if (outerFolder && m_outer->Valid() && folder.size() > outerFolder->size() + 1 &&
        folder.compare(0, outerFolder->size(), *outerFolder) == 0 &&
        folder.find('\\', outerFolder->size()) == folder.size() - 1) {
        m_parent = m_outer;
        if (m_parent->m_check != Check::Foreign)
            m_dir.Reset(OpenRelative(m_parent->m_dir.Get(),
                                     folder.substr(outerFolder->size(), folder.size() - outerFolder->size() - 1),
                                     m_component));
    } else {
        m_dir.Reset(CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    }
    if (m_dir && QueryDirectory())
        m_buffer.reset(new (std::nothrow) unsigned char[kBatchBytes]);
    if (!m_buffer)
        m_dir.Reset();
    t_innermost = this;
}

CFolderLister::~CFolderLister() { t_innermost = m_outer; }

bool CFolderLister::Fill() {
    IO_STATUS_BLOCK io;
    const NTSTATUS status = QueryDirectory()(m_dir.Get(), nullptr, nullptr, nullptr, &io, m_buffer.get(), kBatchBytes,
                                             kFileFullDirectoryInformation, FALSE, nullptr, FALSE);
    m_offset = 0;
    m_haveBatch = status >= 0 && status != static_cast<NTSTATUS>(0x80000006) /* no more files */ && io.Information != 0;
    return m_haveBatch;
}

bool CFolderLister::Next(WIN32_FIND_DATAA& data) {
    m_entryName = nullptr;
    if (!m_dir || m_check == Check::Foreign || (!m_haveBatch && !Fill()))
        return false;
    const auto* e = reinterpret_cast<const FullDirEntry*>(m_buffer.get() + m_offset);
    m_entryName = e->FileName;
    m_entryChars = e->FileNameLength / sizeof(WCHAR);
    m_entryAttributes = e->FileAttributes;
    if (e->NextEntryOffset)
        m_offset += e->NextEntryOffset;
    else
        m_haveBatch = false;
    std::memset(&data, 0, sizeof data);
    data.dwFileAttributes = e->FileAttributes;
    data.ftCreationTime = Time(e->CreationTime);
    data.ftLastAccessTime = Time(e->LastAccessTime);
    data.ftLastWriteTime = Time(e->LastWriteTime);
    data.nFileSizeHigh = static_cast<DWORD>(e->EndOfFile.QuadPart >> 32);
    data.nFileSizeLow = static_cast<DWORD>(e->EndOfFile.QuadPart & 0xFFFFFFFF);
    if (e->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        data.dwReserved0 = e->EaSize;
    // A name longer than the record's buffer is left empty: its full path is past the limit anyway.
    const int bytes =
        WideCharToMultiByte(FileApiCodePage(), 0, e->FileName, static_cast<int>(e->FileNameLength / sizeof(WCHAR)),
                            data.cFileName, MAX_PATH - 1, nullptr, nullptr);
    data.cFileName[bytes > 0 ? bytes : 0] = '\0';
    return true;
}

bool CFolderLister::Verified() {
    if (m_check == Check::Unknown) {
        m_check = Check::Foreign;
        if (m_dir && HandleName(m_dir.Get(), m_name) &&
            (!m_parent ||
             (m_parent->Verified() && IsEntryName(m_name, m_parent->m_name, m_component.data(), m_component.size()))))
            m_check = Check::Verified;
    }
    return m_check == Check::Verified;
}

bool CFolderLister::ChangeListedEntry(unsigned changes) {
    // The entry is named as the listing gave it, in full, not as its converted name for the walk.
    return m_entryName && Verified() &&
           ChangeEntry(m_dir.Get(), m_name, m_entryName, m_entryChars, IsDirectory(m_entryAttributes), changes);
}

} // namespace qs
