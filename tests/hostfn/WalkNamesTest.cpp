// Every name the file system holds is measured, deleted and wiped exactly like an ASCII name,
// through real scripts, with preview equal to clean and every byte outside the named folder kept;
// and depth below the named folder is no limit.
#include "support/ScriptHost.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using qs::test::Printable;
using qs::test::ScriptHost;
using qs::test::TreeSnapshot;

struct NameCase {
    const char* label;
    std::vector<const wchar_t*> entries; // below the cleaned folder; "\\" separates, a final one makes a folder
    bool optional;                        // the platform may refuse to make these names
};

// Fullwidth look-alikes: full stop, reverse solidus, solidus, and the letters of "temp" and "victim".
#define FW_DOTS L"\xFF0E\xFF0E"
#define FW_BSL L"\xFF3C"
#define FW_SL L"\xFF0F"
#define FW_TEMP L"\xFF54\xFF45\xFF4D\xFF50"
#define FW_VICTIM L"\xFF56\xFF49\xFF43\xFF54\xFF49\xFF4D"
#define FW_DOCS L"\xFF44\xFF4F\xFF43\xFF53"

const NameCase kNames[] = {
    {"cjk", {L"\x65E5\x672C" L"dir\\a.tmp", L"\x65E5\x672C" L"dir\\b.txt", L"\x65E5\x672C.tmp"}, false},
    {"greek", {L"\x03A9" L"dir\\a.tmp", L"\x03A9" L"dir\\b.txt", L"\x03C9.TMP"}, false},
    {"emoji", {L"\xD83D\xDE00" L"dir\\a.tmp", L"x\xD83D\xDE00.tmp", L"\xD83D\xDCA9" L"dir\\sub\\b.txt"}, false},
    {"combining marks", {L"e\x0301" L"dir\\a.tmp", L"n\x0303.tmp", L"a\x0308\x0301\\b.txt"}, false},
    {"fullwidth dots and reverse solidus",
     {FW_DOTS FW_BSL FW_VICTIM L"\\secret.txt", FW_DOTS FW_BSL FW_DOTS FW_BSL FW_VICTIM L"\\secret.tmp",
      FW_DOTS FW_BSL FW_VICTIM FW_BSL L"secret.txt", FW_DOTS FW_BSL FW_VICTIM FW_BSL L"secret.tmp",
      FW_DOTS FW_BSL FW_DOTS FW_BSL FW_DOCS L"\\"},
     false},
    {"fullwidth solidus", {FW_DOTS FW_SL FW_VICTIM L"\\secret.tmp", L"a" FW_SL L"b.tmp", L"a" FW_SL L"b.txt"}, false},
    {"look-alike siblings", {L"temp\\a.tmp", L"temp\\b.txt", FW_TEMP L"\\c.tmp", FW_TEMP L"\\d.txt"}, false},
    {"a folder named fullwidth dots", {FW_DOTS L"\\a.tmp", FW_DOTS L"\\b.txt", L"\xFF0E\\c.tmp"}, false},
    {"trailing dot and space",
     {L"dot.\\a.tmp", L"space \\b.tmp", L"file.", L"file ", L"file", L"x.tmp.", L"y.tmp ", L"dots..\\c.txt"}, false},
    {"reserved device names", {L"CON\\a.tmp", L"nul.txt", L"aux.tmp", L"COM1\\b.txt"}, true},
};

// The relative path's last component ends in ".tmp" (any case of the ASCII letters).
bool IsTmp(const std::wstring& relative) {
    if (relative.size() < 4 || relative.back() == L'\\')
        return false;
    std::wstring end = relative.substr(relative.size() - 4);
    for (wchar_t& c : end)
        c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return end == L".tmp";
}

bool AtTop(const std::wstring& relative) { return relative.find(L'\\') == std::wstring::npos; }

struct Operation {
    const char* label;
    const char* measure; // the arguments of GetFolderSize after the folder
    const char* clean;   // the call, with the arguments after the folder
    std::function<bool(const std::wstring& relative, bool folder)> removes;
    bool countsTopFolders; // the measurement counts the folders on top that it removes as items
};

bool Files(const std::wstring&, bool folder) { return !folder; }
bool Everything(const std::wstring&, bool) { return true; }
bool TmpFiles(const std::wstring& relative, bool folder) { return !folder && IsTmp(relative); }

const Operation kOperations[] = {
    // A matching folder goes whole; an empty mask list removes the files and keeps the folders.
    {"delete everything", "'*', true", "DeleteFolderContent(T, '*', true)", Everything, true},
    {"delete without masks", "'', true", "DeleteFolderContent(T, '', true)", Files, false},
    {"delete *.tmp below", "'*.tmp', true", "DeleteFolderContent(T, '*.tmp', true)", TmpFiles, false},
    {"delete *.tmp on top", "'*.tmp', false", "DeleteFolderContent(T, '*.tmp', false)",
     [](const std::wstring& r, bool folder) { return TmpFiles(r, folder) && AtTop(r); }, false},
    // The folder a script names may itself lie below a folder named "temp": the mask names the
    // cleaned folder's own "temp", never its fullwidth look-alike.
    {"delete *\\tree*\\temp\\*", "'*\\\\tree*\\\\temp\\\\*', true", "DeleteFolderContent(T, '*\\\\tree*\\\\temp\\\\*', true)",
     [](const std::wstring& r, bool folder) { return !folder && r.rfind(L"temp\\", 0) == 0; }, false},
    // The wipe never matches folders; with an empty list the emptied ones go.
    {"wipe everything", "'', true", "WipeFolderContent(T, '', true, 1)", Everything, false},
    {"wipe *.tmp below", "'*.tmp', true", "WipeFolderContent(T, '*.tmp', true, 1)", TmpFiles, false},
};

std::uint64_t OnDrive(std::uint64_t length, std::uint32_t cluster) {
    return (length + cluster - 1) / cluster * cluster;
}

// The sandbox: the cleaned folder sits two levels down, with folders named "victim" one and two
// levels above it (where "..\victim" and "..\..\victim" lead), full of canaries. Every case
// cleans a new folder beside the earlier ones (which the platform may be unable to remove).
class WalkNames : public ::testing::Test {
protected:
    void SetUp() override {
        cluster = qs::test::TempClusterSize();
        ASSERT_GT(cluster, 0u);
        for (const char* canary : {"victim\\secret.txt", "victim\\secret.tmp", "victim\\sub\\deep.tmp",
                                   "a\\victim\\secret.txt", "a\\victim\\secret.tmp", "a\\temp\\x.tmp",
                                   "a\\docs\\letter.doc", "docs\\letter.doc", "a\\tree.tmp", "outside.tmp"})
            qs::test::WriteText(sandbox / canary, std::string("canary ") + canary);
        NextTree();
    }
    std::string Tree() const { return sandbox / ("a\\tree" + std::to_string(round)); }
    void NextTree() {
        ++round;
        qs::test::MakeDirs(Tree());
    }
    // Everything in the sandbox but the cleaned folder's content.
    TreeSnapshot Outside() {
        TreeSnapshot all = qs::test::Snapshot(sandbox.Path());
        TreeSnapshot out;
        for (const auto& entry : all)
            if (entry.first.rfind(qs::test::Wide("a\\tree" + std::to_string(round) + "\\"), 0) != 0)
                out.insert(entry);
        return out;
    }
    std::vector<std::string> Run(const std::string& call) {
        std::string lua = call;
        lua.replace(lua.find("T,"), 1, "[[" + Tree() + "]]");
        return host.Eval(lua);
    }

    // Makes `entries`, measures, cleans and checks: what the call selects is gone and was what
    // the measurement counted; everything else, inside and outside, is as it was.
    void Check(const std::string& what, const std::vector<std::wstring>& entries, const Operation& op) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::string content = what + " " + std::to_string(i) + std::string(i * 700, 'c');
            ASSERT_TRUE(qs::test::MakeEntry(Tree(), entries[i], content)) << what << ": " << Printable(entries[i]);
        }
        const TreeSnapshot before = qs::test::Snapshot(Tree()), outside = Outside();
        const auto measured = Run(std::string("return self:GetFolderSize(T, ") + op.measure + ")");

        TreeSnapshot expected;
        std::uint64_t size = 0, count = 0;
        for (const auto& [relative, content] : before) {
            const bool folder = relative.back() == L'\\';
            if (!op.removes(relative, folder)) {
                expected.emplace(relative, content);
            } else if (!folder) {
                size += OnDrive(content.size(), cluster);
                ++count;
            } else if (op.countsTopFolders && AtTop(relative.substr(0, relative.size() - 1))) {
                ++count;
            }
        }
        EXPECT_EQ(measured, (std::vector<std::string>{"s:" + std::to_string(size), "s:" + std::to_string(count)}))
            << what << ": the measurement is what the clean removes";

        EXPECT_TRUE(Run("self:" + std::string(op.clean)).empty());
        const TreeSnapshot after = qs::test::Snapshot(Tree());
        EXPECT_EQ(after, expected) << what;
        for (const auto& [relative, content] : after)
            if (!expected.count(relative))
                ADD_FAILURE() << what << ": left " << Printable(relative);
        for (const auto& [relative, content] : expected)
            if (!after.count(relative))
                ADD_FAILURE() << what << ": removed " << Printable(relative);
        EXPECT_EQ(Outside(), outside) << what << ": something outside the folder changed";
    }

    ScriptHost host;
    qs::test::TempDir sandbox;
    std::uint32_t cluster = 0;
    int round = 0;
};

TEST_F(WalkNames, EveryNameIsMeasuredAndCleanedLikeAnAsciiName) {
    for (const NameCase& names : kNames) {
        for (const Operation& op : kOperations) {
            const std::string what = std::string(names.label) + ", " + op.label;
            std::vector<std::wstring> entries(names.entries.begin(), names.entries.end());
            qs::test::MakeDirs(sandbox / "probe");
            if (names.optional && !qs::test::MakeEntry(sandbox / "probe", entries.front(), "probe")) {
                std::printf("%s: the platform refuses these names\n", names.label);
                break;
            }
            Check(what, entries, op);
            NextTree();
        }
    }
}

// 200 folders deep, every name long and some not in the code page: more than 32 KiB of path. What
// the platform can name is measured and cleaned; the measurement is what the clean removes.
TEST_F(WalkNames, DepthBelowTheNamedFolderIsNoLimit) {
    std::vector<std::wstring> entries;
    std::wstring chain;
    for (int level = 1; level <= 200; ++level) {
        chain += (level % 2 ? L"\x65E5\x672C" : L"\x03A9") + std::wstring(98, L'd') + L"\\";
        if (level <= 3 || level % 25 == 0)
            entries.push_back(chain + L"f" + std::to_wstring(level) + L".tmp");
    }
    ASSERT_GT(chain.size() * sizeof(wchar_t), 32768u);
    for (const Operation& op : {kOperations[1], kOperations[5]}) {
        for (std::size_t i = 0; i < entries.size(); ++i)
            ASSERT_TRUE(qs::test::MakeEntry(Tree(), entries[i], std::string(100 + i, 'd')));
        const TreeSnapshot before = qs::test::Snapshot(Tree()), outside = Outside();
        ASSERT_EQ(before.size(), 200u + entries.size());
        const auto measured = Run(std::string("return self:GetFolderSize(T, ") + op.measure + ")");
        EXPECT_TRUE(Run("self:" + std::string(op.clean)).empty());
        const TreeSnapshot after = qs::test::Snapshot(Tree());

        std::uint64_t size = 0, count = 0;
        for (const auto& [relative, content] : before) {
            if (relative.back() == L'\\' || after.count(relative))
                continue;
            size += OnDrive(content.size(), cluster);
            ++count;
        }
        EXPECT_EQ(measured, (std::vector<std::string>{"s:" + std::to_string(size), "s:" + std::to_string(count)}))
            << op.label;
        // Everything whose path the platform can name is gone: on Windows all of it; under Wine
        // what lies within the Unix path limit (4096 bytes), far past the classic 259 characters.
        for (const auto& [relative, content] : after) {
            if (relative.back() != L'\\') {
                EXPECT_TRUE(qs::test::UnderWine() && relative.size() > 1200)
                    << op.label << ": left at " << relative.size() << " characters";
            }
        }
        EXPECT_GE(count, 4u) << op.label;
        std::printf("%s: %llu of %zu files cleaned, %zu entries left\n", op.label,
                    static_cast<unsigned long long>(count), entries.size(), after.size());
        EXPECT_EQ(Outside(), outside) << op.label;
        NextTree();
    }
}

} // namespace
