// Sizes on drive of files and folders, with masks, recursion, cancellation and links.
#include "hostfn/Cancellation.h"
#include "hostfn/FolderWalk.h"
#include "hostfn/SizeMeasure.h"
#include "support/ScriptHost.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using qs::test::ScriptHost;
using Results = std::vector<std::string>;

std::string Lua(const std::string& path) { return "[==[" + path + "]==]"; }

class SizeMeasure : public ::testing::Test {
protected:
    void SetUp() override {
        c = qs::test::TempClusterSize();
        ASSERT_GT(c, 0u);
        std::printf("cluster size of the test volume: %u\n", c);
    }
    Results FolderSize(const std::string& path, const std::string& masks, bool recurse) {
        return host.Eval("return self:GetFolderSize(" + Lua(path) + ", " + Lua(masks) + ", " +
                         (recurse ? "true" : "false") + ")");
    }
    static Results Sums(std::uint64_t size, std::uint32_t count) {
        return {"s:" + std::to_string(size), "s:" + std::to_string(count)};
    }

    ScriptHost host;
    std::uint32_t c = 0;
};

TEST_F(SizeMeasure, FileSizeIsRoundedToWholeClusters) {
    const std::string dir = host.Dir().Path();
    struct {
        std::uint64_t length;
        std::uint64_t clusters;
    } cases[] = {{1, 1}, {c, 1}, {c + 1ull, 2}, {2ull * c, 2}, {0, 0}};
    for (const auto& k : cases) {
        const std::string file = dir + "\\f" + std::to_string(k.length);
        qs::test::WriteBytes(file, k.length);
        EXPECT_EQ(host.Eval("return self:GetFileSize(" + Lua(file) + ")"),
                  (Results{"n:" + std::to_string(k.clusters * c)}))
            << k.length;
    }
    EXPECT_EQ(host.Eval("return self:GetFileSize(" + Lua(dir + "\\missing") + ")"), (Results{"n:0"}));
    EXPECT_EQ(host.Eval("return self:GetFileSize(" + Lua(dir) + ")"), (Results{"n:0"})); // a folder
}

TEST_F(SizeMeasure, CompressedAndUnknownClusterRules) {
    const std::string file = host.Dir() / "packed.bin";
    qs::test::WriteBytes(file, 10000);
    const DWORD compressed = FILE_ATTRIBUTE_COMPRESSED;
    int asked = 0;
    const auto compressedSize = [&asked](std::uint64_t& size) {
        ++asked;
        size = 777;
        return true;
    };
    EXPECT_EQ(qs::SizeOnDriveOf(compressed, 100, 4096, compressedSize), 4096u);
    EXPECT_EQ(qs::SizeOnDriveOf(compressed, 0, 4096, compressedSize), 4096u);
    EXPECT_EQ(asked, 0) << "within one cluster the platform is not asked";
    // Longer than a cluster: the platform's compressed size of the file, not a rounded length;
    // the plain length when the platform cannot say.
    EXPECT_EQ(qs::SizeOnDriveOf(compressed, 10000, 4096, compressedSize), 777u);
    EXPECT_EQ(qs::SizeOnDriveOf(compressed, 10000, 4096, [](std::uint64_t&) { return false; }), 10000u);
    // No cluster size to be had: the plain length, never a division by zero.
    EXPECT_EQ(qs::SizeOnDriveOf(FILE_ATTRIBUTE_NORMAL, 10001, 0, compressedSize), 10001u);
    EXPECT_EQ(qs::SizeOnDriveOf(FILE_ATTRIBUTE_NORMAL, 10001, 4096, compressedSize), 12288u);
    EXPECT_EQ(asked, 1);
    // The single-file function asks the platform by the file's path.
    DWORD high = 0;
    const DWORD low = GetCompressedFileSizeA(file.c_str(), &high);
    std::uint64_t size = 0;
    ASSERT_TRUE(qs::GetSizeOnDrive(file, size));
    if (GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_COMPRESSED) {
        EXPECT_EQ(size, (std::uint64_t(high) << 32) | low);
    }
}

// root: a.tmp (100), B.TMP (5000), c.log (1), empty.tmp (0), cache\x.dat, cache\sub\y.dat,
// d\e.tmp, d\cache (a file), d\f.txt
class FolderWalk : public SizeMeasure {
protected:
    void SetUp() override {
        SizeMeasure::SetUp();
        root = host.Dir() / "root";
        using qs::test::WriteBytes;
        WriteBytes(root + "\\a.tmp", 100);
        WriteBytes(root + "\\B.TMP", 5000);
        WriteBytes(root + "\\c.log", 1);
        WriteBytes(root + "\\empty.tmp", 0);
        WriteBytes(root + "\\cache\\x.dat", 10);
        WriteBytes(root + "\\cache\\sub\\y.dat", 10);
        WriteBytes(root + "\\d\\e.tmp", 1);
        WriteBytes(root + "\\d\\cache", 1);
        WriteBytes(root + "\\d\\f.txt", 1);
    }
    std::string root;
};

TEST_F(FolderWalk, MasksMatchFullPathsWithTheRecursionRules) {
    struct {
        const char* masks;
        bool recurse;
        std::uint64_t clusters;
        std::uint32_t count;
    } cases[] = {
        {"", false, 4, 6},            // files and the two subfolders (as items of size 0)
        {"", true, 9, 9},             // every file of the tree, folders are not items
        {"*.tmp", true, 4, 4},        // any case, the empty file counts as an item
        {"*.TMP;*.log", false, 4, 4}, // two masks joined count both kinds
        {"a.tmp", true, 0, 0},        // a bare name never matches a full path
        {";", true, 0, 0},            // a list of separators matches nothing
        {"*\\cache", true, 3, 4},     // the folder as an item plus all below it, and the file d\cache
        {"*\\cache", false, 0, 1},    // without recursion a matching folder is an item of size 0
    };
    for (const auto& k : cases) {
        EXPECT_EQ(FolderSize(root, k.masks, k.recurse), Sums(k.clusters * c, k.count))
            << "'" << k.masks << "' recurse " << k.recurse;
        EXPECT_EQ(FolderSize(root + "\\", k.masks, k.recurse), Sums(k.clusters * c, k.count))
            << "trailing backslash, '" << k.masks << "'";
    }
    EXPECT_EQ(FolderSize(root + "\\missing", "", true), Sums(0, 0));
}

TEST_F(FolderWalk, CancellationStopsBeforeTheNextEntry) {
    qs::CancelledFlag() = true;
    EXPECT_EQ(FolderSize(root, "", true), Sums(0, 0));
    qs::CancelledFlag() = false;

    struct Counter {
        using State = int;
        int visited = 0;
        int left = 0;
        bool Visit(const qs::FolderEntry&, const std::wstring&, qs::CFolderLister&, const State&, State&) {
            if (++visited == 2)
                qs::CancelledFlag() = true;
            return true;
        }
        void Leave(qs::CFolderLister&, const State&) { ++left; }
    } walk;
    const bool finished = qs::WalkFolderTree(qs::test::Wide(root), 0, walk);
    qs::CancelledFlag() = false;
    EXPECT_FALSE(finished);
    EXPECT_EQ(walk.visited, 2);
}

TEST_F(FolderWalk, LinksAreItemsOfSizeZeroAndAreNeverFollowed) {
    qs::test::TempDir outside;
    qs::test::WriteBytes(outside / "big.tmp", 100000);
    if (!qs::test::MakeFolderLink(root + "\\loop", root) || !qs::test::MakeFolderLink(root + "\\out", outside.Path()))
        GTEST_SKIP() << "no folder links on this platform";
    // The link to an ancestor would loop for ever, the one outside would count foreign files.
    EXPECT_EQ(FolderSize(root, "", true), Sums(9 * c, 11));
    EXPECT_EQ(FolderSize(root, "*.tmp", true), Sums(4 * c, 4));
    EXPECT_EQ(FolderSize(root, "*\\out", true), Sums(0, 1));
    EXPECT_EQ(host.Eval("return self:GetFileSize(" + Lua(root + "\\out") + ")"), (Results{"n:0"}));
}

// Depth is no limit below the folder a script named: entries whose paths pass the classic limit
// are measured like the rest.
TEST_F(FolderWalk, EntriesPastTheClassicPathLimitAreMeasured) {
    std::string deep = root + "\\deep";
    while (deep.size() < 600)
        deep += "\\" + std::string(40, 'n');
    qs::test::MakeDirs(deep);
    qs::test::WriteBytes(deep + "\\inner.tmp", 1);
    ASSERT_TRUE(qs::test::Exists(deep + "\\inner.tmp"));
    EXPECT_EQ(FolderSize(root, "*.tmp", true), Sums(5 * c, 5));
}

} // namespace
