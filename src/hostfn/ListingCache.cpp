// The per-pass listing cache: packed listings, keyed by folded path and checked by identity.
#include "hostfn/ListingCache.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace qs {
namespace {

template <typename T> void Put(unsigned char*& at, T value) {
    std::memcpy(at, &value, sizeof value);
    at += sizeof value;
}

template <typename T> T Get(const unsigned char*& at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    at += sizeof value;
    return value;
}

// What one allocation costs beyond what it asks for (the heap's header and rounding).
constexpr std::size_t kAllocationOverhead = 16;

} // namespace

CFolderListing::CFolderListing(const CFolderIdentity& identity, const std::vector<unsigned char>& packed,
                               std::size_t count)
    : m_identity(identity), m_count(count), m_size(packed.size()), m_bytes(new unsigned char[packed.size()]) {
    if (!packed.empty())
        std::memcpy(m_bytes.get(), packed.data(), packed.size());
}

bool CFolderListing::Pack(std::vector<unsigned char>& packed, const FolderEntry& entry) {
    if (entry.chars > 0xFFFF)
        return false;
    const std::size_t at = packed.size();
    packed.resize(at + kEntryHeader + entry.chars * sizeof(wchar_t));
    unsigned char* p = packed.data() + at;
    Put<std::uint64_t>(p, entry.length);
    Put<std::int64_t>(p, entry.lastWrite);
    Put<std::uint32_t>(p, entry.attributes);
    Put<std::uint16_t>(p, static_cast<std::uint16_t>(entry.chars));
    std::memcpy(p, entry.name, entry.chars * sizeof(wchar_t));
    return true;
}

bool CFolderListing::Read(std::size_t& offset, FolderEntry& entry) const {
    if (offset + kEntryHeader > m_size)
        return false;
    const unsigned char* p = m_bytes.get() + offset;
    entry.length = Get<std::uint64_t>(p);
    entry.lastWrite = Get<std::int64_t>(p);
    entry.attributes = Get<std::uint32_t>(p);
    entry.chars = Get<std::uint16_t>(p);
    // Every entry's size is even and the block starts aligned, so each name is aligned for
    // its UTF-16 units.
    entry.name = reinterpret_cast<const wchar_t*>(p);
    offset += kEntryHeader + entry.chars * sizeof(wchar_t);
    return true;
}

std::wstring CListingCache::Key(const wchar_t* path, std::size_t chars) {
    while (chars > 0 && path[chars - 1] == L'\\')
        --chars;
    // Folded the same way on every look-up and store. A fold that joins two names the file
    // system tells apart costs nothing (the identity check keeps their listings apart); one that
    // misses a pair the file system joins costs a second listing.
    std::wstring key(path, chars);
    if (chars > 0 && LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, path, static_cast<int>(chars), &key[0],
                                  static_cast<int>(chars)) != static_cast<int>(chars))
        key.assign(path, chars); // unfolded: at worst a second listing
    return key;
}

std::size_t CListingCache::HeldBytes(const std::wstring& key, const CFolderListing& listing) {
    // The map's node (key, pointer, link and hash), the listing with its shared count in one
    // allocation, its packed block, and the key's text when it is too long to live in the node.
    // The bucket that leads to the node is counted too.
    std::size_t bytes =
        sizeof(std::wstring) + sizeof(std::shared_ptr<const CFolderListing>) + 3 * sizeof(void*) + kAllocationOverhead;
    bytes += sizeof(CFolderListing) + 2 * sizeof(long) + sizeof(void*) + kAllocationOverhead;
    bytes += listing.PackedBytes() + kAllocationOverhead;
    if (key.capacity() > std::wstring().capacity())
        bytes += (key.capacity() + 1) * sizeof(wchar_t) + kAllocationOverhead;
    return bytes;
}

std::shared_ptr<const CFolderListing> CListingCache::Find(const wchar_t* path, std::size_t chars) const {
    const std::wstring key = Key(path, chars);
    std::lock_guard<std::mutex> hold(m_lock);
    const auto it = m_listings.find(key);
    return it == m_listings.end() ? nullptr : it->second;
}

void CListingCache::Store(const wchar_t* path, std::size_t chars, std::shared_ptr<const CFolderListing> listing) {
    if (!listing)
        return;
    std::wstring key = Key(path, chars);
    std::lock_guard<std::mutex> hold(m_lock);
    const auto placed = m_listings.emplace(std::move(key), std::move(listing));
    if (!placed.second)
        return;
    m_stats.folders += 1;
    m_stats.entries += placed.first->second->Count();
    m_stats.bytes += HeldBytes(placed.first->first, *placed.first->second);
    if (m_stats.entries > m_stats.peakEntries)
        m_stats.peakEntries = m_stats.entries;
    if (m_stats.bytes > m_stats.peakBytes)
        m_stats.peakBytes = m_stats.bytes;
}

std::uint32_t CListingCache::ClusterSize(const std::string& drive, std::uint32_t (*query)(const std::string&)) {
    const auto sameDrive = [&drive](const std::pair<std::string, std::uint32_t>& known) {
        return known.first.size() == drive.size() &&
               std::equal(drive.begin(), drive.end(), known.first.begin(), [](char a, char b) {
                   return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
               });
    };
    {
        std::lock_guard<std::mutex> hold(m_lock);
        const auto known = std::find_if(m_clusterSizes.begin(), m_clusterSizes.end(), sameDrive);
        if (known != m_clusterSizes.end())
            return known->second;
    }
    // Asked outside the lock: two threads asking at once both ask, and agree.
    const std::uint32_t size = query(drive);
    std::lock_guard<std::mutex> hold(m_lock);
    if (std::find_if(m_clusterSizes.begin(), m_clusterSizes.end(), sameDrive) == m_clusterSizes.end())
        m_clusterSizes.emplace_back(drive, size);
    return size;
}

void CListingCache::Clear() {
    std::unordered_map<std::wstring, std::shared_ptr<const CFolderListing>> dropped;
    std::lock_guard<std::mutex> hold(m_lock);
    dropped.swap(m_listings);
    m_stats.folders = 0;
    m_stats.entries = 0;
    m_stats.bytes = 0;
}

void CListingCache::CountListed() {
    std::lock_guard<std::mutex> hold(m_lock);
    ++m_stats.listed;
}

void CListingCache::CountServed() {
    std::lock_guard<std::mutex> hold(m_lock);
    ++m_stats.served;
}

CListingCacheStats CListingCache::Stats() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_stats;
}

} // namespace qs
