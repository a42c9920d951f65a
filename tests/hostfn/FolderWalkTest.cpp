// The shared folder walk: every entry once, with the record the native listing gives, across
// batch boundaries and in subfolders opened relative to their parent; links swapped in; depth.
#include "hostfn/EntryChange.h"
#include "hostfn/FolderWalk.h"
#include "support/ScriptHost.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using qs::test::ScriptHost;
using qs::test::Wide;
using qs::test::WriteBytes;

struct Seen {
    DWORD attributes;
    std::uint64_t length;
};

// Records every entry of the tree and enters every folder it may.
struct Collector {
    using State = int;
    bool Visit(const qs::FolderEntry& e, const std::wstring& path, qs::CFolderLister&, const State& depth,
               State& inner) {
        EXPECT_EQ(seen.count(path), 0u) << qs::test::Printable(path) << " visited twice";
        EXPECT_EQ(path.substr(path.size() - e.chars), std::wstring(e.name, e.chars));
        seen[path] = {e.attributes, e.length};
        inner = depth + 1;
        return qs::IsWalkableFolder(e.attributes);
    }
    void Leave(qs::CFolderLister&, const State&) { ++left; }
    std::map<std::wstring, Seen> seen;
    int left = 0;
};

TEST(WalkFolderTree, VisitsEveryEntryOnceWithItsAttributesAndLength) {
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

    Collector walk;
    EXPECT_TRUE(qs::WalkFolderTree(Wide(dir.Path()), 0, walk));
    EXPECT_EQ(walk.seen.size(), expected.size() + 3); // and the folders a, a\b, a\b\c
    EXPECT_EQ(walk.left, 3);
    for (const auto& [path, length] : expected) {
        ASSERT_EQ(walk.seen.count(Wide(path)), 1u) << path;
        EXPECT_EQ(walk.seen[Wide(path)].length, length) << path;
        EXPECT_EQ(walk.seen[Wide(path)].attributes, GetFileAttributesA(path.c_str())) << path;
    }
    EXPECT_TRUE(walk.seen[Wide(dir / "a\\b")].attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(walk.seen[Wide(dir / "a\\b\\c\\deep.txt")].attributes & FILE_ATTRIBUTE_READONLY);
    // The root's text with a trailing backslash gives the same paths.
    Collector again;
    qs::WalkFolderTree(Wide(dir.Path() + "\\"), 0, again);
    EXPECT_EQ(again.seen.size(), walk.seen.size());
    EXPECT_EQ(again.seen.count(Wide(dir / "a\\b")), 1u);
}

TEST(WalkFolderTree, MeasuresThroughAScriptLikeTheSizeRule) {
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

// A subfolder that becomes a link between its listing and its opening: the walk sees it refused
// when it is opened (Windows) or when its name is checked before its first entry (Wine 8, which
// opens the target), and nothing it points at is listed or touched.
TEST(CFolderLister, ASubfolderSwappedForALinkIsNotChangedNorListedOn) {
    qs::test::TempDir dir;
    const std::string outside = dir / "outside", root = dir / "root";
    qs::test::WriteText(outside + "\\a.txt", "keep");
    qs::test::WriteText(outside + "\\b.txt", "keep");
    qs::test::WriteText(outside + "\\inner\\c.txt", "keep");
    qs::test::WriteText(root + "\\sub\\x.txt", "x");
    struct Swapper {
        using State = bool; // inside the swapped folder
        std::string outside;
        int visited = 0;
        bool changed = false;
        bool Visit(const qs::FolderEntry&, const std::wstring& path, qs::CFolderLister& folder, const State& inside,
                   State& inner) {
            if (inside) {
                ++visited;
                EXPECT_FALSE(folder.Verified());
                changed |= folder.ChangeListedEntry(qs::kRemove);
                return false;
            }
            const std::string full(path.begin(), path.end());
            qs::test::RemoveTree(full);
            EXPECT_TRUE(qs::test::MakeFolderLink(full, outside));
            inner = true;
            return true;
        }
        void Leave(qs::CFolderLister&, const State&) {}
    } walk{outside};
    qs::WalkFolderTree(Wide(root), false, walk);
    EXPECT_LE(walk.visited, 1) << "a foreign folder lists no more";
    EXPECT_FALSE(walk.changed);
    EXPECT_EQ(qs::test::ReadText(outside + "\\a.txt"), "keep");
    EXPECT_EQ(qs::test::ReadText(outside + "\\b.txt"), "keep");
    EXPECT_EQ(qs::test::ReadText(outside + "\\inner\\c.txt"), "keep");
}

// The name check that stands between every change and a link: the folder's name followed by the
// entry's, and (for the platform that drops them from names) without the entry's final dots and
// spaces, but never another entry's name.
TEST(IsEntryName, TheEntryItselfAndNothingElse) {
    const std::wstring folder = L"\\??\\C:\\T";
    struct Case {
        const wchar_t* name;
        const wchar_t* entry;
        bool match;
    } cases[] = {
        {L"\\??\\C:\\T\\a.txt", L"a.txt", true},
        {L"\\??\\c:\\t\\A.TXT", L"a.txt", true},
        {L"\\??\\C:\\T\\dot.", L"dot.", true},
        {L"\\??\\C:\\T\\dot", L"dot.", true},
        {L"\\??\\C:\\T\\space", L"space  ", true},
        {L"\\??\\C:\\T\\dot", L"dot", true},
        {L"\\??\\C:\\T\\dot", L"dot.x", false},
        {L"\\??\\C:\\T\\", L"..", false},
        {L"\\??\\C:\\T\\", L" ", false},
        {L"\\??\\C:\\T\\\xFF54\xFF45\xFF4D\xFF50", L"temp", false},
        {L"\\??\\C:\\T\\temp", L"\xFF54\xFF45\xFF4D\xFF50", false},
        {L"\\??\\C:\\victim\\a.txt", L"a.txt", false},
        {L"\\??\\C:\\T\\sub\\a.txt", L"a.txt", false},
        {L"\\??\\C:\\Tx\\a.txt", L"a.txt", false},
        // The folder's own name ends without the dots and spaces that its entries' names keep.
        {L"\\??\\C:\\T. \\a.txt", L"a.txt", true},
        {L"\\??\\C:\\T.\\dot", L"dot.", true},
        {L"\\??\\C:\\T.x\\a.txt", L"a.txt", false},
        {L"\\??\\C:\\\\a.txt", L"a.txt", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qs::IsEntryName(c.name, folder, c.entry, std::wcslen(c.entry)), c.match)
            << qs::test::Printable(c.name) << " / " << qs::test::Printable(c.entry);
    EXPECT_TRUE(qs::IsEntryName(L"\\??\\C:\\a.txt", L"\\??\\C:\\", L"a.txt", 5)) << "a root keeps its backslash";
}

} // namespace
