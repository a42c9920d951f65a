// The companion and rule files: import-winapp2 writes one script per converted entry and says
// what it refused; --winapp2 rows in list, and broken entries reported by check and list.
#include "ChildProcess.h"

#include "cli/CommandLine.h"
#include "cli/TextTable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using qs::test::ChildProcess;
using qs::test::Exists;
using qs::test::Quote;
using qs::test::ReadText;
using qs::test::TempDir;
using qs::test::WriteText;

using Result = qs::test::RunResult;

const char* const kRules = "; test rules\n"
                           "[Foo Cache *]\n"
                           "LangSecRef=3022\n"
                           "FileKey1=%Temp%\\QsNoSuchFolder|*.tmp\n"
                           "\n"
                           "[Foo Logs *]\n"
                           "Section=My tools\n"
                           "Warning=Removes the logs you may want.\n"
                           "FileKey1=%Temp%\\QsNoSuchFolder\\Logs|*.log\n"
                           "\n"
                           "[Prefix: bad*name *]\n"
                           "FileKey1=%Temp%\\QsNoSuchFolder|*.\n"
                           "\n"
                           "[Broken *]\n"
                           "FileKey1\n"
                           "\n"
                           "[Not detected *]\n"
                           "Detect=HKCU\\Software\\QuillsweepTests\\NoSuchKey\n"
                           "FileKey1=%Temp%\\QsNoSuchFolder|*.tmp\n";

class Winapp2CmdTest : public ::testing::Test {
protected:
    void SetUp() override {
        exe = dir / "QuillsweepCmd.exe";
        ASSERT_TRUE(CopyFileA(qs::test::BuiltCompanion().c_str(), exe.c_str(), FALSE));
        CreateDirectoryA((dir / "scripts").c_str(), nullptr);
        WriteText(dir / "rules.ini", kRules);
    }

    Result Run(const std::vector<std::string>& args) { return qs::test::RunToEnd(exe, args); }

    TempDir dir;
    std::string exe;
};

TEST_F(Winapp2CmdTest, ImportWritesOneScriptPerConvertedEntryAndNamesTheRest) {
    // What the output folder already holds and the import does not name stays as it was.
    WriteText(dir / "out\\canary.txt", "canary");
    WriteText(dir / "out\\Internet\\Other.lua", "-- mine");
    const Result r = Run({"import-winapp2", dir / "rules.ini", "--out", dir / "out"});
    ASSERT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_NE(r.out.find("Converted 3 entries"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Refused 1 entries:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("line 11 [Prefix: bad*name]: line 12: FileKey has a pattern ending in ."), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("line 15 [Broken]: not a comment"), std::string::npos) << r.out;
    const std::string cache = ReadText(dir / "out\\Internet\\Foo Cache.lua");
    EXPECT_NE(cache.find("{ folder = \"%TEMP%\\\\QsNoSuchFolder\", files = \"*.tmp\", recurse = false"),
              std::string::npos)
        << cache;
    EXPECT_NE(ReadText(dir / "out\\My tools\\Foo Logs.lua").find("local warning = \"Removes the logs you may want.\""),
              std::string::npos);
    // Detection lives in the script: the entry that does not apply here is still written.
    EXPECT_TRUE(Exists(dir / "out\\Other\\Not detected.lua"));
    EXPECT_FALSE(Exists(dir / "out\\Other\\Broken.lua"));
    EXPECT_EQ(ReadText(dir / "out\\canary.txt"), "canary");
    EXPECT_EQ(ReadText(dir / "out\\Internet\\Other.lua"), "-- mine");

    const Result json = Run({"import-winapp2", "--json", dir / "rules.ini", "--out", dir / "out"});
    ASSERT_EQ(json.code, qs::kExitOk);
    EXPECT_NE(json.out.find("\"refused\":[{\"name\":\"Prefix: bad*name\",\"line\":11,"), std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"problems\":[{\"entry\":\"Broken\",\"line\":15,"), std::string::npos) << json.out;

    EXPECT_EQ(Run({"import-winapp2", dir / "none.ini"}).code, qs::kExitCannotStart);
    EXPECT_EQ(Run({"import-winapp2"}).code, qs::kExitUsage);
    EXPECT_EQ(Run({"list", "--out", dir / "out"}).code, qs::kExitUsage);
}

TEST_F(Winapp2CmdTest, RowsOfTheRuleFileAndItsProblemsInListAndCheck) {
    Result r = Run({"list", "--winapp2", dir / "rules.ini"});
    ASSERT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_NE(r.out.find("Foo Cache"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("My tools"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Not detected"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("rules.ini:15: broken entry [Broken] (skipped): not a comment"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("rules.ini:11: entry [Prefix: bad*name] refused (not listed)"), std::string::npos) << r.out;

    r = Run({"check", "-q", "--winapp2", dir / "rules.ini"});
    EXPECT_EQ(r.code, qs::kExitScriptFailed) << r.out << r.err;
    EXPECT_NE(r.out.find("rules.ini:15: broken entry [Broken]"), std::string::npos) << r.out;

    EXPECT_EQ(Run({"list", "--winapp2", dir / "none.ini"}).code, qs::kExitCannotStart);
}

} // namespace
