// Refresh All of 400 rule-file entries whose jobs share the folders of one profile, through the
// real rule reader, rows and refresh pass, against one plain one-thread walk of the folders they
// name together; with the pass's listing cache and without it.
//   bench_refresh [--quick] [--threads=N] PROFILE
// PROFILE is a tree made by make_tree. The entries name some of its second-level folders whole
// and, far more often, folders inside those (any depth, masks, recursion, excludes, a wildcard
// with removal of what it empties), as rules of many programs under one user profile do.
#include "BenchCommon.h"
#include "PlainWalk.h"

#include "engine/Passes.h"
#include "engine/Winapp2Rows.h"
#include "hostfn/ParallelWalk.h"
#include "hostfn/SizeMeasure.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

using namespace qs::bench;

// Every block the program holds through operator new, counted as the heap gives it: what the
// pass's listing cache costs in memory is measured, not only estimated.
namespace {
std::atomic<long long> g_heldBytes{0};
}

void* operator new(std::size_t bytes) {
    void* p = std::malloc(bytes != 0 ? bytes : 1);
    if (!p)
        throw std::bad_alloc();
    g_heldBytes += static_cast<long long>(_msize(p));
    return p;
}
void operator delete(void* p) noexcept {
    if (p) {
        g_heldBytes -= static_cast<long long>(_msize(p));
        std::free(p);
    }
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void* operator new[](std::size_t bytes) { return operator new(bytes); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace {

// One folder of the profile: its path relative to the profile, its depth and its parent.
struct Folder {
    std::string relative; // "" for the profile itself
    int depth = 0;
    int parent = -1;
    std::uint64_t files = 0; // in it and below it
};

void ListFolders(const std::string& root, int index, std::vector<Folder>& folders) {
    WIN32_FIND_DATAA d;
    const std::string base = folders[index].relative.empty() ? root : root + "\\" + folders[index].relative;
    HANDLE find = FindFirstFileA((base + "\\*").c_str(), &d);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> subs;
    do {
        const char* n = d.cFileName;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            subs.push_back(n);
        else
            ++folders[index].files;
    } while (FindNextFileA(find, &d));
    FindClose(find);
    for (const std::string& s : subs) {
        Folder f;
        f.relative = folders[index].relative.empty() ? s : folders[index].relative + "\\" + s;
        f.depth = folders[index].depth + 1;
        f.parent = index;
        folders.push_back(f);
        const int child = static_cast<int>(folders.size()) - 1;
        ListFolders(root, child, folders);
        folders[index].files += folders[child].files;
    }
}

bool Below(const std::vector<Folder>& folders, int folder, int ancestor) {
    for (int f = folder; f >= 0; f = folders[f].parent)
        if (f == ancestor)
            return true;
    return false;
}

std::uint64_t g_state = 0x5157534545504552ull;
std::uint64_t Next() {
    g_state ^= g_state >> 12;
    g_state ^= g_state << 25;
    g_state ^= g_state >> 27;
    return g_state * 0x2545F4914F6CDD1Dull;
}

// The rule file: `entries` entries over `folders`, and the folders they name together (none
// below another).
std::string MakeRules(const std::vector<Folder>& folders, int entries, std::vector<int>& unionRoots) {
    // Second-level folders, in a fixed random order, taken whole until they hold about half the
    // profile's files: the programs' folders.
    std::vector<int> candidates;
    for (int i = 0; i < static_cast<int>(folders.size()); ++i)
        if (folders[i].depth == 2)
            candidates.push_back(i);
    for (std::size_t i = candidates.size(); i > 1; --i)
        std::swap(candidates[i - 1], candidates[Next() % i]);
    std::uint64_t covered = 0;
    for (int c : candidates) {
        if (covered * 2 >= folders[0].files || unionRoots.size() >= 40)
            break;
        unionRoots.push_back(c);
        covered += folders[c].files;
    }
    if (unionRoots.empty())
        return std::string();
    std::vector<std::vector<int>> inside(unionRoots.size());
    for (int i = 0; i < static_cast<int>(folders.size()); ++i)
        for (std::size_t r = 0; r < unionRoots.size(); ++r)
            if (Below(folders, i, unionRoots[r]))
                inside[r].push_back(i);

    static const char* const kMasks[] = {"*.*", "*.tmp", "*.log;*.bak", "*.cache", "*.dat;*.txt"};
    std::string text = "; Made by bench_refresh: programs under one profile, many of them sharing folders.\n";
    const std::string root = "%QS_BENCH_PROFILE%\\";
    for (int e = 0; e < entries; ++e) {
        const std::size_t r = static_cast<std::size_t>(e) % unionRoots.size();
        // The first entry of each program names its folder whole; the others a folder in it.
        const bool whole = e < static_cast<int>(unionRoots.size());
        const int named = whole ? unionRoots[r] : inside[r][Next() % inside[r].size()];
        const std::string folder = root + folders[named].relative;
        char head[64];
        std::snprintf(head, sizeof head, "\n[Bench Program %03d *]\n", e);
        text += head;
        text += "LangSecRef=3021\n";
        text += "DetectFile=" + root + folders[unionRoots[r]].relative + "\n";
        const unsigned kind = static_cast<unsigned>(Next() % 10);
        if (whole) {
            text += "FileKey1=" + folder + "|*.*|RECURSE\n";
        } else if (kind == 0 && folders[named].depth < 6) {
            // Every subfolder of the named one: each a root, removed once emptied.
            text += "FileKey1=" + folder + "\\d*|*.*|REMOVESELF\n";
        } else {
            // With recursion a rule takes every file (the only exact reading of masks with it).
            const char* masks = kind < 7 ? "*.*" : kMasks[Next() % (sizeof kMasks / sizeof kMasks[0])];
            text += "FileKey1=" + folder + "|" + masks + (kind < 7 ? "|RECURSE\n" : "\n");
            if (kind == 3)
                text += "FileKey2=" + folder + "|*.log\n";
            if (kind == 4 || kind == 5)
                text += "ExcludeKey1=PATH|" + folder + "\\|*.dat\n";
        }
    }
    return text;
}

// No row was checked before.
class CNoSelection : public qs::CSelectionStore {
public:
    bool Contains(const std::string&) const override { return false; }
    void Add(const std::string&) override {}
    void ClearSelected() override {}
};

// Sums the plugin rows' figures after a pass.
void Totals(const qs::CScriptRow* row, std::uint64_t& size, std::uint64_t& count) {
    for (const qs::CScriptRow* child = row->firstChild; child != nullptr; child = child->nextSibling) {
        if (!child->isGroup && child->userData != nullptr) {
            size += child->userData->Size();
            count += child->userData->FileCount();
        }
        Totals(child, size, count);
    }
}

// Hears the pass, and reads at every row how much the heap holds beyond what it held at the start.
class CHeldBytes : public qs::CPassObserver {
public:
    void OnPassStarted(qs::CPassKind, const qs::CScriptRow&) override { start = g_heldBytes.load(); }
    void OnRowStarting(qs::CPassKind, const qs::CScriptRow&) override { rowStart = Seconds(); }
    void OnProgress(const qs::CScriptRow&) override {
        peak = std::max(peak, g_heldBytes.load() - start);
        rowTimes.push_back(Seconds() - rowStart);
    }
    long long start = 0, peak = 0;
    double rowStart = 0;
    std::vector<double> rowTimes;
};

} // namespace

int main(int argc, char** argv) {
    const bool quick = HasFlag(argc, argv, "--quick");
    const auto args = Positional(argc, argv);
    if (args.empty()) {
        std::fprintf(stderr, "usage: bench_refresh [--quick] PROFILE\n");
        return 2;
    }
    const std::string profile = args[0];
    const int rounds = quick ? 2 : 3;
    const int entries = 400;

    std::vector<Folder> folders(1);
    ListFolders(profile, 0, folders);
    std::vector<int> unionRoots;
    const std::string rules = MakeRules(folders, entries, unionRoots);
    if (unionRoots.empty()) {
        std::fprintf(stderr, "no second-level folders in %s\n", profile.c_str());
        return 2;
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string rulesFile = std::string(temp) + "qs-bench-winapp2.ini";
    if (FILE* f = std::fopen(rulesFile.c_str(), "wb")) {
        std::fwrite(rules.data(), 1, rules.size(), f);
        std::fclose(f);
    } else {
        return 1;
    }
    SetEnvironmentVariableA("QS_BENCH_PROFILE", profile.c_str());

    qs::CLuaVirtualMachine vm;
    if (!vm.Open())
        return 1;
    qs::CScriptsModel rows;
    CNoSelection none;
    const qs::Winapp2Load load = qs::AddWinapp2Rows(vm, rows, none, rulesFile, false);
    if (load.rows != static_cast<unsigned>(entries)) {
        std::fprintf(stderr, "%u of %d entries became rows (%zu problems, %zu refused, %u not detected)\n", load.rows,
                     entries, load.problems.size(), load.refused.size(), load.notDetected);
        return 1;
    }
    std::uint64_t unionFiles = 0;
    std::vector<std::wstring> unionPaths;
    for (int r : unionRoots) {
        unionFiles += folders[r].files;
        unionPaths.push_back(std::wstring(profile.begin(), profile.end()) + L"\\" +
                             std::wstring(folders[r].relative.begin(), folders[r].relative.end()));
    }
    const std::uint32_t cluster = qs::ClusterSizeOfPath(profile);
    // Automatic, as the program runs, unless --threads=N says otherwise.
    unsigned threadCap = 0;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--threads=", 10) == 0)
            threadCap = static_cast<unsigned>(std::atoi(argv[i] + 10));
    qs::SetWalkThreadCap(threadCap);

    const auto plainWalk = [&] {
        WalkTotals t;
        for (const std::wstring& p : unionPaths)
            WalkNt(p, cluster, t);
        return t;
    };
    const auto refresh = [&](bool cache, qs::CListingCacheStats* stats, CHeldBytes& observer) {
        qs::CPassOptions options;
        options.listingCache = cache;
        options.listingStats = stats;
        qs::RunRefreshPass(*rows.GetRootItem(), options, observer);
        std::uint64_t size = 0, count = 0;
        Totals(rows.GetRootItem(), size, count);
        return std::make_pair(size, count);
    };

    plainWalk(); // both read a warm file system
    double plain = 1e30, cached = 1e30, live = 1e30;
    qs::CListingCacheStats stats;
    CHeldBytes held;
    std::vector<double> liveRowTimes;
    bool same = true;
    WalkTotals walked;
    std::pair<std::uint64_t, std::uint64_t> withCache, without;
    // The contenders take turns round by round, so that none gains from the order.
    for (int r = 0; r < rounds; ++r) {
        double start = Seconds();
        walked = plainWalk();
        plain = std::min(plain, Seconds() - start);
        start = Seconds();
        CHeldBytes observer;
        withCache = refresh(true, &stats, observer);
        const double elapsed = Seconds() - start;
        if (elapsed < cached)
            held.rowTimes = observer.rowTimes; // the best round's
        cached = std::min(cached, elapsed);
        held.peak = std::max(held.peak, observer.peak);
        start = Seconds();
        CHeldBytes uncached;
        without = refresh(false, nullptr, uncached);
        const double elapsedLive = Seconds() - start;
        if (elapsedLive < live)
            liveRowTimes = uncached.rowTimes;
        live = std::min(live, elapsedLive);
        same = same && withCache == without;
    }
    std::printf("profile: %llu files in %zu folders; %d entries over %zu program folders holding %llu files "
                "(the plain walk found %llu files in %llu folders)\n",
                static_cast<unsigned long long>(folders[0].files), folders.size(), entries, unionRoots.size(),
                static_cast<unsigned long long>(unionFiles), static_cast<unsigned long long>(walked.files),
                static_cast<unsigned long long>(walked.folders + unionPaths.size()));
    std::printf("plain one-thread native-query walk of the folders named together: %.3f s\n", plain);
    std::printf("Refresh All with the listing cache: %.3f s, %.3fx the plain walk (goal <= 1.5)\n", cached,
                cached / plain);
    std::printf("Refresh All listing every folder live: %.3f s, %.3fx the plain walk\n", live, live / plain);
    std::printf("listing cache: %zu folders listed, %zu listings read back; peak %zu entries in %zu folders\n",
                stats.listed, stats.served, stats.peakEntries, stats.folders);
    // Where the pass with the cache spends its time: the rows that list the program folders
    // first, and the rest, which read what those listed.
    double first = 0, rest = 0;
    std::vector<double> restTimes;
    for (std::size_t i = 0; i < held.rowTimes.size(); ++i) {
        (i <= unionRoots.size() ? first : rest) += held.rowTimes[i];
        if (i > unionRoots.size())
            restTimes.push_back(held.rowTimes[i]);
    }
    double firstLive = 0;
    for (std::size_t i = 0; i < liveRowTimes.size() && i <= unionRoots.size(); ++i)
        firstLive += liveRowTimes[i];
    std::sort(restTimes.begin(), restTimes.end());
    if (!restTimes.empty())
        std::printf(
            "  of which the %zu rows naming the program folders whole (listing them): %.3f s (%.3f s in the pass "
            "without the cache); the other %zu rows: %.3f s (median %.2f ms a row)\n",
            unionRoots.size(), first, firstLive, restTimes.size(), rest, restTimes[restTimes.size() / 2] * 1000);
    const double accounted = stats.peakEntries ? static_cast<double>(stats.peakBytes) / stats.peakEntries : 0;
    const double measured = stats.peakEntries ? static_cast<double>(held.peak) / stats.peakEntries : 0;
    std::printf("bytes per cached entry: %.1f as the cache accounts them, %.1f as the heap held them during the pass "
                "(goal about 100)\n",
                accounted, measured);
    std::printf("totals with and without the cache: %llu bytes in %llu entries, %s\n",
                static_cast<unsigned long long>(withCache.first), static_cast<unsigned long long>(withCache.second),
                same ? "the same" : "DIFFERENT");
    std::printf("RESULT plain=%.6f cached=%.6f live=%.6f entries=%zu bytes=%.1f heap=%.1f\n", plain, cached, live,
                stats.peakEntries, accounted, measured);
    std::remove(rulesFile.c_str());
    return same && withCache.second > 0 ? 0 : 3;
}
