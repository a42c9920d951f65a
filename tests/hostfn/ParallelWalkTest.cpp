// The folder walk on several threads: every entry once, a folder left only after everything below
// it, the same totals at every thread count, cancellation on every thread, and no link entered.
// The other walk tests run once more with QS_WALK_THREADS=4 (tests/CMakeLists.txt).
#include "hostfn/Cancellation.h"
#include "hostfn/EntryChange.h"
#include "hostfn/ParallelWalk.h"
#include "hostfn/SizeMeasure.h"
#include "support/TempDir.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

using qs::test::Wide;

// The thread cap of the host functions for this run of the tests: QS_WALK_THREADS, else 1.
class WalkThreadsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const char* text = std::getenv("QS_WALK_THREADS");
        qs::SetWalkThreadCap(text ? static_cast<unsigned>(std::atoi(text)) : 1);
    }
};
[[maybe_unused]] const auto* const g_walkThreads = ::testing::AddGlobalTestEnvironment(new WalkThreadsEnvironment);

TEST(WalkThreadCount, CapOrOnePerProcessorWithinOneToEight) {
    struct Row {
        unsigned cap, processors, threads;
    };
    for (const Row& r : {Row{0, 2, 2}, Row{0, 16, 8}, Row{0, 0, 1}, Row{1, 16, 1}, Row{4, 2, 4}, Row{100, 2, 8}})
        EXPECT_EQ(qs::WalkThreadCount(r.cap, r.processors), r.threads) << r.cap << " on " << r.processors;
}

// 12 folders of 3 subfolders, each holding 4 files: 12 * (1 + 3 + 12) + 1 entries.
void MakeWideTree(const std::string& root) {
    for (int a = 0; a < 12; ++a)
        for (int b = 0; b < 3; ++b)
            for (int f = 0; f < 4; ++f)
                qs::test::WriteBytes(root + "\\d" + std::to_string(a) + "\\s" + std::to_string(b) + "\\f" +
                                         std::to_string(f) + ".tmp",
                                     static_cast<std::uint64_t>(100 * f + 1));
    qs::test::WriteBytes(root + "\\top.tmp", 7);
}
constexpr std::size_t kWideTreeEntries = 12 * (1 + 3 + 12) + 1;

// Records, in one order over all threads, when each entry was visited and each folder left.
struct Journal {
    std::mutex lock;
    long next = 0;
    std::map<std::wstring, long> visited, left;
    std::atomic<int> visits{0}, leavesAfterCancel{0};
    int cancelAt = -1;
};

struct Recorder {
    using State = std::wstring; // the folder's path
    Journal* journal;
    bool Visit(const qs::FolderEntry& e, const std::wstring& path, qs::CFolderLister&, const State&, State& inner) {
        {
            std::lock_guard<std::mutex> hold(journal->lock);
            EXPECT_EQ(journal->visited.count(path), 0u) << qs::test::Printable(path) << " visited twice";
            journal->visited[path] = journal->next++;
        }
        if (++journal->visits == journal->cancelAt)
            qs::CancelledFlag() = true;
        inner = path;
        return qs::IsWalkableFolder(e.attributes);
    }
    void Leave(qs::CFolderLister&, const State&) {}
    void LeaveNamed(qs::CFolderLister&, const wchar_t*, std::size_t, const State& inner) {
        if (qs::IsCancelled())
            ++journal->leavesAfterCancel;
        std::lock_guard<std::mutex> hold(journal->lock);
        journal->left[inner] = journal->next++;
    }
};

TEST(WalkFolderTreeParallel, EveryEntryOnceAndEachFolderLeftAfterEverythingBelowIt) {
    qs::test::TempDir dir;
    MakeWideTree(dir.Path());
    Journal journal;
    std::vector<Recorder> walkers(4, Recorder{&journal});
    EXPECT_TRUE(qs::WalkFolderTreeParallel(Wide(dir.Path()), std::wstring(), walkers));
    EXPECT_EQ(journal.visited.size(), kWideTreeEntries);
    EXPECT_EQ(journal.left.size(), 12u * 4u);
    for (const auto& [folder, leftAt] : journal.left) {
        ASSERT_EQ(journal.visited.count(folder), 1u);
        for (const auto& [path, at] : journal.visited) {
            if (path.compare(0, folder.size() + 1, folder + L"\\") != 0)
                continue;
            EXPECT_LT(at, leftAt) << qs::test::Printable(path) << " visited after its folder was left";
            const auto inner = journal.left.find(path);
            if (inner != journal.left.end()) {
                EXPECT_LT(inner->second, leftAt) << qs::test::Printable(path) << " left after its folder";
            }
        }
    }
}

TEST(WalkFolderTreeParallel, SameTotalsAtEveryThreadCount) {
    qs::test::TempDir dir;
    MakeWideTree(dir.Path());
    std::uint64_t size1 = 0;
    std::uint32_t count1 = 0;
    qs::MeasureFolder(dir.Path(), "", true, size1, count1, 1);
    EXPECT_EQ(count1, 12u * 3u * 4u + 1u);
    for (const std::string masks : {"", "*.tmp", "*\\s1;*\\f0.tmp"}) {
        qs::MeasureFolder(dir.Path(), masks, true, size1, count1, 1);
        for (unsigned threads : {2u, 4u, 8u}) {
            std::uint64_t size = 0;
            std::uint32_t count = 0;
            qs::MeasureFolder(dir.Path(), masks, true, size, count, threads);
            EXPECT_EQ(size, size1) << "'" << masks << "' on " << threads << " threads";
            EXPECT_EQ(count, count1) << "'" << masks << "' on " << threads << " threads";
        }
    }
}

// The threads of this process now.
int ThreadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    int threads = 0;
    THREADENTRY32 t{};
    t.dwSize = sizeof t;
    for (BOOL more = Thread32First(snapshot, &t); more; more = Thread32Next(snapshot, &t))
        threads += t.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return threads;
}

// Never more threads than the work needs: a folder without subfolders is listed on the calling
// thread with no other started.
TEST(WalkFolderTreeParallel, AFolderWithoutSubfoldersStartsNoThread) {
    qs::test::TempDir dir;
    for (int f = 0; f < 5; ++f)
        qs::test::WriteBytes(dir / ("f" + std::to_string(f)), 1);
    struct ThreadCounter {
        using State = int;
        int most = 0;
        bool Visit(const qs::FolderEntry&, const std::wstring&, qs::CFolderLister&, const State&, State&) {
            most = std::max(most, ThreadsOfThisProcess());
            return false;
        }
        void Leave(qs::CFolderLister&, const State&) {}
        void LeaveNamed(qs::CFolderLister&, const wchar_t*, std::size_t, const State&) {}
    };
    const int before = ThreadsOfThisProcess();
    std::vector<ThreadCounter> walkers(8);
    EXPECT_TRUE(qs::WalkFolderTreeParallel(Wide(dir.Path()), 0, walkers));
    EXPECT_EQ(walkers[0].most, before);
}

// Once the flag is set no thread starts another entry, nor leaves another folder: at most what
// the other three threads were already doing follows.
TEST(WalkFolderTreeParallel, CancelStopsEveryThread) {
    qs::test::TempDir dir;
    MakeWideTree(dir.Path());
    Journal journal;
    journal.cancelAt = 30;
    std::vector<Recorder> walkers(4, Recorder{&journal});
    const bool finished = qs::WalkFolderTreeParallel(Wide(dir.Path()), std::wstring(), walkers);
    qs::CancelledFlag() = false;
    EXPECT_FALSE(finished);
    EXPECT_GE(journal.visits.load(), 30);
    EXPECT_LE(journal.visits.load(), 30 + 3);
    EXPECT_LE(journal.leavesAfterCancel.load(), 3);
}

// A walker that deletes like the deleting walk, and swaps the folder "b" for a link to a folder
// outside the tree on the first entry it sees: before any subfolder is opened, after "b" may have
// been listed as a folder.
struct SwappingEraser {
    using State = int;
    std::string root, outside;
    std::atomic<bool>* swapped;
    bool Visit(const qs::FolderEntry& e, const std::wstring&, qs::CFolderLister& folder, const State&, State&) {
        if (!swapped->exchange(true)) {
            EXPECT_TRUE(MoveFileA((root + "\\b").c_str(), (root + "\\b-moved").c_str()));
            EXPECT_TRUE(qs::test::MakeFolderLink(root + "\\b", outside));
        }
        if (!folder.Verified())
            return false;
        if (qs::IsDirectory(e.attributes))
            return !qs::IsReparsePoint(e.attributes);
        folder.ChangeListedEntry(qs::kRemove);
        return false;
    }
    void Leave(qs::CFolderLister& folder, const State&) { folder.ChangeListedEntry(qs::kRemove); }
    void LeaveNamed(qs::CFolderLister& folder, const wchar_t* name, std::size_t chars, const State&) {
        folder.ChangeNamedEntry(name, chars, qs::kRemove);
    }
};

class SwappedFolder : public ::testing::TestWithParam<unsigned> {};

TEST_P(SwappedFolder, IsNeverEntered) {
    qs::test::TempDir dir;
    const std::string root = dir / "clean", outside = dir / "outside";
    for (const char* f : {"a\\1.tmp", "b\\2.tmp", "b\\inner\\3.tmp", "c\\4.tmp"})
        qs::test::WriteText(root + "\\" + f, f);
    for (const char* f : {"keep.tmp", "inner\\deep.tmp"})
        qs::test::WriteText(outside + "\\" + f, f);
    const qs::test::TreeSnapshot before = qs::test::Snapshot(outside);
    std::atomic<bool> swapped{false};
    std::vector<SwappingEraser> walkers(GetParam(), SwappingEraser{root, outside, &swapped});
    qs::WalkFolderTreeParallel(Wide(root), 0, walkers);
    if (!qs::test::Exists(root + "\\b\\keep.tmp"))
        GTEST_SKIP() << "no folder links on this platform";
    EXPECT_EQ(qs::test::Snapshot(outside), before);
    EXPECT_FALSE(qs::test::Exists(root + "\\a")) << "the rest of the tree is cleaned";
    EXPECT_FALSE(qs::test::Exists(root + "\\c"));
}

INSTANTIATE_TEST_SUITE_P(Threads, SwappedFolder, ::testing::Values(1u, 4u));

} // namespace
