// The job walk: one rule for what a job selects, shared by measuring, deleting and wiping.
#include "hostfn/FileJob.h"

#include "hostfn/EntryChange.h"
#include "hostfn/FileErase.h"
#include "hostfn/FolderWalk.h"
#include "hostfn/Masks.h"
#include "hostfn/ParallelWalk.h"
#include "hostfn/PathMacros.h"
#include "hostfn/SizeMeasure.h"

#include <windows.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <memory>

namespace qs {
namespace {

// 100 ns units per hour.
constexpr double kTicksPerHour = 3600.0 * 1e7;

std::int64_t Now() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

// Whether a folder that the job would remove once it is empty will be empty: anything below it
// that stays marks it, and every such folder above it, as staying. Only the folders the job
// would remove (those matched whole, and a root with removeSelf) have one.
struct Tally {
    Tally(std::shared_ptr<Tally> parent, std::wstring folderPath) : up(std::move(parent)), path(std::move(folderPath)) {}
    std::atomic<bool> stays{false};
    std::shared_ptr<Tally> up;
    std::wstring path; // for the recorder; empty when nothing records
};

void MarkStays(Tally* tally) {
    // Once set, every tally above is set already.
    while (tally && !tally->stays.exchange(true, std::memory_order_acq_rel))
        tally = tally->up.get();
}

// The selection of one job: the same object answers for the measuring, deleting and wiping
// walks, so they can never disagree.
class CJobRules {
public:
    CJobRules(const FileJob& job, UINT codePage)
        : recurse(job.recurse), removeSelf(job.removeSelf), byName(!job.files.empty()) {
        masks = SplitWideMaskList(byName ? job.files : job.masks, codePage);
        for (const std::string& piece : job.exclude) {
            std::wstring wide;
            // A piece that does not convert matches nothing; the caller has refused such a job.
            if (!piece.empty() && ToWide(piece, codePage, wide))
                exclude.push_back(std::move(wide));
        }
        if (job.minAgeHours > 0) {
            const double span = job.minAgeHours * kTicksPerHour;
            const double cutoff = static_cast<double>(Now()) - span;
            keptAfter = cutoff > 0 ? static_cast<std::int64_t>(cutoff) : -1; // -1: every file is young
            ageing = true;
        }
    }

    enum class Pick { Stays, Take, Enter };

    // What the job does with `e` (full path `path`) in a folder where `whole` says whether the
    // masks are met by every entry (a folder matched as a whole). For a folder it enters,
    // `innerWhole` says the same for inside it, and the folder is removed once emptied exactly
    // when it is true. Masks on bare names meet no folder: files are taken by their own names
    // alone, and a folder is removed once emptied only with removeSelf.
    Pick Decide(const FolderEntry& e, const std::wstring& path, const CKeepFilter& keep, bool whole,
                bool& innerWhole) const {
        if (keep.Keeps(path))
            return Pick::Stays;
        const bool folder = IsDirectory(e.attributes);
        if (!exclude.empty() && Excluded(path, folder))
            return Pick::Stays;
        if (IsReparsePoint(e.attributes))
            return Pick::Stays; // links are neither followed, counted nor removed
        if (folder) {
            if (!recurse)
                return Pick::Stays;
            innerWhole = byName ? removeSelf : whole || (!masks.empty() && MatchesMaskList(masks, path));
            return Pick::Enter;
        }
        if (byName ? !MatchesFileName(masks, e.name, e.chars) : !whole && !MatchesMaskList(masks, path))
            return Pick::Stays;
        if (ageing && e.lastWrite > keptAfter)
            return Pick::Stays;
        return Pick::Take;
    }

    WideMaskList masks; // on full paths, or on bare names when byName
    WideMaskList exclude;
    bool recurse;
    bool removeSelf;
    bool byName;

private:
    // A folder is tested both as its path and with a trailing backslash, so that "...\Sub\" and
    // "...\Sub\*" name the folder Sub itself.
    bool Excluded(const std::wstring& path, bool folder) const {
        if (MatchesFolded(exclude, path.data(), path.size()))
            return true;
        if (!folder)
            return false;
        std::wstring slash = path;
        slash += L'\\';
        return MatchesFolded(exclude, slash.data(), slash.size());
    }
    static bool MatchesFolded(const WideMaskList& list, const wchar_t* text, std::size_t chars) {
        for (const std::wstring& m : list) {
            if (MatchWildcardFolded(m, text, chars))
                return true;
        }
        return false;
    }

    bool ageing = false;
    std::int64_t keptAfter = 0;
};

enum class JobAction { Measure, Delete, Wipe };

bool IsReadOnly(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_READONLY) != 0; }

// The job's walk below one root, one object per thread. Measuring sums and records what the
// deleting walk removes; wiping overwrites each file first.
class CJobWalk {
public:
    struct State {
        bool whole = false;
        std::shared_ptr<Tally> tally; // of this folder, when the job would remove it
    };

    CJobWalk(const CJobRules& rules, const CKeepFilter& keep, JobAction action, std::uint32_t cluster,
             std::uint32_t passes, CCountedSink& sink)
        : m_rules(rules), m_keep(keep), m_action(action), m_cluster(cluster), m_passes(passes), m_sink(sink) {}

    bool Visit(const FolderEntry& e, const std::wstring& path, CFolderLister& folder, const State& state,
               State& inner) {
        if (m_action != JobAction::Measure && !folder.Verified()) {
            MarkStays(state.tally.get());
            return false; // a link took the place of the folder: nothing in it is touched
        }
        bool innerWhole = false;
        switch (m_rules.Decide(e, path, m_keep, state.whole, innerWhole)) {
        case CJobRules::Pick::Stays:
            MarkStays(state.tally.get());
            return false;
        case CJobRules::Pick::Enter:
            inner.whole = innerWhole;
            if (innerWhole) {
                inner.tally = std::make_shared<Tally>(state.tally, m_sink.Wanted() ? path : std::wstring());
            } else {
                inner.tally.reset();
                MarkStays(state.tally.get()); // a folder not matched whole is never removed
            }
            return true;
        case CJobRules::Pick::Take:
            break;
        }
        if (!Take(e, path, folder))
            MarkStays(state.tally.get());
        return false;
    }

    void Leave(CFolderLister& folder, const State& inner) {
        if (!Removable(inner))
            return;
        if (m_action == JobAction::Measure)
            CountFolder(*inner.tally);
        else
            folder.ChangeListedEntry(kRemove); // succeeds only when the folder is now empty
    }
    void LeaveNamed(CFolderLister& folder, const wchar_t* name, std::size_t chars, const State& inner) {
        if (!Removable(inner))
            return;
        if (m_action == JobAction::Measure)
            CountFolder(*inner.tally);
        else
            folder.ChangeNamedEntry(name, chars, kRemove);
    }

    void CountFolder(const Tally& tally) {
        ++count;
        m_sink.Counted(tally.path, 0);
    }

    std::uint64_t size = 0;
    std::uint32_t count = 0;

private:
    static bool Removable(const State& inner) {
        return inner.whole && inner.tally && !inner.tally->stays.load(std::memory_order_acquire);
    }

    // Measures, deletes or wipes one selected file; false when it is sure to stay.
    bool Take(const FolderEntry& e, const std::wstring& path, CFolderLister& folder) {
        switch (m_action) {
        case JobAction::Measure: {
            if (folder.NameChars() > kMayBeUnnameableChars &&
                !folder.OpenListedEntry(FILE_READ_ATTRIBUTES, kShareAll, kOpenAnyOptions))
                return false;
            const std::uint64_t onDrive =
                SizeOnDriveOf(e.attributes, e.length, m_cluster, [&folder](std::uint64_t& compressed) {
                    return CompressedSizeOf(
                        folder.OpenListedEntry(FILE_READ_ATTRIBUTES, kShareAll, kOpenFileOptions).Get(), compressed);
                });
            ++count;
            size += onDrive;
            m_sink.Counted(path, onDrive);
            return true;
        }
        case JobAction::Delete:
            return folder.ChangeListedEntry((IsReadOnly(e.attributes) ? kClearReadOnly : 0) | kRemove);
        case JobAction::Wipe:
            // A read-only file is wiped like any other, as the deleting walk removes it.
            if (IsReadOnly(e.attributes) && !folder.ChangeListedEntry(kClearReadOnly))
                return false;
            if (e.length == 0)
                return folder.ChangeListedEntry(kRemove); // nothing to overwrite
            return WipeListedFile(folder, m_passes);
        }
        return false;
    }

    const CJobRules& m_rules;
    const CKeepFilter& m_keep;
    const JobAction m_action;
    const std::uint32_t m_cluster;
    const std::uint32_t m_passes;
    CCountedSink& m_sink;
};

// Calls `each` for every root of the pattern, with the listers it was found through still open.
// Below the base, a wildcard component is matched against the listed names of walkable folders
// (links and reparse points never match); a plain component is opened relative to the folder
// before it, never through a link. With `listings` (measuring only), the folders matched against
// are listed through that cache, and each root carries it to its walk.
class CRootFinder {
public:
    using Each = std::function<void(const WalkRoot&)>;

    CRootFinder(const FolderPattern& pattern, const Each& each, CListingCache* listings = nullptr)
        : m_pattern(pattern), m_each(each), m_listings(listings) {}

    void Run() {
        if (m_pattern.components.empty()) {
            m_each(WalkRoot{m_pattern.base, nullptr, std::wstring(), m_listings});
            return;
        }
        CFolderLister base(m_pattern.base);
        if (base.Valid())
            Descend(base, m_pattern.base, 0);
    }

private:
    void Descend(CFolderLister& folder, const std::wstring& path, std::size_t level) {
        const std::wstring& component = m_pattern.components[level];
        const bool last = level + 1 == m_pattern.components.size();
        std::vector<std::wstring> names;
        if (HasWildcard(component)) {
            // Listed whole first: what is done below a match never runs while its folder lists.
            folder.ListThrough(m_listings, path.data(), path.size());
            FolderEntry entry;
            while (folder.Next(entry)) {
                if (IsCancelled())
                    return;
                if (!IsWalkableFolder(entry.attributes) || IsSelfOrParent(entry))
                    continue;
                if (MatchWildcardFolded(component, entry.name, entry.chars))
                    names.emplace_back(entry.name, entry.chars);
            }
            folder.StoreListing(path.data(), path.size());
        } else {
            names.push_back(component);
        }
        std::wstring sub = path;
        if (sub.back() != L'\\')
            sub += L'\\';
        const std::size_t base = sub.size();
        for (const std::wstring& name : names) {
            if (IsCancelled())
                return;
            sub.resize(base);
            sub += name;
            if (sub.size() >= kMaxLongPathChars)
                continue;
            if (last) {
                m_each(WalkRoot{sub, &folder, name, m_listings});
                continue;
            }
            CFolderLister inner(folder, name.data(), name.size(), kDeepBatchBytes);
            if (inner.Valid())
                Descend(inner, sub, level + 1);
        }
    }

    const FolderPattern& m_pattern;
    const Each& m_each;
    CListingCache* const m_listings;
};

// True when the root opens as a folder of its own (not a link in its place): only such a root
// is removed once emptied.
bool RemovableRoot(const WalkRoot& root) {
    if (!OpenWalkRoot(root, kDeepBatchBytes)->Valid())
        return false;
    if (root.parent)
        return true; // opened relative to its parent, never through a link
    const DWORD attributes = GetFileAttributesW(root.path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && IsWalkableFolder(attributes);
}

// Removes the folder that a walk root names once it is empty, never a link in its place.
void RemoveRoot(const WalkRoot& root) {
    if (root.parent) {
        root.parent->ChangeNamedEntry(root.name.data(), root.name.size(), kRemove);
        return;
    }
    std::wstring path = root.path;
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    const std::size_t last = path.rfind(L'\\');
    if (last == std::wstring::npos || last + 1 >= path.size())
        return;
    CFolderLister parent(path.substr(0, last == 2 ? 3 : last));
    if (!parent.Valid())
        return;
    const std::wstring name = path.substr(last + 1);
    // Opened as itself: a link in the root's place shows its reparse point and stays.
    Handle h = parent.OpenEntry(name.data(), name.size(), DELETE | FILE_READ_ATTRIBUTES, kShareAll, kOpenFolderOptions);
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!h || !GetFileInformationByHandleEx(h.Get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(h.Get(), FileDispositionInfo, &disposition, sizeof disposition);
}

void RunJob(const CWalkScope& scope, const FileJob& job, JobAction action, std::uint32_t passes,
            std::uint64_t& size, std::uint32_t& count) {
    size = 0;
    count = 0;
    std::wstring pattern;
    FolderPattern split;
    if (job.folder.empty() || !ToWide(job.folder, FileApiCodePage(), pattern) || !SplitFolderPattern(pattern, split))
        return;
    const CJobRules rules(job, FileApiCodePage());
    CCountedSink sink(action == JobAction::Measure ? scope.recorder : nullptr);
    const unsigned threads = scope.threads != 0 ? scope.threads : WalkThreads();
    const std::uint32_t cluster = action == JobAction::Measure ? ClusterSizeOfPath(scope, job.folder) : 0;
    CRootFinder(split, [&](const WalkRoot& root) {
        const CKeepFilter keep(scope.keep, root.path);
        if (keep.RootKept())
            return;
        CJobWalk::State state;
        if (rules.removeSelf)
            state.tally = std::make_shared<Tally>(nullptr, sink.Wanted() ? root.path : std::wstring());
        // Without recursion there is one folder to list: one thread.
        std::vector<CJobWalk> walks(rules.recurse && threads > 1 ? threads : 1,
                                    CJobWalk(rules, keep, action, cluster, passes, sink));
        // A root that cannot be listed, or a link in the root's place, is not removed: nothing
        // says that it is empty, or it is no folder of its own.
        if (state.tally && !RemovableRoot(root))
            state.tally.reset();
        const bool finished = WalkFolderTreeParallel(root, state, walks);
        for (const CJobWalk& walk : walks) {
            size += walk.size;
            count += walk.count;
        }
        if (!finished || !state.tally || state.tally->stays.load(std::memory_order_acquire))
            return;
        if (action == JobAction::Measure) {
            ++count;
            sink.Counted(state.tally->path, 0);
        } else {
            RemoveRoot(root);
        }
    }, action == JobAction::Measure ? scope.listings : nullptr).Run();
}

} // namespace

bool HasWildcard(const std::wstring& component) { return component.find_first_of(L"*?") != std::wstring::npos; }

bool SplitFolderPattern(const std::wstring& pattern, FolderPattern& split) {
    split = FolderPattern();
    std::wstring text = pattern;
    for (wchar_t& c : text) {
        if (c == L'/')
            c = L'\\';
    }
    // The drive or share part: "C:\" or "\\server\share".
    std::size_t rootEnd = 0;
    if (text.size() >= 3 && text[1] == L':' && text[2] == L'\\') {
        rootEnd = 3;
    } else if (text.size() >= 5 && text[0] == L'\\' && text[1] == L'\\') {
        const std::size_t server = text.find(L'\\', 2);
        if (server == std::wstring::npos || server == 2)
            return false;
        const std::size_t share = text.find(L'\\', server + 1);
        rootEnd = share == std::wstring::npos ? text.size() : share + 1;
    } else {
        return false;
    }
    if (HasWildcard(text.substr(0, rootEnd)))
        return false;
    std::vector<std::wstring> parts;
    for (std::size_t start = rootEnd; start < text.size();) {
        std::size_t end = text.find(L'\\', start);
        if (end == std::wstring::npos)
            end = text.size();
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::size_t first = 0;
    while (first < parts.size() && !HasWildcard(parts[first]))
        ++first;
    std::wstring base = text.substr(0, rootEnd);
    for (std::size_t i = 0; i < first; ++i) {
        if (base.back() != L'\\')
            base += L'\\';
        base += parts[i];
    }
    for (std::size_t i = first; i < parts.size(); ++i) {
        // Below a match, "." and ".." would lead out of the folder that matched.
        if (parts[i] == L"." || parts[i] == L"..")
            return false;
        split.components.push_back(parts[i]);
    }
    split.base = std::move(base);
    return true;
}

void MeasureFiles(const CWalkScope& scope, const FileJob& job, std::uint64_t& size, std::uint32_t& count) {
    RunJob(scope, job, JobAction::Measure, 0, size, count);
}

void DeleteFiles(const CWalkScope& scope, const FileJob& job) {
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    RunJob(scope, job, JobAction::Delete, 0, size, count);
}

void WipeFiles(const CWalkScope& scope, const FileJob& job, std::uint32_t passes) {
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    RunJob(scope, job, JobAction::Wipe, passes, size, count);
}

} // namespace qs
