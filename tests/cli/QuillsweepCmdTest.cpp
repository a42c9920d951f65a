// The built companion under Wine, on scripts folders made by the tests: every command's output
// and exit code, broken scripts with their lines, cleans that touch only what was named, and
// Ctrl+C.
#include "ChildProcess.h"

#include "cli/CommandLine.h"
#include "cli/Companion.h"
#include "cli/Report.h"
#include "engine/FileNameText.h"
#include "engine/LuaVirtualMachine.h"
#include "engine/PluginScript.h"
#include "support/ScriptHost.h"
#include "support/TempDir.h"
#include "support/Unicode.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using qs::CPluginOutcome;
using qs::test::ChildProcess;
using qs::test::Exists;
using qs::test::Quote;
using qs::test::ReadText;
using qs::test::BuiltCompanion;
using qs::test::TempDir;
using qs::test::WriteBytes;
using qs::test::WriteText;
using qs::test::WriteWideFile;
using Lines = std::vector<std::string>;

// Output split at the companion's line ending.
Lines SplitLines(const std::string& text) {
    Lines out;
    std::size_t at = 0;
    for (std::size_t eol = text.find(qs::kEol); eol != std::string::npos; eol = text.find(qs::kEol, at)) {
        out.push_back(text.substr(at, eol - at));
        at = eol + 2;
    }
    if (at < text.size())
        out.push_back(text.substr(at));
    return out;
}

Lines Sorted(Lines lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Entry names of a folder in the order the file system lists them (the catalogue's order).
Lines ListingOrder(const std::string& folder) {
    Lines out;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return out;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            out.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return out;
}

// A plugin whose GetSize answers fixed figures.
std::string Fixed(const std::string& name, const std::string& size = "0", int count = 0) {
    return "function this:GetPluginName() return [[" + name +
           "]] end\n"
           "function this:GetSize() return " +
           size + ", " + std::to_string(count) +
           " end\n"
           "function this:Clear() error('Clear must not run here') end\n";
}

using Result = qs::test::RunResult;

class CompanionTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A copy of its own, so that the scripts folder and settings.xml beside it are the test's.
        exe = dir / "QuillsweepCmd.exe";
        ASSERT_TRUE(CopyFileA(BuiltCompanion().c_str(), exe.c_str(), FALSE)) << BuiltCompanion();
        static int counter = 0;
        keys =
            "Software\\QuillsweepTests\\Cmd-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, keys.c_str()); }

    // A cleaning job: three registry values under a key of its own, and a folder with a small
    // file and a big one in a subfolder. The plugin `name` counts the values (1000 bytes each)
    // and clears by deleting the values and the folder's content.
    std::string Job(const std::string& name, const std::string& job) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (keys + "\\" + job).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const char* value : {"a", "b", "c"}) {
            const DWORD one = 1;
            RegSetValueExA(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
        }
        RegCloseKey(key);
        WriteBytes(Data(job) + "\\small.tmp", 100);
        WriteBytes(Data(job) + "\\sub\\big.tmp", 5000);
        return "local key = [[HKEY_CURRENT_USER\\" + keys + "\\" + job + "]]\n" + "local folder = [[" + Data(job) +
               "]]\n"
               "function this:GetPluginName() return [[" +
               name +
               "]] end\n"
               "function this:GetSize()\n"
               "  local n = self:RegKeyGetNumberOfValues(key, '')\n"
               "  return n * 1000, n\n"
               "end\n"
               "function this:Clear()\n"
               "  self:RegKeyDeleteValues(key, '')\n"
               "  self:DeleteFolderContent(folder, '', true)\n"
               "end\n";
    }
    std::string Data(const std::string& job) const { return dir / ("data\\" + job); }
    // Values left in a job's key.
    DWORD Values(const std::string& job) const {
        HKEY key = nullptr;
        DWORD count = 0;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, (keys + "\\" + job).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                             nullptr, nullptr);
            RegCloseKey(key);
        }
        return count;
    }
    // Whether the job's files are all there.
    bool FilesKept(const std::string& job) const {
        return Exists(Data(job) + "\\small.tmp") && Exists(Data(job) + "\\sub\\big.tmp");
    }

    std::string Scripts() const { return dir / "scripts"; }
    void Script(const std::string& relative, const std::string& source) {
        WriteText(Scripts() + "\\" + relative, source);
    }
    std::string Settings() const { return dir / "settings.xml"; }
    void Store(const Lines& names) {
        std::string xml = "<Quillsweep><selected>";
        for (const std::string& n : names)
            xml += "<plugin>" + n + "</plugin>";
        WriteText(Settings(), xml + "</selected></Quillsweep>");
    }

    Result Run(const Lines& args) { return qs::test::RunToEnd(exe, args); }

    TempDir dir;
    std::string exe;
    std::string keys; // the test's registry keys, below HKEY_CURRENT_USER
};

// Installed in a folder whose name the code page lacks (ｔｏｏｌｓ), beside a look-alike folder
// (tools) that the code page's best-fit conversion would name instead, the companion uses its
// own scripts and settings, never the look-alike's.
TEST_F(CompanionTest, AnInstallFolderOutsideTheCodePageIsNeverTakenForALookAlike) {
    const std::wstring own = L"\uff54\uff4f\uff4f\uff4c\uff53";
    ASSERT_TRUE(WriteWideFile(dir.Path(), L"tools\\scripts\\wrong.lua", "function this:GetPluginName() return 'Look-alike' end\n"));
    WriteText(dir / "tools\\settings.xml", "<Quillsweep><selected><plugin>Look-alike</plugin></selected></Quillsweep>");
    ASSERT_TRUE(WriteWideFile(dir.Path(), own + L"\\scripts\\right.lua", "function this:GetPluginName() return 'Own' end\n"));
    ASSERT_TRUE(WriteWideFile(dir.Path(), own + L"\\settings.xml",
                              "<Quillsweep><selected><plugin>Own</plugin></selected></Quillsweep>"));
    const std::wstring wideDir(dir.Path().begin(), dir.Path().end()); // the test folder's name is ASCII
    const std::wstring wideExe = wideDir + L"\\" + own + L"\\QuillsweepCmd.exe";
    ASSERT_TRUE(CopyFileW(std::wstring(exe.begin(), exe.end()).c_str(), wideExe.c_str(), FALSE));

    ChildProcess child;
    ASSERT_TRUE(child.Start(L"\"" + wideExe + L"\" list"));
    EXPECT_EQ(child.Finish(), 0u) << child.Err();
    const std::string out = child.Out();
    // The one row is its own plugin, checked by its own settings file.
    EXPECT_NE(out.find("0      plugin  yes      Own"), std::string::npos) << out << child.Err();
    EXPECT_EQ(out.find("Look-alike"), std::string::npos) << out;
}

TEST_F(CompanionTest, HelpAndCommandLineMistakes) {
    Result r = Run({"--help"});
    EXPECT_EQ(r.code, qs::kExitOk);
    std::string usage;
    for (const char c : qs::UsageText())
        usage += c == '\n' ? std::string(qs::kEol) : std::string(1, c);
    EXPECT_EQ(r.out, usage);
    EXPECT_EQ(r.err, "");

    r = Run({});
    EXPECT_EQ(r.code, qs::kExitUsage);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(SplitLines(r.err), (Lines{"QuillsweepCmd: No command given.", "Try QuillsweepCmd --help."}));

    r = Run({"clean", "-q"});
    EXPECT_EQ(r.code, qs::kExitUsage);
    EXPECT_NE(r.err.find("clean needs the names"), std::string::npos) << r.err;
}

TEST_F(CompanionTest, ListShowsEveryRowAndEveryScriptWithoutOne) {
    Script("Browsers\\category.lua", "function this:GetCategoryName() return 'Web Browsers' end\n");
    Script("Browsers\\cache.lua", Fixed("Browser Cache"));
    Script("Browsers\\Deep\\deep.lua", Fixed("Deep One"));
    Script("System\\category.lua", "-- broken\nlocal = 1\n");
    Script("System\\cafe.lua", Fixed("Caf\xE9 files"));
    Script("broken.lua", "function this:GetPluginName()\n  return 'x'\nend end\n");
    Script("silent.lua", "x = 1\n");
    Script("empty.lua", Fixed(""));
    Script("notes.txt", "Not a script.\n");
    Store({"browser cache"});
    const std::string settings = ReadText(Settings());

    const Result r = Run({"list"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    const Lines lines = SplitLines(r.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Depth  Type      Checked  Name");
    // Rows come in the file system's order; a category's rows follow it.
    const Lines rows(lines.begin() + 1, std::find(lines.begin(), lines.end(), ""));
    EXPECT_EQ(Sorted(rows), Sorted({
                                "0      category  partly   Web Browsers",
                                "1      plugin    yes        Browser Cache",
                                "1      category  no         Deep",
                                "2      plugin    no           Deep One",
                                "0      category  no       System",
                                "1      plugin    no         Caf\xE9 files",
                            }));
    const auto web = std::find(rows.begin(), rows.end(), "0      category  partly   Web Browsers");
    ASSERT_NE(web, rows.end());
    EXPECT_EQ(std::find(web, rows.end(), "2      plugin    no           Deep One") -
                  std::find(web, rows.end(), "1      category  no         Deep"),
              1);

    const std::string s = Scripts() + "\\";
    const auto problems = std::find(lines.begin(), lines.end(), "Problems:");
    ASSERT_NE(problems, lines.end()) << r.out;
    EXPECT_EQ(Sorted(Lines(problems + 1, lines.end())),
              Sorted({
                  s + "System\\category.lua:2: load error (category named after its folder): '<name>' expected "
                      "near '='",
                  s + "broken.lua:3: load error (not listed): '<eof>' expected near 'end'",
                  s + "silent.lua: no GetPluginName (not listed)",
                  s + "notes.txt:1: load error (not listed): '=' expected near 'a'",
              }));
    // A script that gives no name is detection saying its program is not here: a note of its
    // own, before the problems, and no problem.
    const auto note =
        std::find(lines.begin(), lines.end(), "Not listed, their programs are not here (GetPluginName gave no name):");
    ASSERT_NE(note, lines.end()) << r.out;
    EXPECT_EQ(Lines(note + 1, std::find(note, lines.end(), "")), Lines{s + "empty.lua"});
    EXPECT_LT(note, problems);
    // Only read: the settings file is as it was.
    EXPECT_EQ(ReadText(Settings()), settings);

    // The same as JSON, names in UTF-8.
    const Result json = Run({"list", "--json"});
    EXPECT_EQ(json.code, qs::kExitOk);
    EXPECT_NE(
        json.out.find("{\"depth\":1,\"type\":\"plugin\",\"checked\":\"no\",\"name\":\"Caf\xC3\xA9 files\",\"file\":"),
        std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"line\":3,\"problem\":\"load error\",\"effect\":\"not listed\",\"message\":\"'<eof>' "
                            "expected near 'end'\",\"broken\":true}"),
              std::string::npos)
        << json.out;
}

// A category whose every job was undetected (no program, no name), or that holds only such
// categories, is not listed, in text or JSON; its scripts still appear, in the note of scripts
// whose programs are not here.
TEST_F(CompanionTest, ListLeavesOutCategoriesWithoutRows) {
    Script("Apps\\category.lua", "function this:GetCategoryName() return 'Applications' end\n");
    Script("Apps\\absent.lua", Fixed(""));
    Script("Dev\\Tools\\absent.lua", Fixed(""));
    Script("System\\Old\\absent.lua", Fixed(""));
    Script("System\\temp.lua", Fixed("Temp"));

    const Result r = Run({"list"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    const Lines lines = SplitLines(r.out);
    const Lines rows(lines.begin() + 1, std::find(lines.begin(), lines.end(), ""));
    EXPECT_EQ(rows, (Lines{"0      category  no       System", "1      plugin    no         Temp"}));
    const std::size_t note = r.out.find("Not listed, their programs are not here");
    ASSERT_NE(note, std::string::npos) << r.out;
    for (const char* absent : {"\\Apps\\absent.lua", "\\Dev\\Tools\\absent.lua", "\\System\\Old\\absent.lua"})
        EXPECT_NE(r.out.find(Scripts() + absent + qs::kEol, note), std::string::npos) << absent << r.out;

    const Result json = Run({"list", "--json"});
    EXPECT_EQ(json.code, qs::kExitOk);
    EXPECT_NE(json.out.find("\"name\":\"System\""), std::string::npos) << json.out;
    for (const char* gone : {"\"Applications\"", "\"Dev\"", "\"Tools\"", "\"Old\""})
        EXPECT_EQ(json.out.find(gone), std::string::npos) << gone << json.out;
}

// The path as a JSON string holds it (every backslash doubled).
std::string JsonPath(std::string path) {
    std::string out;
    for (const char c : path)
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

TEST_F(CompanionTest, ScriptsWithAnyNameAreListedCheckedAndWrittenAsUtf8) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the shown names below are those of code page 1252, not " << GetACP();
    const std::string s = Scripts();
    ASSERT_TRUE(WriteWideFile(s, L"job.lua", Fixed("Job", "100", 1)));
    ASSERT_TRUE(WriteWideFile(s, L"\uff4a\uff4f\uff42.lua", Fixed("Fullwidth job", "200", 2)));
    ASSERT_TRUE(WriteWideFile(s, L"\u65e5\u672c\\\U0001F600.lua", Fixed("Caf\xE9 emoji", "300", 3)));
    ASSERT_TRUE(WriteWideFile(s, L"\u58ca.lua", "function this:GetPluginName()\n  return 'x'\nend end\n"));
    ASSERT_TRUE(WriteWideFile(s, L"\u6e90.lua",
                              "function this:GetPluginName() return 'Raiser' end\n"
                              "function this:GetSize()\n  error('\xE9\xFF\x81 bytes')\nend\n"));

    // Text: rows by their script names, file names in their shown form.
    Result r = Run({"list"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    Lines lines = SplitLines(r.out);
    EXPECT_EQ(Sorted(Lines(lines.begin() + 1, std::find(lines.begin(), lines.end(), ""))),
              Sorted({"0      plugin    no       Job", "0      plugin    no       Fullwidth job",
                      "0      category  no       <U+65E5><U+672C>", "1      plugin    no         Caf\xE9 emoji",
                      "0      plugin    no       Raiser"}));
    EXPECT_EQ(lines.back(), s + "\\<U+58CA>.lua:3: load error (not listed): '<eof>' expected near 'end'");

    r = Run({"check", "-q"});
    EXPECT_EQ(r.code, qs::kExitScriptFailed);
    EXPECT_EQ(Sorted(SplitLines(r.out)),
              Sorted({s + "\\<U+58CA>.lua:3: load error (not listed): '<eof>' expected near 'end'",
                      s + "\\<U+6E90>.lua:3: GetSize raised: \xE9\xFF\x81 bytes",
                      "Checked 4 plugins and 1 category: 2 broken scripts."}));

    // JSON: valid UTF-8, every file name with its own characters, script text converted.
    const std::string dir = JsonPath(s) + "\\\\";
    for (const Lines& args : {Lines{"list", "--json"}, Lines{"check", "--json", "-q"}}) {
        r = Run(args);
        EXPECT_TRUE(qs::test::IsUtf8(r.out)) << r.out;
        EXPECT_NE(r.out.find("\"file\":\"" + dir + "\xE5\xA3\x8A.lua\",\"line\":3,\"problem\":\"load error\""),
                  std::string::npos)
            << r.out;
    }
    EXPECT_NE(r.out.find("\"file\":\"" + dir +
                         "\xE6\xBA\x90.lua\",\"line\":3,\"problem\":\"GetSize raised\","
                         "\"effect\":null,\"message\":\"\xC3\xA9\xC3\xBF\xC2\x81 bytes\""),
              std::string::npos)
        << r.out;
    r = Run({"list", "--json"});
    for (const std::string& row :
         {"\"name\":\"Job\",\"file\":\"" + dir + "job.lua\"",
          "\"name\":\"Fullwidth job\",\"file\":\"" + dir + "\xEF\xBD\x8A\xEF\xBD\x8F\xEF\xBD\x82.lua\"",
          // A category named after its folder is named by the shown form, which the command line
          // can give back.
          "\"name\":\"<U+65E5><U+672C>\",\"file\":\"" + dir + "\xE6\x97\xA5\xE6\x9C\xAC\"",
          "\"name\":\"Caf\xC3\xA9 emoji\",\"file\":\"" + dir + "\xE6\x97\xA5\xE6\x9C\xAC\\\\\xF0\x9F\x98\x80.lua\""})
        EXPECT_NE(r.out.find(row), std::string::npos) << row << "\n" << r.out;

    // The look-alike runs its own script, not job.lua; the category is named as shown.
    r = Run({"preview", "--json", "-q", "Fullwidth job", "<U+65E5><U+672C>"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_NE(r.out.find("\"name\":\"Fullwidth job\",\"category\":null,\"status\":\"ok\",\"measured\":{\"size\":200,"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"total\":{\"size\":500,"), std::string::npos) << r.out;
}

TEST_F(CompanionTest, ArgumentsOutsideTheCodePageNameNothing) {
    Script("temp.lua", Job("temp", "temp"));
    const std::string fullwidthTemp = "<U+FF54><U+FF45><U+FF4D><U+FF50>";
    const std::wstring companion = L"\"" + qs::WideFromAnsi(exe) + L"\" ";
    const struct {
        std::wstring args;
        std::string shown;
    } cases[] = {
        // Converted, the name would be "temp" and the folder "scripts".
        {L"clean -q \uff54\uff45\uff4d\uff50", fullwidthTemp},
        {L"clean -q temp --scripts \"" + qs::WideFromAnsi(dir.Path()) + L"\\\uff53cripts\"",
         dir.Path() + "\\<U+FF53>cripts"},
    };
    for (const auto& c : cases) {
        ChildProcess child;
        ASSERT_TRUE(child.Start(companion + c.args));
        EXPECT_EQ(child.Finish(), qs::kExitUsage) << c.shown;
        EXPECT_EQ(child.Out(), "");
        EXPECT_EQ(SplitLines(child.Err())[0],
                  "QuillsweepCmd: \"" + c.shown +
                      "\" holds characters outside the code page: names and folders are given in it (a category "
                      "named after such a folder by the name shown for it).");
        EXPECT_EQ(Values("temp"), 3u);
        EXPECT_TRUE(FilesKept("temp"));
    }
}

TEST_F(CompanionTest, CheckReportsBrokenScriptsWithTheirLinesAndNeverClears) {
    Script("good.lua", Job("Good", "good"));
    Script("raises.lua", "function this:GetPluginName() return 'Raises' end\n"
                         "function this:GetSize()\n"
                         "  local t = nil\n"
                         "  return t.size\n"
                         "end\n");
    Script("broken.lua", "function this:GetPluginName()\n  return 'Broken' +\nend\n");
    Script("icon.lua", "function this:GetPluginName() return 'Icon' end\n"
                       "function this:GetPluginIcon() error('no icon here') end\n");
    Script("Cat\\category.lua", "function this:GetCategoryName()\n  error('nameless')\nend\n");
    Script("Cat\\inside.lua", Fixed("Inside")); // a category shows only with a row in it
    Script("silent.lua", "x = 1\n");
    Script("absent.lua", Fixed("")); // its program is not here: no problem, no line

    const Result r = Run({"check"});
    EXPECT_EQ(r.code, qs::kExitScriptFailed);
    const std::string s = Scripts() + "\\";
    EXPECT_EQ(Sorted(SplitLines(r.out)),
              Sorted({
                  s + "raises.lua:4: GetSize raised: attempt to index local 't' (a nil value)",
                  s + "broken.lua:3: load error (not listed): unexpected symbol near 'end'",
                  s + "icon.lua:2: GetPluginIcon raised (no icon): no icon here",
                  s + "Cat\\category.lua:2: GetCategoryName raised (category named after its folder): nameless",
                  s + "silent.lua: no GetPluginName (not listed)",
                  "Checked 4 plugins and 1 category: 4 broken scripts.",
              }));
    EXPECT_EQ(SplitLines(r.out).back(), "Checked 4 plugins and 1 category: 4 broken scripts.");
    // Every plugin was measured, and none cleared.
    EXPECT_NE(r.err.find("Now updating: Good"), std::string::npos) << r.err;
    EXPECT_EQ(Values("good"), 3u);
    EXPECT_TRUE(FilesKept("good"));

    // Without the broken ones: a note is no failure.
    for (const char* f : {"raises.lua", "broken.lua", "icon.lua", "Cat\\category.lua"})
        DeleteFileA((Scripts() + "\\" + f).c_str());
    const Result clean = Run({"check", "--json", "--quiet"});
    EXPECT_EQ(clean.code, qs::kExitOk);
    EXPECT_EQ(clean.err, "");
    // Backslashes doubled in JSON.
    std::string silent;
    for (const char c : s + "silent.lua")
        silent += c == '\\' ? std::string("\\\\") : std::string(1, c);
    EXPECT_EQ(clean.out, "{\"plugins\":2,\"categories\":1,\"broken\":0,\"cancelled\":false,\"problems\":[{\"file\":\"" +
                             silent +
                             "\",\"line\":null,\"problem\":\"no GetPluginName\",\"effect\":\"not listed\","
                             "\"message\":null,\"broken\":false}]}" +
                             qs::kEol);
    EXPECT_EQ(Values("good"), 3u);
    EXPECT_TRUE(FilesKept("good"));
}

TEST_F(CompanionTest, PreviewMeasuresTheNamedRowsOrEveryPlugin) {
    Script("Tools\\category.lua", "function this:GetCategoryName() return 'Tool Box' end\n");
    // What a script writes goes to standard error, never into the result.
    Script("Tools\\a.lua", "function this:GetPluginName() return 'Alpha' end\n"
                           "function this:GetSize()\n"
                           "  trace('measuring')\n"
                           "  print('printed')\n"
                           "  return '4096', 1\n"
                           "end\n");
    Script("Tools\\b.lua", Fixed("Beta", "8192", 2));
    Script("c.lua", Fixed("Caf\xE9", "'123456789012345'", 7));
    Script("d.lua", "function this:GetPluginName() return 'Delta' end\n"
                    "function this:GetSize()\n"
                    "  error('cannot measure')\n"
                    "end\n");
    Script("e.lua", "function this:GetPluginName() return 'Echo' end\n"); // no GetSize: 0 and 0

    // A category stands for its plugins; letter case does not matter; names come back as the
    // scripts gave them.
    const Result r = Run({"preview", "TOOL box", "caf\xE9"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    std::vector<CPluginOutcome> expected;
    const auto add = [&](const char* name, std::uint64_t size, std::uint32_t count, const char* category) {
        CPluginOutcome o;
        o.name = name;
        o.status = CPluginOutcome::kOk;
        o.measured = true;
        o.size = size;
        o.count = count;
        o.topLevel = category == nullptr;
        o.category = category != nullptr ? category : "";
        expected.push_back(o);
    };
    // In the catalogue's order: the scripts folder's entries as listed, a category's rows in it.
    for (const std::string& entry : ListingOrder(Scripts())) {
        if (entry == "Tools") {
            for (const std::string& tool : ListingOrder(Scripts() + "\\Tools")) {
                if (tool == "a.lua")
                    add("Alpha", 4096, 1, "Tool Box");
                if (tool == "b.lua")
                    add("Beta", 8192, 2, "Tool Box");
            }
        }
        if (entry == "c.lua")
            add("Caf\xE9", 123456789012345ull, 7, nullptr);
    }
    EXPECT_EQ(r.out, qs::FormatPreview(expected, false, false));
    Lines progress;
    for (std::size_t i = 0; i < expected.size(); ++i)
        progress.push_back("[" + std::to_string(i + 1) + "/3] Now updating: " + expected[i].name);
    Lines err = SplitLines(r.err);
    err.erase(std::remove_if(err.begin(), err.end(), [](const std::string& l) { return l.rfind("[", 0) != 0; }),
              err.end());
    EXPECT_EQ(err, progress);

    const Result json = Run({"preview", "--json", "-q", "Tool Box", "Caf\xE9"});
    EXPECT_EQ(json.code, qs::kExitOk);
    EXPECT_EQ(json.out, qs::FormatPreview(expected, false, true));
    EXPECT_EQ(json.err,
              "script: measuring -- at @" + Scripts() + "\\Tools\\a.lua(3)" + qs::kEol + "printed" + qs::kEol);

    // Every plugin, one of which raises: reported with its line, and the run fails.
    const Result all = Run({"preview"});
    EXPECT_EQ(all.code, qs::kExitScriptFailed);
    EXPECT_NE(all.out.find(Scripts() + "\\d.lua:3: GetSize raised: cannot measure"), std::string::npos) << all.out;
    const Lines allLines = SplitLines(all.out);
    const auto echo =
        std::find_if(allLines.begin(), allLines.end(), [](const std::string& l) { return l.rfind("Echo ", 0) == 0; });
    ASSERT_NE(echo, allLines.end()) << all.out;
    EXPECT_EQ(echo->substr(echo->size() - 14), "0 bytes      0") << *echo;
}

TEST_F(CompanionTest, UnknownOrAmbiguousNamesRunNothing) {
    Script("A\\twin.lua", Job("Twin", "one"));
    Script("B\\twin.lua", Job("TWIN", "two"));
    Script("solo.lua", Job("Solo", "solo"));

    Result r = Run({"clean", "Solo", "Nobody", "twin"});
    EXPECT_EQ(r.code, qs::kExitSelection);
    EXPECT_EQ(r.out, "");
    const Lines err = SplitLines(r.err);
    ASSERT_EQ(err.size(), 3u) << r.err;
    EXPECT_EQ(err[0], "No row is named \"Nobody\".");
    // The twins in the catalogue's order.
    const Lines order = ListingOrder(Scripts());
    const bool aBeforeB = std::find(order.begin(), order.end(), "A") < std::find(order.begin(), order.end(), "B");
    EXPECT_EQ(err[1], aBeforeB ? "\"twin\" names 2 rows: \"A\" > \"Twin\" (plugin), \"B\" > \"TWIN\" (plugin)."
                               : "\"twin\" names 2 rows: \"B\" > \"TWIN\" (plugin), \"A\" > \"Twin\" (plugin).");
    EXPECT_EQ(err[2], "Nothing was run.");
    for (const char* job : {"one", "two", "solo"}) {
        EXPECT_EQ(Values(job), 3u) << job;
        EXPECT_TRUE(FilesKept(job)) << job;
    }

    r = Run({"preview", "nobody"});
    EXPECT_EQ(r.code, qs::kExitSelection);
    EXPECT_EQ(r.out, "");
}

TEST_F(CompanionTest, CleanTouchesExactlyTheNamedOrSelectedPlugins) {
    WriteBytes(dir / "data\\canary.txt", 10);
    Script("Group\\category.lua", "function this:GetCategoryName() return 'Group' end\n");
    Script("Group\\one.lua", Job("One", "one"));
    Script("Group\\two.lua", Job("Two", "two"));
    Script("solo.lua", Job("Solo", "solo"));
    Script("other.lua", Job("Other", "other"));
    Store({"Other"});
    const std::string settings = ReadText(Settings());

    const auto cleaned = [&](const char* name, const char* category) {
        CPluginOutcome o;
        o.name = name;
        o.status = CPluginOutcome::kOk;
        o.measuredBefore = o.measured = true;
        o.sizeBefore = 3000;
        o.countBefore = 3;
        o.topLevel = category == nullptr;
        o.category = category != nullptr ? category : "";
        return o;
    };

    Result r = Run({"clean", "solo", "GROUP"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    std::vector<CPluginOutcome> expected;
    for (const std::string& entry : ListingOrder(Scripts())) {
        if (entry == "Group")
            for (const std::string& f : ListingOrder(Scripts() + "\\Group"))
                if (f != "category.lua")
                    expected.push_back(cleaned(f == "one.lua" ? "One" : "Two", "Group"));
        if (entry == "solo.lua")
            expected.push_back(cleaned("Solo", nullptr));
    }
    EXPECT_EQ(r.out, qs::FormatClean(expected, false, false));
    EXPECT_NE(r.err.find("] Now clearing: Solo"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Other"), std::string::npos) << r.err;
    for (const char* job : {"one", "two", "solo"}) {
        EXPECT_EQ(Values(job), 0u) << job;
        EXPECT_FALSE(Exists(Data(job) + "\\small.tmp")) << job;
        EXPECT_FALSE(Exists(Data(job) + "\\sub\\big.tmp")) << job;
    }
    EXPECT_EQ(Values("other"), 3u);
    EXPECT_TRUE(FilesKept("other"));
    EXPECT_TRUE(Exists(dir / "data\\canary.txt"));

    // The checked rows of settings.xml, and nothing else; the file is only read.
    r = Run({"clean", "--selected", "--json"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_EQ(r.out, qs::FormatClean({cleaned("Other", nullptr)}, false, true));
    EXPECT_EQ(Values("other"), 0u);
    EXPECT_TRUE(Exists(dir / "data\\canary.txt"));
    EXPECT_EQ(ReadText(Settings()), settings);
}

// A plugin whose Clear answers a reason (its program is running) is reported as skipped with
// that reason, in the table and in JSON; its files stay and the command still succeeds.
TEST_F(CompanionTest, CleanReportsAPluginThatSkippedWithItsReason) {
    Script("busy.lua", Job("Busy", "busy") + "function this:Clear() return 'Busy is running: close it first' end\n");
    Script("solo.lua", Job("Solo", "solo"));

    Result r = Run({"clean", "busy", "solo"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_NE(r.out.find("skipped: Busy is running: close it first"), std::string::npos) << r.out;
    EXPECT_EQ(Values("busy"), 3u);
    EXPECT_TRUE(FilesKept("busy"));
    EXPECT_EQ(Values("solo"), 0u);

    r = Run({"clean", "busy", "--json"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_NE(r.out.find("\"status\":\"skipped\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"skipped\":\"Busy is running: close it first\""), std::string::npos) << r.out;
    EXPECT_TRUE(FilesKept("busy"));
}

// A plugin with a warning is cleaned only with --accept-warnings: without it nothing runs, the
// warned plugins of the choice are listed and the exit code says so; list shows descriptions
// and warnings; preview never asks.
TEST_F(CompanionTest, CleanRefusesWarnedPluginsUnlessTheWarningsAreAccepted) {
    WriteBytes(dir / "data\\canary.txt", 10);
    Script("Group\\category.lua", "function this:GetCategoryName() return 'Group' end\n");
    Script("Group\\warned.lua", Job("Warned", "warned") +
                                    "function this:GetPluginWarning() return 'Signs you out\\nof every site.' end\n"
                                    "function this:GetPluginDescription() return 'Session cookies' end\n");
    Script("Group\\plain.lua", Job("Plain", "plain"));
    Script("broken.lua", Job("Broken", "broken") + "function this:GetPluginWarning() error('no text') end\n");
    Script("solo.lua", Job("Solo", "solo") + "function this:GetPluginDescription() return 'Solo files' end\n");

    struct {
        Lines args;
        Lines warned; // the lines naming warned plugins, in any order
    } refused[] = {
        {{"clean", "Warned"}, {"  Warned: Signs you out of every site."}},
        {{"clean", "group", "solo"}, {"  Warned: Signs you out of every site."}},
        {{"clean", "--json", "Broken", "Plain"}, {std::string("  Broken: ") + qs::kUnreadableWarning}},
    };
    for (const auto& c : refused) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.code, qs::kExitWarnings) << c.args[1];
        EXPECT_EQ(r.out, "");
        const Lines err = SplitLines(r.err);
        ASSERT_EQ(err.size(), c.warned.size() + 2) << r.err;
        EXPECT_EQ(err.front(), "QuillsweepCmd: these plugins warn before they clean:");
        EXPECT_EQ(Lines(err.begin() + 1, err.end() - 1), c.warned);
        EXPECT_EQ(err.back(), "Give --accept-warnings to clean them. Nothing was run.");
    }
    for (const char* job : {"warned", "plain", "broken", "solo"}) {
        EXPECT_EQ(Values(job), 3u) << job;
        EXPECT_TRUE(FilesKept(job)) << job;
    }

    // Jobs without a warning need no flag; preview measures warned jobs without asking.
    Result r = Run({"clean", "Plain", "-q"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_EQ(Values("plain"), 0u);
    r = Run({"preview", "Warned", "-q"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_EQ(Values("warned"), 3u);
    EXPECT_EQ(Run({"preview", "--accept-warnings"}).code, qs::kExitUsage);

    r = Run({"clean", "--accept-warnings", "Group", "-q"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_EQ(Values("warned"), 0u);
    EXPECT_FALSE(Exists(Data("warned") + "\\small.tmp"));
    EXPECT_EQ(Values("broken"), 3u);
    EXPECT_TRUE(FilesKept("broken"));
    EXPECT_TRUE(FilesKept("solo"));
    EXPECT_TRUE(Exists(dir / "data\\canary.txt"));

    r = Run({"list"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    const Lines lines = SplitLines(r.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].substr(0, lines[0].find("Name")), "Depth  Type      Checked  ");
    EXPECT_NE(lines[0].find("Description"), std::string::npos);
    const auto row = [&](const std::string& start) {
        for (const std::string& line : lines)
            if (line.rfind(start, 0) == 0)
                return line;
        return std::string();
    };
    EXPECT_NE(row("1      plugin    no         Warned").find("  Session cookies"), std::string::npos) << r.out;
    EXPECT_NE(row("0      plugin    no       Solo").find("  Solo files"), std::string::npos) << r.out;
    const auto warnings = std::find(lines.begin(), lines.end(), "Warnings (clean asks for --accept-warnings):");
    ASSERT_NE(warnings, lines.end()) << r.out;
    EXPECT_EQ(Sorted(Lines(warnings + 1, warnings + 3)),
              Sorted({"Warned: Signs you out of every site.", std::string("Broken: ") + qs::kUnreadableWarning}));
    r = Run({"list", "--json"});
    EXPECT_NE(r.out.find("\"description\":\"Session cookies\",\"warning\":\"Signs you out\\nof every site.\""),
              std::string::npos)
        << r.out;
}

TEST_F(CompanionTest, SettingsAreReadNeverWritten) {
    Script("a.lua", Fixed("A"));
    // No settings.xml: nothing is selected, so there is nothing to clean; no file appears.
    Result r = Run({"clean", "--selected"});
    EXPECT_EQ(r.code, qs::kExitSelection);
    EXPECT_EQ(SplitLines(r.err),
              (Lines{"QuillsweepCmd: nothing to clean: the selection holds no plugin.", "Nothing was run."}));
    r = Run({"list"});
    EXPECT_EQ(r.code, qs::kExitOk);
    EXPECT_FALSE(Exists(Settings()));

    // A preview of an empty selection is an empty table.
    r = Run({"preview", "--selected"});
    EXPECT_EQ(r.code, qs::kExitOk);
    EXPECT_EQ(r.out, qs::FormatPreview({}, false, false));
}

// A settings file too deep, too large, binary or cut short is not used: the command runs as
// with no selection, says why on standard error, exits with the code of what it did, and
// leaves the file as it was.
TEST_F(CompanionTest, SettingsThatCannotBeUsedGiveNoSelection) {
    Script("a.lua", Fixed("A", "10", 1));
    std::string deep;
    for (int i = 0; i < 20000; ++i)
        deep += "<a>";
    std::string binary;
    for (int i = 0; i < 5000; ++i)
        binary += static_cast<char>((i * 7919) >> 3);
    const std::string good = "<Quillsweep><selected><plugin>A</plugin></selected></Quillsweep>";
    const struct {
        const char* what;
        std::string bytes;
        const char* problem;
    } cases[] = {
        {"deep", "<Quillsweep><selected><plugin>A</plugin></selected>" + deep, "nested deeper than a settings file"},
        {"huge", good + std::string(60u * 1000u * 1000u, ' '), "larger than 4 MiB"},
        {"binary", binary, ""},
        {"truncated", good.substr(0, 40), "not a well-formed document"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(Settings(), c.bytes);
        Result r = Run({"list"});
        EXPECT_EQ(r.code, qs::kExitOk) << r.err;
        EXPECT_NE(r.err.find("QuillsweepCmd: the settings file is not used (it is " + std::string(c.problem)),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.out.find("A"), std::string::npos) << r.out;
        r = Run({"clean", "--selected"});
        EXPECT_EQ(r.code, qs::kExitSelection) << r.err;
        EXPECT_NE(r.err.find("nothing to clean"), std::string::npos) << r.err;
        r = Run({"preview", "--selected", "--json"});
        EXPECT_EQ(r.code, qs::kExitOk) << r.err;
        EXPECT_EQ(r.out, qs::FormatPreview({}, false, true));
        EXPECT_TRUE(ReadText(Settings()) == c.bytes);
    }
}

TEST_F(CompanionTest, ScriptsAndSettingsElsewhere) {
    const std::string other = dir / "elsewhere";
    WriteText(other + "\\scripts\\x.lua", Fixed("Elsewhere", "10", 1));
    WriteText(other + "\\mine.xml", "<Quillsweep><selected><plugin>elsewhere</plugin></selected></Quillsweep>");
    Script("a.lua", Fixed("Beside"));

    Result r = Run({"preview", "--selected", "--scripts", other + "\\scripts\\", "--settings", other + "\\mine.xml"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_NE(r.out.find("Elsewhere"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Beside"), std::string::npos) << r.out;

    r = Run({"list", "--scripts", dir / "missing"});
    EXPECT_EQ(r.code, qs::kExitCannotStart);
    EXPECT_EQ(r.err, "QuillsweepCmd: the scripts folder does not exist: " + (dir / "missing") + qs::kEol);
    r = Run({"preview", "--selected", "--settings", dir / "missing.xml"});
    EXPECT_EQ(r.code, qs::kExitCannotStart);
    EXPECT_EQ(r.out, "");
}

// Plugins that wait, at the start of GetSize or at the end of Clear (after its deletions), until
// the test creates the file `go`. The test presses Ctrl+C while the first of them waits: the
// waiting script stops at the count hook's next check, and the run stops after that plugin.
// Which of the two comes first is the file system's business, so both wait.
class CompanionCancelTest : public CompanionTest {
protected:
    std::string Go() const { return dir / "go"; }
    std::string Waiter(const std::string& name, const std::string& job, bool waitInClear) {
        std::string source = Job(name, job);
        const std::string wait = "  while self:GetFileSize([[" + Go() + "]]) == 0 do end\n";
        if (waitInClear) {
            const std::string clearEnd = "  self:DeleteFolderContent(folder, '', true)\n";
            source.insert(source.find(clearEnd) + clearEnd.size(), wait);
        } else {
            const std::string at = "function this:GetSize()\n";
            source.insert(source.find(at) + at.size(), wait);
        }
        return source;
    }

    // Starts the command, waits until a plugin is at work, presses Ctrl+C and lets it finish.
    Result RunAndCancel(const Lines& args, const std::string& atWork) {
        ChildProcess child;
        Result r;
        if (!child.Start(qs::test::CommandLineOf(exe, args), true)) {
            ADD_FAILURE() << "cannot start";
            return r;
        }
        const bool working = child.WaitForError(atWork);
        EXPECT_TRUE(working) << child.Err();
        if (working) {
            EXPECT_TRUE(child.SendCtrlC());
            // The handler has set the flag before the plugin may go on.
            EXPECT_TRUE(child.WaitForError(qs::kCancellingText)) << child.Err();
            // Time for many hook checks: the waiting script is stopped, not let go by the file.
            Sleep(500);
        }
        WriteBytes(Go(), 1);
        r.code = child.Finish();
        r.out = child.Out();
        r.err = child.Err();
        return r;
    }
};

TEST_F(CompanionCancelTest, CtrlCStopsAPreviewAfterThePluginAtWork) {
    Script("p.lua", Waiter("P", "p", false));
    Script("q.lua", Waiter("Q", "q", false));

    const Result r = RunAndCancel({"preview"}, "[1/2] Now updating: ");
    EXPECT_EQ(r.code, qs::kExitCancelled) << r.err;
    const Lines out = SplitLines(r.out);
    ASSERT_EQ(out.size(), 5u) << r.out;
    // The one at work was stopped inside its script, so it has no figures; the other never ran.
    const std::string first = out[1].substr(0, 1);
    EXPECT_NE(r.err.find("[1/2] Now updating: " + first), std::string::npos) << r.err;
    EXPECT_EQ(out[1].find("3000"), std::string::npos) << r.out;
    EXPECT_NE(out[1].find("cancelled, may fall short"), std::string::npos) << r.out;
    EXPECT_EQ(out[2].substr(0, 1), first == "P" ? "Q" : "P") << r.out;
    EXPECT_NE(out[2].find("not run"), std::string::npos) << r.out;
    EXPECT_EQ(out[4], "Cancelled: 1 of 2 plugins did not run.");
    EXPECT_EQ(r.err.find("[2/2]"), std::string::npos) << r.err;
}

TEST_F(CompanionCancelTest, CtrlCStopsACleanAfterThePluginAtWork) {
    Script("p.lua", Waiter("P", "p", true));
    Script("q.lua", Waiter("Q", "q", true));

    const Result r = RunAndCancel({"clean", "P", "Q"}, "[1/2] Now clearing: ");
    EXPECT_EQ(r.code, qs::kExitCancelled) << r.err;
    // Exactly one plugin cleared: the one at work when Ctrl+C came.
    EXPECT_EQ(Values("p") + Values("q"), 3u);
    const std::string atWork = Values("p") == 0 ? "P" : "Q";
    EXPECT_NE(r.err.find("[1/2] Now clearing: " + atWork), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("[2/2]"), std::string::npos) << r.err;
    EXPECT_TRUE(FilesKept(atWork == "P" ? "q" : "p"));
    const Lines out = SplitLines(r.out);
    ASSERT_EQ(out.size(), 5u) << r.out;
    EXPECT_EQ(out[1].substr(0, 1), atWork);
    EXPECT_NE(out[1].find("cancelled, may fall short"), std::string::npos) << r.out;
    EXPECT_NE(out[2].find("not run"), std::string::npos) << r.out;
    EXPECT_EQ(out[4], "Cancelled: 1 of 2 plugins did not run.");
}

// Runaway scripts: an endless GetSize ends at Ctrl+C with the cancel exit code, and `list` with
// an endless GetPluginName ends after the quick budget and names the script.
TEST_F(CompanionCancelTest, CtrlCStopsAnEndlessGetSize) {
    Script("endless.lua", "function this:GetPluginName() return 'Endless' end\n"
                          "function this:GetSize()\n  while true do end\nend\n");
    const Result r = RunAndCancel({"preview"}, "[1/1] Now updating: Endless");
    EXPECT_EQ(r.code, qs::kExitCancelled) << r.err;
    const Lines out = SplitLines(r.out);
    ASSERT_GE(out.size(), 2u) << r.out;
    EXPECT_EQ(out[1].substr(0, 7), "Endless");
    EXPECT_NE(out[1].find("cancelled, may fall short"), std::string::npos) << r.out;
}

TEST_F(CompanionTest, ListEndsAfterAnEndlessGetPluginNameAndReportsIt) {
    Script("endless.lua", "function this:GetPluginName()\n  while true do end\nend\n");
    Script("fine.lua", Fixed("Fine"));
    const DWORD start = GetTickCount();
    const Result r = Run({"list"});
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_GE(elapsed, qs::kQuickCallBudgetMs);
    EXPECT_LT(elapsed, qs::kQuickCallBudgetMs + 20000);
    EXPECT_NE(r.out.find("Fine"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("endless.lua:2: GetPluginName raised (not listed): "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("stopped: the script ran longer than its time limit of 10 s"), std::string::npos) << r.out;
}

} // namespace
