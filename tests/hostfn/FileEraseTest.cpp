// Deleting and wiping through real scripts on real files: the mask and recursion rules, read-only
// and locked files, the overwrites of a wipe, cancellation, links and long paths.
#include "hostfn/Cancellation.h"
#include "hostfn/FileErase.h"
#include "support/ScriptHost.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using qs::test::Exists;
using qs::test::ReadText;
using qs::test::ScriptHost;
using qs::test::WriteBytes;
using qs::test::WriteText;

// Every entry below `root` as a relative path, folders with a trailing backslash. Links are
// listed, not entered.
std::set<std::string> ListTree(const std::string& root, const std::string& prefix = "") {
    std::set<std::string> out;
    WIN32_FIND_DATAA d;
    HANDLE find = FindFirstFileA((root + "\\*").c_str(), &d);
    if (find == INVALID_HANDLE_VALUE)
        return out;
    do {
        const std::string name = d.cFileName;
        if (name == "." || name == "..")
            continue;
        if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            out.insert(prefix + name + "\\");
            for (const std::string& inner : ListTree(root + "\\" + name, prefix + name + "\\"))
                out.insert(inner);
        } else {
            out.insert(prefix + name);
        }
    } while (FindNextFileA(find, &d));
    FindClose(find);
    return out;
}

std::string Lua(const std::string& path) {
    return "[[" + path + "]]";
}

// Runs one host call from a script's entry point; `args` follow the path argument.
void Call(ScriptHost& host, const std::string& function, const std::string& path, const std::string& args = "") {
    const auto result = host.Eval("self:" + function + "(" + Lua(path) + (args.empty() ? "" : ", " + args) + ")");
    ASSERT_TRUE(result.empty()) << function << " answered " << result.front();
}

void SetReadOnly(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

// A small tree with files at three levels, a read-only file and a folder named "cache".
void MakeTree(const std::string& root) {
    for (const char* f : {"a.tmp", "b.txt", "ro.tmp", "sub\\c.tmp", "sub\\d.txt", "sub\\deep\\e.tmp", "cache\\f.txt",
                          "cache\\inner\\g.txt"})
        WriteText(root + "\\" + f, f);
    SetReadOnly(root + "\\ro.tmp");
}

const std::set<std::string> kFullTree = {"a.tmp",      "b.txt",        "ro.tmp",         "sub\\",
                                         "sub\\c.tmp", "sub\\d.txt",   "sub\\deep\\",    "sub\\deep\\e.tmp",
                                         "cache\\",    "cache\\f.txt", "cache\\inner\\", "cache\\inner\\g.txt"};

std::set<std::string> Without(std::set<std::string> tree, std::initializer_list<const char*> gone) {
    for (const char* g : gone)
        tree.erase(g);
    return tree;
}

struct WalkCase {
    const char* name;
    const char* function;
    const char* args; // after the folder path
    std::set<std::string> left;
};

class FolderWalkRules : public ::testing::TestWithParam<WalkCase> {};

TEST_P(FolderWalkRules, LeavesExactlyThis) {
    const WalkCase& c = GetParam();
    ScriptHost host;
    const std::string root = host.Dir() / "t";
    MakeTree(root);
    Call(host, c.function, root, c.args);
    EXPECT_EQ(ListTree(root), c.left);
    EXPECT_TRUE(Exists(root)) << "the folder named in the call stays";
}

const std::set<std::string> kFolders = {"sub\\", "sub\\deep\\", "cache\\", "cache\\inner\\"};

INSTANTIATE_TEST_SUITE_P(
    Table, FolderWalkRules,
    ::testing::Values(
        // Delete walk: the four rows of mask list and recursion. Read-only files go too.
        WalkCase{"DeleteEmptyFlat", "DeleteFolderContent", "", Without(kFullTree, {"a.tmp", "b.txt", "ro.tmp"})},
        WalkCase{"DeleteEmptyRecursive", "DeleteFolderContent", "nil, true", kFolders},
        WalkCase{"DeleteMasksFlat", "DeleteFolderContent", "'*.TMP'", Without(kFullTree, {"a.tmp", "ro.tmp"})},
        WalkCase{"DeleteMasksRecursive",
                 "DeleteFolderContent",
                 "'*.tmp;*\\\\cache', 1",
                 {"b.txt", "sub\\", "sub\\d.txt", "sub\\deep\\"}},
        WalkCase{"DeleteStarRecursive", "DeleteFolderContent", "'*', 0", {}},
        // Without recursion a matching folder is left, content and all.
        WalkCase{"DeleteFolderMaskFlat", "DeleteFolderContent", "'*\\\\cache'", kFullTree},
        WalkCase{"DeleteSeparatorOnly", "DeleteFolderContent", "';', true", kFullTree},
        // Wipe walk: folders are never matched; an empty list removes the emptied folders; a
        // read-only file stays, and so does the folder that holds it.
        WalkCase{"WipeEmptyFlat", "WipeFolderContent", "'', false, 1", Without(kFullTree, {"a.tmp", "b.txt"})},
        WalkCase{"WipeEmptyRecursive", "WipeFolderContent", "nil, true, 1", {"ro.tmp"}},
        WalkCase{"WipeMasksFlat", "WipeFolderContent", "'*.tmp', nil, 1", Without(kFullTree, {"a.tmp"})},
        WalkCase{"WipeMasksRecursive", "WipeFolderContent", "'*.tmp', true, 1",
                 Without(kFullTree, {"a.tmp", "sub\\c.tmp", "sub\\deep\\e.tmp"})},
        WalkCase{"WipeFolderMaskRecursive", "WipeFolderContent", "'*\\\\cache', true, 1", kFullTree}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeleteSingleFile, RemovesOneFileButNotAReadOnlyOneNorAFolder) {
    ScriptHost host;
    const std::string plain = host.Dir() / "plain.txt", ro = host.Dir() / "ro.txt", folder = host.Dir() / "f";
    WriteText(plain, "p");
    WriteText(ro, "r");
    SetReadOnly(ro);
    CreateDirectoryA(folder.c_str(), nullptr);
    Call(host, "DeleteFile", plain);
    Call(host, "DeleteFile", ro);
    Call(host, "DeleteFile", folder);
    EXPECT_FALSE(Exists(plain));
    EXPECT_EQ(ReadText(ro), "r");
    EXPECT_TRUE(Exists(folder));
    // The same read-only file goes with the folder walk, which clears the attribute.
    Call(host, "DeleteFolderContent", host.Dir().Path(), "'*\\\\RO.TXT'");
    EXPECT_FALSE(Exists(ro));
}

// Records every write of a wipe and can make one fail.
class Recorder : public qs::CWipeObserver {
public:
    struct Write {
        std::uint32_t overwrite;
        std::uint64_t offset;
        std::uint32_t bytes;
        bool operator==(const Write& o) const {
            return overwrite == o.overwrite && offset == o.offset && bytes == o.bytes;
        }
    };
    Recorder() { qs::SetWipeObserver(this); }
    ~Recorder() override { qs::SetWipeObserver(nullptr); }

    bool BeforeWrite(std::uint32_t overwrite, std::uint64_t offset, std::uint32_t bytes) override {
        writes.push_back({overwrite, offset, bytes});
        if (onWrite)
            onWrite();
        return !(overwrite == failOverwrite && offset == failOffset);
    }
    std::uint32_t Overwrites() const { return writes.empty() ? 0 : writes.back().overwrite; }

    std::vector<Write> writes;
    std::uint32_t failOverwrite = 0;
    std::uint64_t failOffset = 0;
    std::function<void()> onWrite;
};

std::uint32_t SectorSize() {
    char base[MAX_PATH], root[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    DWORD spc = 0, bps = 0, fc = 0, tc = 0;
    GetVolumePathNameA(base, root, MAX_PATH);
    GetDiskFreeSpaceA(root, &spc, &bps, &fc, &tc);
    return bps;
}

TEST(WipeFile, WritesEachOverwriteInChunksOfAtMost64KiBThenDeletes) {
    ScriptHost host;
    const std::string path = host.Dir() / "w.bin";
    WriteBytes(path, 100 * 1024);
    Recorder rec;
    Call(host, "WipeFile", path);
    EXPECT_FALSE(Exists(path));
    std::vector<Recorder::Write> expected;
    for (std::uint32_t o = 1; o <= 9; ++o) {
        expected.push_back({o, 0, 65536});
        expected.push_back({o, 65536, 36864});
    }
    EXPECT_EQ(rec.writes, expected);
}

TEST(WipeFile, PassCountsFromScripts) {
    struct Case {
        const char* args;
        std::uint32_t overwrites;
    };
    // Read only with exactly two arguments; 0 is the default; a negative count is capped.
    for (const Case& c : {Case{"", 9}, Case{"7", 21}, Case{"7, true", 9}, Case{"0", 9}, Case{"'2'", 6},
                          Case{"-1", 3 * qs::kMaxWipePasses}}) {
        ScriptHost host;
        const std::string path = host.Dir() / "w.bin";
        WriteBytes(path, 100);
        Recorder rec;
        Call(host, "WipeFile", path, c.args);
        EXPECT_EQ(rec.Overwrites(), c.overwrites) << c.args;
        EXPECT_EQ(rec.writes.size(), c.overwrites) << c.args;
        EXPECT_FALSE(Exists(path)) << c.args;
    }
}

// The file's bytes on disk after overwrite k: a failing first write of overwrite k+1 stops the
// wipe there and leaves the file in place.
TEST(WipeOneFile, EveryOverwriteReachesTheFileWithItsPatternAtFullLength) {
    const std::uint32_t sector = SectorSize();
    for (std::uint64_t length : {std::uint64_t{100 * 1024}, std::uint64_t{1000}, std::uint64_t{65536 + 700}}) {
        for (std::uint32_t k = 1; k <= 6; ++k) {
            ScriptHost host;
            const std::string path = host.Dir() / "w.bin";
            WriteBytes(path, length, 'x');
            Recorder rec;
            rec.failOverwrite = k + 1;
            EXPECT_FALSE(qs::WipeOneFile(path, 3)) << "a failed write is not a success";
            const std::string bytes = ReadText(path);
            ASSERT_EQ(bytes.size(), length) << "length " << length << " after overwrite " << k;
            if (k % 3 != 0) {
                const char fill = k % 3 == 1 ? '\0' : '\xFF';
                EXPECT_EQ(bytes, std::string(length, fill)) << "length " << length << " after overwrite " << k;
            } else {
                // The random buffer is written again and again: the bytes repeat every 64 KiB.
                EXPECT_NE(bytes.find_first_not_of(bytes[0]), std::string::npos);
                EXPECT_NE(bytes, std::string(length, 'x'));
                if (length > 65536) {
                    EXPECT_EQ(bytes.substr(65536), bytes.substr(0, length - 65536));
                }
            }
            // The final part that is not a whole sector is written as whole sectors.
            for (const auto& w : rec.writes)
                EXPECT_EQ(w.bytes % sector, 0u) << w.bytes;
        }
    }
}

TEST(WipeOneFile, WriteFailingInsideAnOverwriteLeavesTheFileInPlace) {
    ScriptHost host;
    const std::string path = host.Dir() / "w.bin";
    WriteBytes(path, 100 * 1024, 'x');
    Recorder rec;
    rec.failOverwrite = 2;
    rec.failOffset = 65536;
    EXPECT_FALSE(qs::WipeOneFile(path, 3));
    EXPECT_EQ(ReadText(path), std::string(65536, '\xFF') + std::string(36864, '\0'));
}

TEST(WipeFile, LeavesReadOnlyAndLockedFilesAsTheyWere) {
    ScriptHost host;
    const std::string ro = host.Dir() / "ro.bin", locked = host.Dir() / "locked.bin", other = host.Dir() / "other.bin";
    WriteText(ro, "read-only");
    SetReadOnly(ro);
    WriteText(locked, "locked");
    WriteText(other, "other");
    // A second handle without sharing: share modes are checked against every open handle of the
    // file, whichever process holds it, so this is what another program holding it open does.
    HANDLE held = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Recorder rec;
    Call(host, "WipeFile", ro);
    Call(host, "WipeFile", locked);
    EXPECT_TRUE(rec.writes.empty());
    Call(host, "WipeFolderContent", host.Dir().Path(), "'*.bin', false, 1");
    Call(host, "DeleteFile", locked);
    Call(host, "DeleteFolderContent", host.Dir().Path(), "'*\\\\LOCKED.BIN'");
    CloseHandle(held);
    EXPECT_EQ(ReadText(ro), "read-only");
    EXPECT_EQ(ReadText(locked), "locked");
    EXPECT_FALSE(Exists(other)) << "the walk goes on past the files it cannot wipe";
}

TEST(WipeFile, EmptyFileIsDeletedWithoutWrites) {
    ScriptHost host;
    const std::string path = host.Dir() / "empty.bin";
    WriteBytes(path, 0);
    Recorder rec;
    Call(host, "WipeFile", path);
    EXPECT_FALSE(Exists(path));
    EXPECT_TRUE(rec.writes.empty());
}

TEST(WipeFolderContent, CancelFinishesTheFileBeingWipedAndLeavesTheRest) {
    ScriptHost host;
    const std::string root = host.Dir() / "t";
    for (const char* f : {"1.bin", "2.bin", "3.bin", "4.bin"})
        WriteBytes(root + "\\" + f, 70000);
    Recorder rec;
    rec.onWrite = [] { qs::CancelledFlag() = true; };
    Call(host, "WipeFolderContent", root, "'', true, 2");
    qs::CancelledFlag() = false;
    EXPECT_EQ(rec.Overwrites(), 6u) << "both passes of the first file";
    EXPECT_EQ(rec.writes.size(), 12u);
    EXPECT_EQ(ListTree(root).size(), 3u);
}

TEST(DeleteFolderContent, CancelledBeforeTheFirstEntryDeletesNothing) {
    ScriptHost host;
    const std::string root = host.Dir() / "t";
    MakeTree(root);
    qs::CancelledFlag() = true;
    Call(host, "DeleteFolderContent", root, "'*', true");
    Call(host, "WipeFolderContent", root, "'', true, 1");
    qs::CancelledFlag() = false;
    EXPECT_EQ(ListTree(root), kFullTree);
}

// A link inside the cleaned folder to a folder outside it, and one to an empty folder outside
// it: no call of any function, with or without recursion, may touch what they point at.
TEST(FolderLinks, NothingBehindALinkIsTouched) {
    struct Case {
        const char* function;
        const char* args;
    };
    const Case cases[] = {
        {"DeleteFolderContent", ""},
        {"DeleteFolderContent", "nil, true"},
        {"DeleteFolderContent", "'*', true"},
        {"DeleteFolderContent", "'*', false"},
        {"DeleteFolderContent", "'*\\\\LINK;*\\\\ELINK;*.TMP', true"},
        {"WipeFolderContent", "'', true, 1"},
        {"WipeFolderContent", "'', false, 1"},
        {"WipeFolderContent", "'*', true, 1"},
        {"WipeFolderContent", "'*', false, 1"},
        {"DeleteFile", ""},
        {"WipeFile", ""},
    };
    for (const Case& c : cases) {
        ScriptHost host;
        const std::string outside = host.Dir() / "outside", empty = host.Dir() / "empty", root = host.Dir() / "clean";
        WriteText(outside + "\\keep.tmp", "keep");
        WriteText(outside + "\\sub\\deep.tmp", "deep");
        qs::test::MakeDirs(outside + "\\hollow");
        qs::test::MakeDirs(empty);
        WriteText(root + "\\junk.tmp", "junk");
        ASSERT_TRUE(qs::test::MakeFolderLink(root + "\\link", outside));
        ASSERT_TRUE(qs::test::MakeFolderLink(root + "\\elink", empty));
        ASSERT_TRUE(qs::test::MakeFolderLink(root + "\\loop", root));
        const bool onFolder = std::string(c.function).find("Folder") != std::string::npos;
        Call(host, c.function, onFolder ? root : root + "\\link", c.args);
        Call(host, c.function, onFolder ? root : root + "\\elink", c.args);
        const std::string what = std::string(c.function) + "(" + c.args + ")";
        EXPECT_EQ(ListTree(outside), (std::set<std::string>{"keep.tmp", "sub\\", "sub\\deep.tmp", "hollow\\"})) << what;
        EXPECT_EQ(ReadText(outside + "\\keep.tmp"), "keep") << what;
        EXPECT_EQ(ReadText(outside + "\\sub\\deep.tmp"), "deep") << what;
        EXPECT_TRUE(Exists(empty)) << what;
        if (onFolder) {
            EXPECT_FALSE(Exists(root + "\\junk.tmp")) << what;
        }
    }
}

// Wine 8 shows a Unix symlink to a file as a plain file and opens its target: a wipe must still
// never write through it.
TEST(FileLinks, AWipeNeverWritesThroughALink) {
    ScriptHost host;
    const std::string outside = host.Dir() / "outside.txt", root = host.Dir() / "clean";
    WriteText(outside, "keep");
    WriteText(root + "\\junk.tmp", "junk");
    ASSERT_TRUE(qs::test::MakeFileLink(root + "\\link.tmp", outside));
    Recorder rec;
    Call(host, "WipeFile", root + "\\link.tmp");
    Call(host, "WipeFolderContent", root, "'*.tmp', true, 1");
    EXPECT_EQ(ReadText(outside), "keep");
    EXPECT_FALSE(Exists(root + "\\junk.tmp"));
    EXPECT_EQ(rec.writes.size(), 3u) << "one pass over junk.tmp, nothing else";
}

// Links to files outside the cleaned folder, at two levels, one to a read-only file and one to an
// empty file. Wine 8 lists such links as plain files, opens what they point at and deletes that
// through them; no call of any function may change a byte or an attribute of it.
TEST(FileLinks, NothingALinkPointsAtIsTouched) {
    struct Case {
        const char* function;
        const char* args;
        const char* gone; // a plain file that the call deletes, to show that it did its work
    };
    const Case cases[] = {
        {"DeleteFolderContent", "", "junk.tmp"},
        {"DeleteFolderContent", "nil, true", "sub\\junk.tmp"},
        {"DeleteFolderContent", "'*.TMP'", "junk.tmp"},
        {"DeleteFolderContent", "'*.TMP', true", "sub\\junk.tmp"},
        {"DeleteFolderContent", "'*\\\\SUB', true", "sub\\junk.tmp"}, // the folder holding a link goes whole
        {"WipeFolderContent", "'', false, 1", "junk.tmp"},
        {"WipeFolderContent", "'', true, 1", "sub\\junk.tmp"},
        {"WipeFolderContent", "'*.tmp', true, 1", "sub\\junk.tmp"},
        {"DeleteFile", "", "junk.tmp"},
        {"WipeFile", "1", "junk.tmp"},
    };
    for (const Case& c : cases) {
        ScriptHost host;
        const std::string outside = host.Dir() / "outside", root = host.Dir() / "clean";
        WriteText(outside + "\\keep.txt", "keep");
        WriteText(outside + "\\ro.txt", "read-only");
        SetReadOnly(outside + "\\ro.txt");
        WriteBytes(outside + "\\empty.txt", 0);
        WriteText(root + "\\junk.tmp", "junk");
        WriteText(root + "\\sub\\junk.tmp", "junk");
        const char* const links[][2] = {
            {"link.tmp", "keep.txt"}, {"ro.tmp", "ro.txt"}, {"empty.tmp", "empty.txt"}, {"sub\\deep.tmp", "keep.txt"}};
        for (const auto& link : links)
            ASSERT_TRUE(qs::test::MakeFileLink(root + "\\" + link[0], outside + "\\" + link[1]));
        if (std::string(c.function).find("Folder") != std::string::npos) {
            Call(host, c.function, root, c.args);
        } else {
            for (const auto& link : links)
                Call(host, c.function, root + "\\" + link[0], c.args);
            Call(host, c.function, root + "\\" + c.gone, c.args);
        }
        const std::string what = std::string(c.function) + "(" + c.args + ")";
        EXPECT_EQ(ReadText(outside + "\\keep.txt"), "keep") << what;
        EXPECT_EQ(ReadText(outside + "\\ro.txt"), "read-only") << what;
        EXPECT_EQ(GetFileAttributesA((outside + "\\ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY,
                  DWORD{FILE_ATTRIBUTE_READONLY})
            << what;
        EXPECT_TRUE(Exists(outside + "\\empty.txt")) << what;
        EXPECT_FALSE(Exists(root + "\\" + c.gone)) << what;
    }
}

// Below the folder a script named, depth is no limit: entries whose paths pass the classic limit
// are deleted and wiped like the rest, and their paths are never cut down into another file's.
TEST(LongPaths, AreCleanedAndNeverTruncated) {
    ScriptHost host;
    const std::string root = host.Dir() / "t";
    const std::string folder = root + "\\" + std::string(240 - root.size() - 1, 'd');
    qs::test::MakeDirs(folder);
    const std::string longName = std::string(40, 'n') + ".tmp";
    const std::string longPath = folder + "\\" + longName;
    ASSERT_GT(longPath.size(), 259u);
    const std::string cutPath = longPath.substr(0, 259); // what a truncation would name
    WriteText(cutPath, "cut");
    for (const char* call : {"DeleteFolderContent", "WipeFolderContent"}) {
        WriteBytes(longPath, 5000);
        WriteBytes(folder + "\\" + std::string(200, 'e') + "\\inner.tmp", 5000);
        ASSERT_TRUE(Exists(longPath));
        Call(host, call, root, "'*.tmp', true, 1");
        EXPECT_FALSE(Exists(longPath)) << call;
        EXPECT_FALSE(Exists(folder + "\\" + std::string(200, 'e') + "\\inner.tmp")) << call;
        EXPECT_EQ(ReadText(cutPath), "cut") << call;
    }
}

// A subfolder swapped for a link to another folder while the first of its files is being wiped:
// the rest of the wipe goes on through the handle of the folder it listed, so nothing in the other
// folder is written or deleted.
TEST(WipeFolderContent, ASubfolderSwappedForALinkMidWipeLeavesTheOtherFolderAlone) {
    ScriptHost host;
    const std::string root = host.Dir() / "clean", other = host.Dir() / "other";
    for (int i = 0; i < 30; ++i) {
        const std::string name = "f" + std::to_string(100 + i) + ".bin";
        WriteBytes(root + "\\sub\\" + name, 7000, 'j');
        WriteText(other + "\\" + name, "keep " + name);
    }
    const auto before = qs::test::Snapshot(other);
    Recorder rec;
    bool swapped = false, tried = false;
    rec.onWrite = [&] {
        if (tried)
            return;
        tried = true;
        swapped = MoveFileA((root + "\\sub").c_str(), (host.Dir() / "moved").c_str()) &&
                  qs::test::MakeFolderLink(root + "\\sub", other);
    };
    Call(host, "WipeFolderContent", root, "'', true, 1");
    if (!swapped)
        GTEST_SKIP() << "the platform does not let a folder be renamed while a file in it is open";
    EXPECT_EQ(qs::test::Snapshot(other), before);
    EXPECT_EQ(rec.writes.size(), 3u) << "only the file being wiped when the folder moved was written";
}

// Every file's wipe draws its own random pattern from the system's generator: two files wiped in
// the same second get different bytes.
TEST(WipeOneFile, EachFileGetsItsOwnRandomPattern) {
    ScriptHost host;
    std::string patterns[2];
    for (std::string& pattern : patterns) {
        const std::string path = host.Dir() / "w.bin";
        WriteBytes(path, 4096, 'x');
        Recorder rec;
        rec.failOverwrite = 4; // stop after the random overwrite of the first pass
        EXPECT_FALSE(qs::WipeOneFile(path, 3));
        pattern = ReadText(path);
        ASSERT_EQ(pattern.size(), 4096u);
        qs::test::RemoveTree(path);
    }
    EXPECT_NE(patterns[0], patterns[1]);
    EXPECT_NE(patterns[0].find_first_not_of(patterns[0][0]), std::string::npos);
}

} // namespace
