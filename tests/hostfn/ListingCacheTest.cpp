// The listing cache of a pass: measuring through it gives what the live walk gives, each folder
// is listed once however many measurements reach it, and its packed listings read back exactly.
#include "hostfn/FileJob.h"
#include "hostfn/ListingCache.h"
#include "hostfn/SizeMeasure.h"
#include "support/TempDir.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using qs::test::Wide;

// Hears what a measuring call counts, in a fixed order (the walks count in any order).
class CSortedRecorder : public qs::CFileRecorder {
public:
    void OnCounted(const std::wstring& path, std::uint64_t size) override { heard.emplace_back(path, size); }
    std::vector<std::pair<std::wstring, std::uint64_t>> Sorted() {
        std::sort(heard.begin(), heard.end());
        return heard;
    }
    std::vector<std::pair<std::wstring, std::uint64_t>> heard;
};

// One measurement: GetFolderSize's walk (job.masks, job.recurse on job.folder), or MeasureFiles
// on the whole job when asJob.
struct Measurement {
    bool asJob;
    qs::FileJob job;               // folder relative to the tree ("" for the tree itself)
    std::vector<std::string> kept; // relative to the tree
};

struct Result {
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    std::vector<std::pair<std::wstring, std::uint64_t>> heard;
    bool operator==(const Result& o) const { return size == o.size && count == o.count && heard == o.heard; }
};

class ListingCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir / "Tree";
        const char* const files[] = {"a.tmp",
                                     "b.txt",
                                     "sub\\c.tmp",
                                     "sub\\d.txt",
                                     "sub\\deep\\e.tmp",
                                     "cache\\f.txt",
                                     "cache\\inner\\g.txt",
                                     "Chrome\\Default\\Cache\\x.bin",
                                     "Chrome\\Default\\keep.dat",
                                     "Chrome\\Profile 1\\Cache\\y.bin",
                                     "Chrome Beta\\Default\\Cache\\z.bin",
                                     "Edge\\Default\\Cache\\w.bin"};
        for (const char* f : files) {
            qs::test::WriteBytes(root + "\\" + f, 100 + std::string(f).size() * 700);
            EXPECT_TRUE(qs::test::SetLastWrite(root + "\\" + f, 48)) << f;
        }
        qs::test::WriteText(root + "\\new.tmp", "written now");
        qs::test::MakeDirs(root + "\\empty");
        // Names no code page holds, and a fullwidth one that best-fit mapping would turn into "temp".
        ASSERT_TRUE(qs::test::MakeEntry(root, L"odd\\\u0444\u0430\u0439\u043B.tmp", "cyrillic"));
        ASSERT_TRUE(qs::test::MakeEntry(root, L"odd\\\uFF54\uFF45\uFF4D\uFF50\\x.tmp", "fullwidth"));
        ASSERT_TRUE(qs::test::MakeEntry(root, L"odd\\\u6587\u4EF6\\\U0001F600.log", "astral"));
        qs::test::WriteText(dir / "outside\\o.tmp", "outside the tree");
        links = qs::test::MakeFolderLink(root + "\\link", dir / "outside") &&
                qs::test::MakeFileLink(root + "\\filelink.tmp", dir / "outside\\o.tmp");
    }

    Result Measure(const Measurement& m, qs::CListingCache* listings) {
        qs::CWalkScope scope;
        std::vector<std::wstring> kept;
        for (const std::string& k : m.kept)
            kept.push_back(Wide(root + "\\" + k));
        scope.keep = qs::CKeepList::FromWide(kept);
        CSortedRecorder recorder;
        scope.recorder = &recorder;
        scope.listings = listings;
        qs::FileJob job = m.job;
        job.folder = m.job.folder.empty() ? root : root + "\\" + m.job.folder;
        for (std::string& e : job.exclude)
            e = root + "\\" + e;
        Result r;
        if (m.asJob)
            qs::MeasureFiles(scope, job, r.size, r.count);
        else
            qs::MeasureFolder(scope, job.folder, job.masks, job.recurse, r.size, r.count);
        r.heard = recorder.Sorted();
        return r;
    }

    // Every folder of the tree that a walk may enter (the tree's own included).
    std::size_t WalkableFolders() const {
        std::size_t folders = 1;
        for (const auto& [path, content] : qs::test::Snapshot(root))
            folders += path.back() == L'\\' ? 1 : 0;
        return folders;
    }

    qs::test::TempDir dir;
    std::string root;
    bool links = false;
};

qs::FileJob Job(const char* folder, const char* masks, bool recurse, std::vector<std::string> exclude = {},
                double minAgeHours = 0, bool removeSelf = false) {
    qs::FileJob job;
    job.folder = folder;
    job.masks = masks;
    job.recurse = recurse;
    job.exclude = std::move(exclude);
    job.minAgeHours = minAgeHours;
    job.removeSelf = removeSelf;
    return job;
}

// Measurements of one tree through one cache, as the rows of a refresh would make them: every
// one gives the size, count and recorded entries of the live walk, whether its folders were
// listed for it or read from what earlier ones listed; and every folder was listed once.
TEST_F(ListingCacheTest, MeasuredThroughTheCacheIsMeasuredLiveAndEachFolderIsListedOnce) {
    ASSERT_TRUE(links);
    const Measurement rows[] = {
        {false, Job("", "*.tmp", true), {}},
        {false, Job("", "", true), {}},
        {false, Job("", "*\\cache", true), {}},
        {false, Job("sub", "", false), {}},
        {false, Job("odd", "*", true), {}},
        {false, Job("", "*", true), {"sub\\deep", "Chrome\\Default\\keep.dat"}},
        {false, Job("link", "*", true), {}}, // the caller's path through a link leads there
        {true, Job("", "*", true), {}},
        {true, Job("", "*.tmp", false), {}},
        {true, Job("", "*", true, {"sub\\d.txt", "cache\\"}), {}},
        {true, Job("", "", true, {"*.bin"}, 24), {}},
        {true, Job("", "*", true, {}, 0.5), {"Edge"}},
        {true, Job("Chrome*\\*\\Cache", "", false, {}, 0, true), {}},
        {true, Job("chrome*\\*", "*", true, {"*\\keep.dat"}, 1, true), {}},
        {true, Job("*\\Default\\Cache", "", true, {}, 0, true), {"Chrome Beta"}},
        {true, Job("odd\\*", "*", true, {}, 0, true), {}},
        {true, Job("CACHE", "*", true, {}, 0, true), {}}, // another letter case: the same folder
        {true, Job("l*", "*", true), {}},                 // the link matches no wildcard
    };
    std::vector<Result> live;
    for (const Measurement& m : rows)
        live.push_back(Measure(m, nullptr));

    qs::CListingCache cache;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < std::size(rows); ++i) {
            const Result cached = Measure(rows[i], &cache);
            EXPECT_EQ(cached.size, live[i].size) << "row " << i << " round " << round;
            EXPECT_EQ(cached.count, live[i].count) << "row " << i << " round " << round;
            EXPECT_TRUE(cached.heard == live[i].heard) << "row " << i << " round " << round;
        }
        // The tree's folders and the folder the link leads to, each listed once in all.
        const qs::CListingCacheStats stats = cache.Stats();
        EXPECT_EQ(stats.listed, WalkableFolders() + 1) << "round " << round;
        EXPECT_EQ(stats.folders, stats.listed);
        EXPECT_GT(stats.served, 0u);
        EXPECT_EQ(stats.peakEntries, stats.entries);
    }
    EXPECT_GT(live[0].count, 0u);

    // Dropped: the next measurement lists again, and sees the disk as it is now.
    cache.Clear();
    EXPECT_EQ(cache.Stats().entries, 0u);
    ASSERT_TRUE(DeleteFileA((root + "\\a.tmp").c_str()));
    const Result after = Measure(rows[0], &cache);
    EXPECT_EQ(after, Measure(rows[0], nullptr));
    EXPECT_EQ(after.count + 1, live[0].count);
}

// A listing is read back entry by entry exactly as it was packed, odd names and large values
// included; a name too long to pack is refused.
TEST(FolderListing, ReadsBackWhatWasPacked) {
    const std::wstring names[] = {L"a", L"\u0444\u0430\u0439\u043B.tmp", L"\U0001F600", std::wstring(255, L'n')};
    std::vector<unsigned char> packed;
    for (std::size_t i = 0; i < std::size(names); ++i) {
        qs::FolderEntry e;
        e.name = names[i].data();
        e.chars = names[i].size();
        e.attributes = static_cast<DWORD>(0x410 + i);
        e.length = (1ull << 40) + i;
        e.lastWrite = -1 - static_cast<std::int64_t>(i);
        ASSERT_TRUE(qs::CFolderListing::Pack(packed, e));
    }
    const std::wstring tooLong(0x10000, L'x');
    qs::FolderEntry huge;
    huge.name = tooLong.data();
    huge.chars = tooLong.size();
    EXPECT_FALSE(qs::CFolderListing::Pack(packed, huge));

    const qs::CFolderListing listing(qs::CFolderIdentity{123}, packed, std::size(names));
    std::size_t offset = 0;
    qs::FolderEntry e;
    for (std::size_t i = 0; i < std::size(names); ++i) {
        ASSERT_TRUE(listing.Read(offset, e));
        EXPECT_EQ(std::wstring(e.name, e.chars), names[i]);
        EXPECT_EQ(e.attributes, 0x410 + i);
        EXPECT_EQ(e.length, (1ull << 40) + i);
        EXPECT_EQ(e.lastWrite, -1 - static_cast<std::int64_t>(i));
    }
    EXPECT_FALSE(listing.Read(offset, e));
}

// Keys: any letter case and trailing backslashes name one folder; another path is another key.
TEST(ListingCache, KeysFoldLetterCaseAndTrailingBackslashes) {
    qs::CListingCache cache;
    const std::wstring kept = L"C:\\Users\\Me\\AppData\\Local\\\u0424\u0430\u0439\u043B";
    cache.Store(kept.data(), kept.size(),
                std::make_shared<const qs::CFolderListing>(qs::CFolderIdentity{12}, std::vector<unsigned char>(), 0));
    for (const std::wstring& same :
         {kept, kept + L"\\", std::wstring(L"c:\\users\\ME\\appdata\\LOCAL\\\u0444\u0430\u0439\u043B\\\\")})
        EXPECT_NE(cache.Find(same.data(), same.size()), nullptr) << qs::test::Printable(same);
    for (const std::wstring& other : {std::wstring(L"C:\\Users\\Me\\AppData\\Local"), kept + L"\\x", kept + L"x"})
        EXPECT_EQ(cache.Find(other.data(), other.size()), nullptr) << qs::test::Printable(other);
}

// A volume's cluster size is asked once per pass and drive, in any letter case, and stays when
// the listings are dropped.
std::vector<std::string> clusterQuestions;
std::uint32_t AnswerClusterSize(const std::string& drive) {
    clusterQuestions.push_back(drive);
    return drive == "c:" || drive == "C:" ? 4096 : 0;
}

TEST(ListingCache, AsksEachDrivesClusterSizeOnce) {
    clusterQuestions.clear();
    qs::CListingCache cache;
    EXPECT_EQ(cache.ClusterSize("C:", AnswerClusterSize), 4096u);
    EXPECT_EQ(cache.ClusterSize("c:", AnswerClusterSize), 4096u);
    EXPECT_EQ(cache.ClusterSize("", AnswerClusterSize), 0u); // no drive letter: unknown, and remembered so
    cache.Clear();
    EXPECT_EQ(cache.ClusterSize("", AnswerClusterSize), 0u);
    EXPECT_EQ(cache.ClusterSize("C:", AnswerClusterSize), 4096u);
    EXPECT_EQ(clusterQuestions, (std::vector<std::string>{"C:", ""}));
}

} // namespace
