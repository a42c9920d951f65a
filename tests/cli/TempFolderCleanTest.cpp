// The shipped "User temporary files" plugin run by the built companion on a profile whose
// temporary folder holds folders named with fullwidth look-alikes of "..\..\docs": the clean stays
// inside the temporary folder, and what it measured before is exactly what it removed.
#include "ChildProcess.h"

#include "cli/Report.h"
#include "framework/Handle.h"
#include "support/ScriptHost.h"
#include "support/TempDir.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

using qs::test::BuiltCompanion;
using qs::test::TempDir;
using qs::test::TreeSnapshot;

// Sets an environment variable for the test's lifetime; the companion inherits it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name) {
        char old[MAX_PATH] = {};
        m_had = GetEnvironmentVariableA(name, old, MAX_PATH) != 0;
        m_old = old;
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableA(m_name, m_had ? m_old.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

#define FW_UP L"\xFF0E\xFF0E\xFF3C" // fullwidth "..\"

// Whether this build has the job functions the shipped plugins are written on: they arrive with
// a change of their own, and this test waits for them.
bool HostHasJobFunctions() {
    qs::test::ScriptHost host;
    return host.Eval("return type(self.MeasureFiles)") == std::vector<std::string>{"s:function"};
}

// Sets the last write time of the file `relative` below `root` three days into the past: the
// plugin keeps files written within the last day.
void AgeFile(const std::string& root, const std::wstring& relative) {
    const std::wstring path = std::wstring(root.begin(), root.end()) + L"\\" + relative;
    qs::Handle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= 72ull * 3600 * 10000000;
    const FILETIME then{t.LowPart, t.HighPart};
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &then));
}

TEST(TempFolderClean, ALookAlikeFolderNeverLeadsTheCleanOutsideTheTemporaryFolder) {
    if (!HostHasJobFunctions())
        GTEST_SKIP() << "the shipped plugins need the job functions, which this build lacks yet";
    TempDir dir;
    const std::string exe = dir / "QuillsweepCmd.exe";
    ASSERT_TRUE(CopyFileA(BuiltCompanion().c_str(), exe.c_str(), FALSE)) << BuiltCompanion();
    qs::test::MakeDirs(dir / "scripts");
    const std::string plugin = std::string(QS_SCRIPTS_SOURCE) + "\\System\\User temporary files.lua";
    ASSERT_TRUE(CopyFileA(plugin.c_str(), (dir / "scripts\\User temporary files.lua").c_str(), FALSE)) << plugin;

    // The profile: documents two folders above the temporary folder, and a file beside it.
    const std::string profile = dir / "profile", temp = profile + "\\Local\\Temp";
    qs::test::WriteText(profile + "\\docs\\letter.doc", "a document");
    qs::test::WriteText(profile + "\\docs\\more\\notes.txt", "notes");
    qs::test::WriteText(profile + "\\Local\\keep.tmp", "beside the temporary folder");
    qs::test::MakeDirs(temp);
    for (const wchar_t* entry : {FW_UP FW_UP L"\xFF44\xFF4F\xFF43\xFF53\\", // an empty folder "..\..\docs"
                                 FW_UP FW_UP L"docs\\", FW_UP L"keep.tmp\\", L"\xFF0E\xFF0E\\",
                                 FW_UP FW_UP L"docs\xFF3C" L"letter.doc"})
        ASSERT_TRUE(qs::test::MakeEntry(temp, entry)) << qs::test::Printable(entry);
    ASSERT_TRUE(qs::test::MakeEntry(temp, L"junk.tmp", std::string(5000, 'j')));
    ASSERT_TRUE(qs::test::MakeEntry(temp, L"\x65E5\x672C\\cache.bin", std::string(100, 'c')));
    ASSERT_TRUE(qs::test::MakeEntry(temp, FW_UP FW_UP L"docs\\inside.txt", "inside"));

    auto outside = [&] {
        TreeSnapshot all = qs::test::Snapshot(profile), out;
        for (const auto& entry : all)
            if (entry.first.rfind(L"Local\\Temp\\", 0) != 0)
                out.insert(entry);
        return out;
    };
    for (const auto& entry : qs::test::Snapshot(temp))
        if (entry.first.back() != L'\\')
            AgeFile(temp, entry.first);
    const TreeSnapshot before = qs::test::Snapshot(temp), kept = outside();
    const std::uint32_t cluster = qs::test::TempClusterSize();
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    TreeSnapshot folders;
    for (const auto& [relative, content] : before) {
        if (relative.back() == L'\\') {
            folders.emplace(relative, content); // the plugin's job keeps the folders
        } else {
            size += (content.size() + cluster - 1) / cluster * cluster;
            ++count;
        }
    }
    ASSERT_EQ(count, 4u);

    ScopedVariable tempVariable("TEMP", temp), tmpVariable("TMP", temp);
    qs::test::ChildProcess child;
    ASSERT_TRUE(child.Start(qs::test::Quote(exe) + " clean \"User temporary files\""));
    EXPECT_EQ(child.Finish(), 0) << child.Err();

    qs::CPluginOutcome cleaned;
    cleaned.name = "User temporary files";
    cleaned.status = qs::CPluginOutcome::kOk;
    cleaned.measuredBefore = cleaned.measured = true;
    cleaned.sizeBefore = size;
    cleaned.countBefore = count;
    EXPECT_EQ(child.Out(), qs::FormatClean({cleaned}, false, false)) << "measured before is what went";
    EXPECT_EQ(qs::test::Snapshot(temp), folders);
    EXPECT_EQ(outside(), kept) << "something outside the temporary folder changed";
}

} // namespace
