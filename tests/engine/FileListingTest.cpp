// The listing of counted files: its one order, the recorder heard from several threads, and the
// clipboard text of its rows.
#include "engine/FileListing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using qs::CListedFile;

std::vector<std::wstring> Paths(const std::vector<CListedFile>& files) {
    std::vector<std::wstring> out;
    for (const CListedFile& f : files)
        out.push_back(f.path);
    return out;
}

// Letter case does not decide the order (as the platform compares names) except between paths
// that differ in nothing else; non-ASCII letters fold too; equal paths go by size. Every shuffle
// of the same entries sorts to the same listing.
TEST(FileListing, SortsOneWayWhateverTheArrivalOrder) {
    const std::vector<CListedFile> expected = {
        {L"C:\\data\\a.tmp", 4096},
        {L"C:\\data\\B.tmp", 4096},
        {L"C:\\data\\b.tmp", 4096},
        {L"C:\\data\\b.tmp", 8192},
        {L"C:\\data\\sub\\c.tmp", 0},
        {L"C:\\data\\\u00c9t\u00e9.tmp", 4096},
        {L"C:\\data\\\u00e9t\u00e9.tmp", 4096},
        {L"C:\\data\\\u65e5\u672c.tmp", 4096},
        {L"C:\\data\\\xd83d\xde00.tmp", 512},
    };
    std::mt19937 random(17);
    for (int round = 0; round < 20; ++round) {
        std::vector<CListedFile> files = expected;
        std::shuffle(files.begin(), files.end(), random);
        qs::SortListedFiles(files);
        ASSERT_EQ(Paths(files), Paths(expected)) << round;
        for (std::size_t i = 0; i < files.size(); ++i)
            EXPECT_EQ(files[i].sizeOnDrive, expected[i].sizeOnDrive) << i;
    }
    // "a" < "B" although 'B' < 'a' by code unit: case is folded first.
    EXPECT_TRUE(qs::ListedFileBefore({L"a", 0}, {L"B", 0}));
    EXPECT_FALSE(qs::ListedFileBefore({L"B", 0}, {L"a", 0}));
    EXPECT_FALSE(qs::ListedFileBefore({L"x", 1}, {L"x", 1}));
}

// Walk threads report at once: nothing is lost, and the taken listing is sorted and leaves the
// recorder empty.
TEST(FileListing, RecorderHearsEveryThreadAndHandsOverSorted) {
    qs::CFileListRecorder recorder;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&recorder, t] {
            for (int i = 0; i < 500; ++i)
                recorder.OnCounted(L"C:\\t" + std::to_wstring(t) + L"\\f" + std::to_wstring(i), 4096);
        });
    for (std::thread& t : threads)
        t.join();
    const std::vector<CListedFile> files = recorder.TakeSorted();
    ASSERT_EQ(files.size(), 2000u);
    EXPECT_TRUE(std::is_sorted(files.begin(), files.end(), qs::ListedFileBefore));
    EXPECT_EQ(qs::ListedSize(files), 2000u * 4096u);
    EXPECT_TRUE(recorder.TakeSorted().empty());
}

TEST(FileListing, ClipboardTextIsOneTabSeparatedLinePerRow) {
    const std::vector<CListedFile> files = {{L"C:\\a b\\x.tmp", 4096}, {L"C:\\\u65e5\\y", 0}, {L"C:\\z", 123456789}};
    const struct {
        std::vector<std::size_t> rows;
        std::wstring text;
    } cases[] = {
        {{0, 1, 2}, L"C:\\a b\\x.tmp\t4096\r\nC:\\\u65e5\\y\t0\r\nC:\\z\t123456789\r\n"},
        {{2}, L"C:\\z\t123456789\r\n"},
        {{}, L""},
        {{1, 7}, L"C:\\\u65e5\\y\t0\r\n"}, // a row that is not there is left out
    };
    for (const auto& c : cases)
        EXPECT_EQ(qs::ListedFilesText(files, c.rows), c.text);
}

} // namespace
