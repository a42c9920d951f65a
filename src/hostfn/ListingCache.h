// The listings of one refresh pass: each folder its measuring walks list is listed once, and
// every later walk through that folder in the pass reads the listing kept here.
#pragma once

#include "hostfn/FolderWalk.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace qs {

// Which folder a listing is of, as the file system tells it through the folder's handle: its
// file id within its volume (the path it is keyed by names the volume). Two paths that fold to
// one key yet name two folders (names differing only in letter case where the file system tells
// them apart, side by side in one folder) never share a listing. The id is the file system's
// cheapest answer about an open handle; the fuller FileIdInformation costs a thousand times
// more under Wine, about as much as listing a small folder again.
struct CFolderIdentity {
    std::uint64_t fileId = 0;
    bool operator==(const CFolderIdentity& o) const { return fileId == o.fileId; }
};

// One folder's listing in one packed block: per entry its length, last write time, attributes,
// name length and the name exactly as the file system listed it, in listing order, "." and ".."
// left out. Never changed once made.
class CFolderListing {
public:
    // Bytes of one entry before its name.
    static constexpr std::size_t kEntryHeader = 8 + 8 + 4 + 2;

    CFolderListing(const CFolderIdentity& identity, const std::vector<unsigned char>& packed, std::size_t count);
    CFolderListing(const CFolderListing&) = delete;
    CFolderListing& operator=(const CFolderListing&) = delete;

    const CFolderIdentity& Identity() const { return m_identity; }
    std::size_t Count() const { return m_count; }
    std::size_t PackedBytes() const { return m_size; }

    // The entry at `offset` (0 for the first), then `offset` moves to the next; false at the end.
    // `entry.name` points into this block.
    bool Read(std::size_t& offset, FolderEntry& entry) const;

    // Appends one entry to a block being packed; false for a name too long to pack.
    static bool Pack(std::vector<unsigned char>& packed, const FolderEntry& entry);

private:
    CFolderIdentity m_identity;
    std::size_t m_count;
    std::size_t m_size;
    std::unique_ptr<unsigned char[]> m_bytes;
};

// What a cache held and did, for tests and benchmarks.
struct CListingCacheStats {
    std::size_t listed = 0;      // folders listed live to be kept (a folder listed twice counts twice)
    std::size_t served = 0;      // listings read from the cache instead of the file system
    std::size_t folders = 0;     // folders held now
    std::size_t entries = 0;     // entries held now
    std::size_t bytes = 0;       // bytes held now: blocks, keys and bookkeeping, allocator's share included
    std::size_t peakEntries = 0; // the most entries held at once
    std::size_t peakBytes = 0;   // the most bytes held at once
};

// The listings of one pass, keyed by the folder's full path as the walk reached it (the text the
// walk started from followed by listed names, never a path rebuilt from a converted name),
// compared without letter case as the file system compares names, and checked against the
// folder's identity. Owned by whoever runs the pass, handed to the measuring walks through their
// scope, dropped at the end of the pass and cleared by anything that changes files meanwhile:
// a listing kept here is what the folder held when it was listed. Changing walks never read it.
// Safe to use from several threads at once (the parallel walks fill it from every thread).
class CListingCache {
public:
    CListingCache() = default;
    CListingCache(const CListingCache&) = delete;
    CListingCache& operator=(const CListingCache&) = delete;

    // The listing kept for the folder `path` (trailing backslashes ignored), or null.
    std::shared_ptr<const CFolderListing> Find(const wchar_t* path, std::size_t chars) const;
    // Keeps `listing` for `path`; a folder already kept stays as it was.
    void Store(const wchar_t* path, std::size_t chars, std::shared_ptr<const CFolderListing> listing);
    // Drops every listing (the counts of what was listed, served and held at most stay).
    void Clear();

    void CountListed();
    void CountServed();
    CListingCacheStats Stats() const;

    // The cluster size of the volume `drive` names ("C:", compared without letter case), asked of
    // `query` the first time in the pass: a volume's clusters do not change when files do, so
    // Clear leaves it.
    std::uint32_t ClusterSize(const std::string& drive, std::uint32_t (*query)(const std::string&));

private:
    static std::wstring Key(const wchar_t* path, std::size_t chars);
    static std::size_t HeldBytes(const std::wstring& key, const CFolderListing& listing);

    mutable std::mutex m_lock;
    std::unordered_map<std::wstring, std::shared_ptr<const CFolderListing>> m_listings;
    CListingCacheStats m_stats;
    std::vector<std::pair<std::string, std::uint32_t>> m_clusterSizes; // a drive each: few

};

} // namespace qs
