// The shared folder enumeration: every entry once, with the record FindNextFileA would give,
// across batch boundaries and in subfolders opened relative to their parent.
#include "hostfn/EntryChange.h"
#include "hostfn/FolderWalk.h"
#include "support/ScriptHost.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>

namespace {

using qs::test::ScriptHost;
using qs::test::WriteBytes;

struct Seen {
    DWORD attributes;
    std::uint64_t length;
};

// Walks the whole tree the way the measuring and deleting walks do: recursion from the visitor.
void Collect(const std::string& folder, std::map<std::string, Seen>& seen) {
    qs::ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAA& e, const std::string& full) {
        EXPECT_EQ(seen.count(full), 0u) << full << " visited twice";
        seen[full] = {e.dwFileAttributes, (std::uint64_t{e.nFileSizeHigh} << 32) | e.nFileSizeLow};
        if (qs::IsWalkableFolder(e.dwFileAttributes))
            Collect(full + "\\", seen);
    });
}

TEST(ForEachFolderEntry, VisitsEveryEntryOnceWithItsAttributesAndLength) {
    qs::test::TempDir dir;
    // Long names, so that the entries of one folder fill several batches of the query.
    const std::string longPart(100, 'n');
    std::map<std::string, std::uint64_t> expected;
    for (int i = 0; i < 600; ++i) {
        const std::string path = dir / ("a\\" + longPart + std::to_string(i) + ".dat");
        WriteBytes(path, static_cast<std::uint64_t>(i));
        expected[path] = static_cast<std::uint64_t>(i);
    }
    WriteBytes(dir / "a\\b\\c\\deep.txt", 5000);
    expected[dir / "a\\b\\c\\deep.txt"] = 5000;
    SetFileAttributesA((dir / "a\\b\\c\\deep.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    std::map<std::string, Seen> seen;
    Collect(dir.Path() + "\\", seen);
    EXPECT_EQ(seen.size(), expected.size() + 3); // and the folders a, a\b, a\b\c
    for (const auto& [path, length] : expected) {
        ASSERT_EQ(seen.count(path), 1u) << path;
        EXPECT_EQ(seen[path].length, length) << path;
        EXPECT_EQ(seen[path].attributes, GetFileAttributesA(path.c_str())) << path;
    }
    EXPECT_TRUE(seen[dir / "a\\b"].attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(seen[dir / "a\\b\\c\\deep.txt"].attributes & FILE_ATTRIBUTE_READONLY);
}

TEST(ForEachFolderEntry, MeasuresThroughAScriptLikeTheSizeRule) {
    ScriptHost host;
    const std::uint32_t cluster = qs::test::TempClusterSize();
    ASSERT_GT(cluster, 0u);
    const std::string root = host.Dir() / "m";
    WriteBytes(root + "\\one.bin", 1);
    WriteBytes(root + "\\empty.bin", 0);
    WriteBytes(root + "\\sub\\more.bin", cluster + 1);
    const auto result = host.Eval("return self:GetFolderSize([[" + root + "]], nil, true)");
    EXPECT_EQ(result, (std::vector<std::string>{"s:" + std::to_string(3 * cluster), "s:3"}));
}

// A subfolder that becomes a link between its listing and its opening: the walk that deletes sees
// it refused when it is opened (Windows) or when its name is checked before its first entry
// (Wine 8, which opens the target), and nothing it points at is touched.
TEST(CFolderLister, ASubfolderSwappedForALinkIsNotChangedNorListedOn) {
    qs::test::TempDir dir;
    const std::string outside = dir / "outside", root = dir / "root";
    qs::test::WriteText(outside + "\\a.txt", "keep");
    qs::test::WriteText(outside + "\\b.txt", "keep");
    qs::test::WriteText(outside + "\\inner\\c.txt", "keep");
    qs::test::WriteText(root + "\\sub\\x.txt", "x");
    int visited = 0;
    bool changed = false;
    qs::ForEachFolderEntry(root + "\\", [&](const WIN32_FIND_DATAA&, const std::string& full, qs::CFolderLister& top) {
        ASSERT_TRUE(top.Verified());
        qs::test::RemoveTree(full);
        ASSERT_TRUE(qs::test::MakeFolderLink(full, outside));
        qs::ForEachFolderEntry(full + "\\", [&](const WIN32_FIND_DATAA&, const std::string&, qs::CFolderLister& sub) {
            ++visited;
            EXPECT_FALSE(sub.Verified());
            changed |= sub.ChangeListedEntry(qs::kRemove);
        });
    });
    EXPECT_LE(visited, 1) << "a foreign folder lists no more";
    EXPECT_FALSE(changed);
    EXPECT_EQ(qs::test::ReadText(outside + "\\a.txt"), "keep");
    EXPECT_EQ(qs::test::ReadText(outside + "\\b.txt"), "keep");
    EXPECT_EQ(qs::test::ReadText(outside + "\\inner\\c.txt"), "keep");
}

TEST(OnDiskSpelling, GivesTheFileSystemsCaseOrTheTextAsItCame) {
    qs::test::TempDir dir;
    qs::test::MakeDirs(dir / "Mixed\\Case");
    const std::string spelled = dir / "Mixed\\Case";
    std::string upper = spelled;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(qs::OnDiskSpelling(upper), spelled);
    EXPECT_EQ(qs::OnDiskSpelling(upper + "\\"), spelled + "\\");
    const std::string missing = upper + "\\NOWHERE";
    EXPECT_EQ(qs::OnDiskSpelling(missing), missing);
}

} // namespace
