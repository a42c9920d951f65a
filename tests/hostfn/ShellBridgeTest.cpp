// Recycle bin measuring and emptying, and system icon lookups by path and by extension.
#include "hostfn/ShellBridge.h"

#include "support/ScriptHost.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

using qs::test::ScriptHost;
using qs::test::TempDir;
using Results = std::vector<std::string>;

// Moves a file into the recycle bin with the shell's delete-with-undo.
bool MoveToBin(const std::string& path) {
    std::string from = path;
    from.push_back('\0'); // the list of sources ends with an empty one
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted && !qs::test::Exists(path);
}

struct BinTotals {
    std::uint64_t size = 0;
    std::uint32_t count = 0;
};

BinTotals Measure(const std::string& root = "") {
    BinTotals t;
    qs::QueryRecycleBin(root, t.size, t.count);
    return t;
}

// The tests run with a home and data folder of their own, so this bin is a private one.
TEST(RecycleBin, MeasuresFilesMovedInAndEmptiesWithoutAsking) {
    ScriptHost host;
    qs::EmptyRecycleBin("");
    const BinTotals base = Measure();
    TempDir dir;
    qs::test::WriteBytes(dir / "a.txt", 100);
    qs::test::WriteBytes(dir / "b.log", 5000);
    ASSERT_TRUE(MoveToBin(dir / "a.txt"));
    ASSERT_TRUE(MoveToBin(dir / "b.log"));

    const BinTotals full = Measure();
    EXPECT_EQ(full.count, base.count + 2);
    EXPECT_EQ(full.size, base.size + 5100);
    EXPECT_EQ(host.Eval("return self:GetRecycleBinInfo()"),
              (Results{"s:" + std::to_string(full.size), "s:" + std::to_string(full.count)}));

    // A root holding a NUL byte names no bin: nothing is measured and nothing emptied.
    const std::string nulRoot("\0C:\\", 4);
    EXPECT_EQ(Measure(nulRoot).count, 0u);
    qs::EmptyRecycleBin(nulRoot);
    EXPECT_EQ(Measure().count, full.count);

    EXPECT_EQ(host.Eval("self:EmptyRecycleBin()"), Results{});
    const BinTotals emptied = Measure();
    EXPECT_EQ(emptied.count, base.count);
    EXPECT_EQ(emptied.size, base.size);
}

int ShellIconOf(const std::string& path, DWORD attributes) {
    SHFILEINFOA info = {};
    info.iIcon = -1;
    SHGetFileInfoA(path.c_str(), attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    return info.iIcon;
}

class IconTest : public ::testing::Test {
protected:
    std::string TempFolder() const {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        return temp;
    }
    TempDir m_dir;
    ScriptHost m_host;
};

TEST_F(IconTest, PathsGetTheShellsIconOrMinusOne) {
    const int folderIcon = ShellIconOf(m_dir.Path(), FILE_ATTRIBUTE_DIRECTORY);
    // Help files are registered with an icon of their own in every prefix.
    const int helpIcon = ShellIconOf("x.chm", FILE_ATTRIBUTE_NORMAL);
    ASSERT_GE(folderIcon, 0);
    ASSERT_GE(helpIcon, 0);
    ASSERT_NE(helpIcon, ShellIconOf("x.qsunregistered", FILE_ATTRIBUTE_NORMAL));
    qs::test::WriteBytes(m_dir / "help.chm", 10);

    EXPECT_EQ(qs::GetIconIndexOfPath(m_dir.Path()), folderIcon);
    EXPECT_EQ(qs::GetIconIndexOfPath(m_dir / "help.chm"), helpIcon);
    EXPECT_EQ(qs::GetIconIndexOfPath(m_dir / "missing.chm"), -1);
    EXPECT_EQ(qs::GetIconIndexOfPath(""), -1);
    // The path goes through the macro expansion; the script's raw text arrives here.
    EXPECT_EQ(m_host.Eval("return self:GetIconIndex('%temp%')"), Results{"n:" + std::to_string(folderIcon)});
    EXPECT_EQ(m_host.Eval("return self:GetIconIndex([[" + m_dir.Path() + "\\missing]])"), Results{"n:-1"});
}

TEST_F(IconTest, ExtensionsUseATemporaryFileThatNeverStays) {
    const int helpIcon = ShellIconOf("x.chm", FILE_ATTRIBUTE_NORMAL);
    const std::string temp = TempFolder();
    EXPECT_EQ(qs::GetIconIndexOfExtension("chm"), helpIcon);
    EXPECT_EQ(m_host.Eval("return self:GetIconIndexByExt('chm')"), Results{"n:" + std::to_string(helpIcon)});
    EXPECT_FALSE(qs::test::Exists(temp + "8wu.chm"));
    EXPECT_EQ(qs::GetIconIndexOfExtension("qsunregistered"), ShellIconOf("x.qsunregistered", FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(qs::test::Exists(temp + "8wu.qsunregistered"));
}

TEST_F(IconTest, ExtensionsThatCannotNameAFileGiveMinusOneAndTouchNothing) {
    // A file that an extension with "\..\" would reach: it must keep its content.
    const std::string victim = m_dir / "victim.txt";
    qs::test::WriteText(victim, "keep me");
    const std::string folderName = m_dir.Path().substr(m_dir.Path().find_last_of('\\') + 1);
    for (const std::string& ext : {std::string("t?t"), std::string("a*"), std::string("x:y"), std::string("<b>"),
                                   std::string("a|b"), std::string("q\"q"), std::string("a/b"), std::string("t\tt"),
                                   std::string("\\..\\" + folderName + "\\victim.txt"), std::string("chm\0x", 5)}) {
        EXPECT_EQ(qs::GetIconIndexOfExtension(ext), -1) << ext;
    }
    EXPECT_EQ(qs::test::ReadText(victim), "keep me");
}

TEST_F(IconTest, AFileThatAlreadyHasTheTemporaryNameIsLeftAlone) {
    const std::string existing = TempFolder() + "8wu.qsexisting";
    qs::test::WriteText(existing, "not ours");
    EXPECT_EQ(qs::GetIconIndexOfExtension("qsexisting"), ShellIconOf("x.qsexisting", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(qs::test::ReadText(existing), "not ours");
    DeleteFileA(existing.c_str());
}

} // namespace
