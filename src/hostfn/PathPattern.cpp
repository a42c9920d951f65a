// The path pattern rule and the two ways of reading the machine for it.
#include "hostfn/PathPattern.h"

#include "hostfn/EntryChange.h"
#include "hostfn/FolderWalk.h"
#include "hostfn/Masks.h"

#include <unordered_map>

namespace qs {
namespace {

// The folder `path` names, listed whole; false when it cannot be listed.
bool ListFolder(const std::wstring& path, std::vector<ListedName>& entries) {
    CFolderLister folder(path);
    if (!folder.Valid())
        return false;
    FolderEntry e;
    while (folder.Next(e)) {
        if (!IsSelfOrParent(e))
            entries.push_back(ListedName{std::wstring(e.name, e.chars), e.attributes});
    }
    return true;
}

// Whether anything matches the components from `level` on below the folder `path`.
bool ExistsBelow(const FolderPattern& pattern, CPathSource& source, const std::wstring& path, std::size_t level) {
    const std::vector<ListedName>* listed = source.List(path);
    if (listed == nullptr)
        return false;
    const std::wstring& component = pattern.components[level];
    const bool last = level + 1 == pattern.components.size();
    // The folders to go on with, gathered first: the source's listing holds only until its next call.
    std::vector<std::wstring> next;
    for (const ListedName& entry : *listed) {
        if (!MatchWildcardFolded(component, entry.name.data(), entry.name.size()))
            continue;
        if (last)
            return true;
        if (IsWalkableFolder(entry.attributes))
            next.push_back(entry.name);
    }
    std::wstring sub = path;
    if (sub.back() != L'\\')
        sub += L'\\';
    const std::size_t base = sub.size();
    for (const std::wstring& name : next) {
        if (IsCancelled())
            return false;
        sub.resize(base);
        sub += name;
        if (sub.size() < kMaxLongPathChars && ExistsBelow(pattern, source, sub, level + 1))
            return true;
    }
    return false;
}

class CDirectPathSource : public CPathSource {
public:
    bool Attributes(const std::wstring& path, DWORD& attributes) override {
        attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES;
    }
    const std::vector<ListedName>* List(const std::wstring& path) override {
        m_entries.clear();
        return ListFolder(path, m_entries) ? &m_entries : nullptr;
    }

private:
    std::vector<ListedName> m_entries;
};

// The number of characters of the drive or share part of a path ("C:\", "\\server\share").
std::size_t RootChars(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\')
        return 3;
    const std::size_t server = path.find(L'\\', 2);
    if (path.size() < 5 || path[0] != L'\\' || path[1] != L'\\' || server == std::wstring::npos)
        return path.size();
    const std::size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() : share;
}

class CListingPathSource : public CPathSource {
public:
    explicit CListingPathSource(std::unique_ptr<CPathSource> machine) : m_machine(std::move(machine)) {}

    bool Attributes(const std::wstring& path, DWORD& attributes) override {
        const std::size_t root = RootChars(path);
        const std::size_t slash = path.rfind(L'\\');
        if (path.size() <= root || slash == std::wstring::npos || slash + 1 == path.size()) {
            // The drive or share itself, asked once.
            const Listing& listing = Get(path);
            attributes = FILE_ATTRIBUTE_DIRECTORY;
            return listing.listed;
        }
        const std::wstring parent = path.substr(0, slash < root ? root : slash);
        const Listing& listing = Get(parent);
        const auto at = listing.byName.find(FoldedName(path.data() + slash + 1, path.size() - slash - 1));
        if (at == listing.byName.end())
            return false;
        attributes = listing.entries[at->second].attributes;
        return true;
    }

    const std::vector<ListedName>* List(const std::wstring& path) override {
        const Listing& listing = Get(path);
        return listing.listed ? &listing.entries : nullptr;
    }

private:
    struct Listing {
        std::vector<ListedName> entries;
        std::unordered_map<std::wstring, std::size_t> byName; // folded name -> entry
        bool listed = false;
    };

    // The listing of the folder `path`, read once: only when the folders above it list it as a
    // folder, so that a path below a missing folder costs no call at all.
    const Listing& Get(const std::wstring& path) {
        const std::wstring key = FoldedName(path.data(), path.size());
        const auto known = m_listings.find(key);
        if (known != m_listings.end())
            return known->second;
        Listing listing;
        DWORD attributes = 0;
        const std::size_t rootChars = RootChars(path);
        const bool root = path.size() <= rootChars || (path.size() == rootChars + 1 && path.back() == L'\\');
        const std::vector<ListedName>* listed =
            root || (Attributes(path, attributes) && IsDirectory(attributes)) ? m_machine->List(path) : nullptr;
        if (listed != nullptr) {
            listing.entries = *listed;
            listing.listed = true;
            for (std::size_t i = 0; i < listing.entries.size(); ++i)
                listing.byName.emplace(FoldedName(listing.entries[i].name.data(), listing.entries[i].name.size()), i);
        }
        return m_listings.emplace(key, std::move(listing)).first->second;
    }

    std::unique_ptr<CPathSource> m_machine;
    std::unordered_map<std::wstring, Listing> m_listings; // by folded path
};

} // namespace

bool PatternExists(const FolderPattern& pattern, CPathSource& source) {
    DWORD attributes = 0;
    if (pattern.components.empty())
        return source.Attributes(pattern.base, attributes);
    return ExistsBelow(pattern, source, pattern.base, 0);
}

std::unique_ptr<CPathSource> MakeDirectPathSource() { return std::make_unique<CDirectPathSource>(); }
std::unique_ptr<CPathSource> MakeListingPathSource(std::unique_ptr<CPathSource> machine) {
    return std::make_unique<CListingPathSource>(std::move(machine));
}

bool PathExistsIn(const std::string& pattern, CPathSource& source) {
    std::wstring wide;
    FolderPattern split;
    if (pattern.empty() || !ToWide(pattern, FileApiCodePage(), wide) || !SplitFolderPattern(wide, split))
        return false;
    return PatternExists(split, source);
}

bool PathExists(const std::string& pattern) {
    CDirectPathSource direct;
    return PathExistsIn(pattern, direct);
}

} // namespace qs
