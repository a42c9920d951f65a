// Listing a folder through the native directory query, for the shared folder walk.
#include "hostfn/FolderWalk.h"

#include "hostfn/EntryChange.h"
#include "hostfn/ListingCache.h"

#include <winternl.h>

#include <new>

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
constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006);

// FileInternalInformation: the file id of an open file within its volume.
constexpr int kFileInternalInformation = 6;

bool FolderIdentity(HANDLE folder, CFolderIdentity& identity) {
    IO_STATUS_BLOCK io;
    LARGE_INTEGER id{};
    const auto infoClass = static_cast<FILE_INFORMATION_CLASS>(kFileInternalInformation);
    if (NtQueryInformationFile(folder, &io, &id, sizeof id, infoClass) < 0 || id.QuadPart == 0)
        return false; // a file system without ids: its folders are listed live every time
    identity.fileId = static_cast<std::uint64_t>(id.QuadPart);
    return true;
}

} // namespace

// A lister's part in a listing cache: the listing it reads, or what it lists live to be kept.
struct CListingRecord {
    CListingCache* cache = nullptr;
    CFolderIdentity identity;
    std::shared_ptr<const CFolderListing> served; // reading from the cache
    std::size_t offset = 0;                       // of the next entry in `served`
    std::vector<unsigned char> packed;            // listing live: what was listed so far
    std::size_t count = 0;
    bool subfoldersKept = false; // served, and so is every subfolder
    bool keeping = true;   // false once an entry could not be packed
    bool complete = false; // listed live to the folder's end
};

CFolderLister::CFolderLister(const std::wstring& path) : m_parent(nullptr), m_batchBytes(kBatchBytes) {
    if (path.find(L'\0') == std::wstring::npos)
        m_dir.Reset(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (m_dir && QueryDirectory())
        m_buffer.reset(new (std::nothrow) unsigned char[m_batchBytes]);
    if (!m_buffer)
        m_dir.Reset();
    else if (Verified())
        m_nameChars = m_name.size();
}

CFolderLister::CFolderLister(CFolderLister& parent, std::size_t batchBytes)
    : CFolderLister(parent, parent.m_entryName, parent.m_entryName ? parent.m_entryChars : 0, batchBytes) {}

CFolderLister::CFolderLister(CFolderLister& parent, const wchar_t* name, std::size_t chars, std::size_t batchBytes)
    : m_parent(&parent), m_batchBytes(batchBytes) {
    // Opened by its listed name relative to the parent, and never by its path instead, which
    // would follow a link that took its place.
    if (name && chars > 0 && parent.m_check.load(std::memory_order_acquire) != Check::Foreign) {
        m_component.assign(name, chars);
        m_nameChars = parent.m_nameChars + 1 + m_component.size();
        m_dir = OpenSubfolderNoFollow(parent.m_dir.Get(), m_component.data(), m_component.size());
    }
    if (m_dir && QueryDirectory())
        m_buffer.reset(new (std::nothrow) unsigned char[m_batchBytes]);
    if (!m_buffer)
        m_dir.Reset();
}

CFolderLister::~CFolderLister() = default;

void CFolderLister::ListThrough(CListingCache* cache, const wchar_t* path, std::size_t chars) {
    m_cache.reset();
    CFolderIdentity identity;
    // Only before the first Next(), and only for a folder whose identity can be told.
    if (!cache || !m_dir || !m_buffer || m_haveBatch || !FolderIdentity(m_dir.Get(), identity))
        return;
    auto record = std::make_unique<CListingRecord>();
    record->cache = cache;
    record->identity = identity;
    std::shared_ptr<const CFolderListing> kept = cache->Find(path, chars);
    if (kept && kept->Identity() == identity) {
        // Asked here, where the path is at hand, for KeptWithSubfolders().
        std::wstring sub(path, chars);
        if (sub.empty() || sub.back() != L'\\')
            sub += L'\\';
        const std::size_t base = sub.size();
        record->subfoldersKept = true;
        FolderEntry entry;
        for (std::size_t offset = 0; record->subfoldersKept && kept->Read(offset, entry);) {
            if (IsWalkableFolder(entry.attributes)) {
                sub.resize(base);
                sub.append(entry.name, entry.chars);
                record->subfoldersKept = cache->Find(sub.data(), sub.size()) != nullptr;
            }
        }
        record->served = std::move(kept);
        m_buffer.reset(); // read from the cache: no listing buffer
        cache->CountServed();
    } else {
        cache->CountListed();
    }
    m_cache = std::move(record);
}

bool CFolderLister::KeptWithSubfolders() const { return m_cache && m_cache->served && m_cache->subfoldersKept; }

void CFolderLister::StoreListing(const wchar_t* path, std::size_t chars) {
    if (!m_cache || m_cache->served || !m_cache->keeping || !m_cache->complete)
        return;
    CListingRecord& record = *m_cache;
    record.cache->Store(path, chars,
                        std::make_shared<const CFolderListing>(record.identity, record.packed, record.count));
    m_cache.reset();
}

bool CFolderLister::Fill() {
    IO_STATUS_BLOCK io;
    const NTSTATUS status =
        QueryDirectory()(m_dir.Get(), nullptr, nullptr, nullptr, &io, m_buffer.get(), static_cast<ULONG>(m_batchBytes),
                         kFileFullDirectoryInformation, FALSE, nullptr, FALSE);
    m_offset = 0;
    m_haveBatch = status >= 0 && status != kNoMoreFiles && io.Information != 0;
    if (!m_haveBatch && m_cache && status == kNoMoreFiles)
        m_cache->complete = true;
    if (!m_haveBatch)
        m_buffer.reset(); // listed to the end: a folder kept open for its subfolders holds no buffer
    return m_haveBatch;
}

bool CFolderLister::Next(FolderEntry& entry) {
    m_entryName = nullptr;
    if (!m_dir || m_check.load(std::memory_order_acquire) == Check::Foreign ||
        (m_nameChars > kMayBeUnnameableChars && !Verified()))
        return false;
    if (m_cache && m_cache->served) {
        if (!m_cache->served->Read(m_cache->offset, entry))
            return false;
        m_entryName = entry.name;
        m_entryChars = entry.chars;
        m_entryAttributes = entry.attributes;
        return true;
    }
    if (!m_buffer || (!m_haveBatch && !Fill()))
        return false;
    const auto* e = reinterpret_cast<const FullDirEntry*>(m_buffer.get() + m_offset);
    m_entryName = e->FileName;
    m_entryChars = e->FileNameLength / sizeof(WCHAR);
    m_entryAttributes = e->FileAttributes;
    if (e->NextEntryOffset)
        m_offset += e->NextEntryOffset;
    else
        m_haveBatch = false;
    entry.name = m_entryName;
    entry.chars = m_entryChars;
    entry.attributes = e->FileAttributes;
    entry.length = static_cast<std::uint64_t>(e->EndOfFile.QuadPart);
    entry.lastWrite = e->LastWriteTime.QuadPart;
    if (m_cache && m_cache->keeping && !IsSelfOrParent(entry)) {
        m_cache->keeping = CFolderListing::Pack(m_cache->packed, entry);
        ++m_cache->count;
    }
    return true;
}

bool CFolderLister::Verified() {
    Check check = m_check.load(std::memory_order_acquire);
    if (check == Check::Unknown) {
        // Asked of a parent by its subfolders' threads at once: the first computes, under the
        // lock (taken child before parent, never the other way), and the rest read its answer.
        std::lock_guard<std::mutex> lock(m_checkLock);
        check = m_check.load(std::memory_order_relaxed);
        if (check == Check::Unknown) {
            check = Check::Foreign;
            if (m_dir && HandleName(m_dir.Get(), m_name) &&
                (!m_parent || (m_parent->Verified() &&
                               IsEntryName(m_name, m_parent->m_name, m_component.data(), m_component.size()))))
                check = Check::Verified;
            m_check.store(check, std::memory_order_release);
        }
    }
    return check == Check::Verified;
}

bool CFolderLister::ChangeListedEntry(unsigned changes) {
    // The entry is named as the listing gave it, in full.
    return m_entryName && Verified() &&
           ChangeEntry(m_dir.Get(), m_name, m_entryName, m_entryChars, IsDirectory(m_entryAttributes), changes);
}

bool CFolderLister::ChangeNamedEntry(const wchar_t* name, std::size_t chars, unsigned changes) {
    return name && chars > 0 && Verified() && ChangeEntry(m_dir.Get(), m_name, name, chars, true, changes);
}

bool CFolderLister::RemoveListedLink() {
    return m_entryName && Verified() && RemoveLinkEntry(m_dir.Get(), m_entryName, m_entryChars);
}

Handle CFolderLister::OpenListedEntry(ACCESS_MASK access, ULONG share, ULONG options) {
    if (!m_entryName)
        return Handle();
    return OpenEntry(m_entryName, m_entryChars, access, share, options);
}

Handle CFolderLister::OpenEntry(const wchar_t* name, std::size_t chars, ACCESS_MASK access, ULONG share,
                                ULONG options) {
    if (!Verified())
        return Handle();
    return qs::OpenEntry(m_dir.Get(), m_name, name, chars, access, share, options);
}

} // namespace qs
