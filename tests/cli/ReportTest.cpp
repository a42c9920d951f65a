// What the companion prints, built from plain data: script errors, issues, names, tables, JSON.
#include "cli/Report.h"

#include "framework/ByteSize.h"
#include "support/Unicode.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using qs::CCatalogueObserver;
using qs::CPluginOutcome;
using qs::CScriptIssue;
using qs::FormatByteSize;

// Lines joined with the companion's line ending.
std::string Lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += line + qs::kEol;
    return out;
}

// ---- script errors ------------------------------------------------------------------------

TEST(SplitScriptError, TakesTheLineOnlyFromTheScriptsOwnLocation) {
    const std::string file = "C:\\Quill\\scripts\\System\\Temp files.lua";
    const struct {
        const char* message;
        unsigned long line;
        const char* text;
    } cases[] = {
        {"C:\\Quill\\scripts\\System\\Temp files.lua:12: attempt to call a nil value", 12,
         "attempt to call a nil value"},
        // Lua keeps only the end of a long path.
        {"...ripts\\System\\Temp files.lua:3: '=' expected near 'x'", 3, "'=' expected near 'x'"},
        {"C:\\Quill\\scripts\\System\\Temp files.lua:7:no space", 7, "no space"},
        // The message itself may hold what looks like a location.
        {"C:\\Quill\\scripts\\System\\Temp files.lua:5: bad C:\\x.lua:9: y", 5, "bad C:\\x.lua:9: y"},
        // Raised in another file (a shared global function), or with no location at all.
        {"C:\\Quill\\scripts\\other.lua:4: boom", 0, "C:\\Quill\\scripts\\other.lua:4: boom"},
        {"...ripts\\other.lua:4: boom", 0, "...ripts\\other.lua:4: boom"},
        {"plain message", 0, "plain message"},
        {"cannot open C:\\Quill\\scripts\\System\\Temp files.lua", 0,
         "cannot open C:\\Quill\\scripts\\System\\Temp files.lua"},
        {"C:\\Quill\\scripts\\System\\Temp files.lua:: odd", 0, "C:\\Quill\\scripts\\System\\Temp files.lua:: odd"},
        {"", 0, ""},
    };
    for (const auto& c : cases) {
        unsigned long line = 99;
        std::string text;
        qs::SplitScriptError(file, c.message, line, text);
        EXPECT_EQ(line, c.line) << c.message;
        EXPECT_EQ(text, c.text) << c.message;
    }
}

TEST(IssueCollector, NamesEachProblemAndDropsTheRepeatsOfACategoryScript) {
    const std::string cat = "C:\\s\\Cat\\category.lua";
    qs::CIssueCollector issues;
    issues.Add(cat, CCatalogueObserver::kCategoryLoadFailed, cat + ":2: unexpected symbol near '='");
    // The same file again as a plugin candidate, failing the same way: not repeated.
    issues.Add("C:\\s\\Cat\\Category.lua", CCatalogueObserver::kLoadFailed, cat + ":2: unexpected symbol near '='");
    // Category scripts have no GetPluginName as a rule.
    issues.Add("C:\\s\\Other\\category.lua", CCatalogueObserver::kNoPluginName, "");
    issues.Add("C:\\s\\Other\\category.lua", CCatalogueObserver::kPluginIconRaised, "C:\\s\\Other\\category.lua:4: x");
    issues.Add("C:\\s\\a.lua", CCatalogueObserver::kLoadFailed, "C:\\s\\a.lua:1: '=' expected near 'b'");
    issues.Add("C:\\s\\b.lua", CCatalogueObserver::kNoPluginName, "");
    issues.Add("C:\\s\\c.lua", CCatalogueObserver::kPluginNameRaised, "C:\\s\\c.lua:2: no");
    issues.Add("C:\\s\\d.lua", CCatalogueObserver::kEmptyPluginName, "");
    issues.Add("C:\\s\\e", CCatalogueObserver::kPathTooLong, "");
    issues.Add("C:\\s\\N\\category.lua", CCatalogueObserver::kCategoryNameRaised, "C:\\s\\N\\category.lua:1: n");
    issues.Add("C:\\s\\I\\category.lua", CCatalogueObserver::kCategoryIconRaised, "C:\\s\\I\\category.lua:3: i");
    issues.Add("C:\\s\\f.lua", CCatalogueObserver::kPluginIconRaised, "C:\\s\\f.lua:6: f");
    issues.Add(qs::RaisedIssue("C:\\s\\g.lua", "GetSize", "C:\\s\\g.lua:9: g"));

    std::vector<std::string> texts;
    std::string broken;
    for (const CScriptIssue& issue : issues.Issues()) {
        texts.push_back(issue.Text());
        broken += issue.broken ? 'b' : '-';
    }
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "C:\\s\\Cat\\category.lua:2: load error (category named after its folder): unexpected "
                         "symbol near '='",
                         "C:\\s\\Other\\category.lua:4: GetPluginIcon raised (no icon): x",
                         "C:\\s\\a.lua:1: load error (not listed): '=' expected near 'b'",
                         "C:\\s\\b.lua: no GetPluginName (not listed)",
                         "C:\\s\\c.lua:2: GetPluginName raised (not listed): no",
                         "C:\\s\\e: path longer than 259 characters (left alone)",
                         "C:\\s\\N\\category.lua:1: GetCategoryName raised (category named after its folder): n",
                         "C:\\s\\I\\category.lua:3: GetCategoryIcon raised (no icon): i",
                         "C:\\s\\f.lua:6: GetPluginIcon raised (no icon): f",
                         "C:\\s\\g.lua:9: GetSize raised: g",
                     }));
    EXPECT_EQ(broken, "bbb-b-bbbb");
    // A script that gave no name is no problem: detection found its program is not here.
    EXPECT_EQ(issues.NotDetected(), std::vector<std::string>{"C:\\s\\d.lua"});
}

TEST(IssueCollector, ACategoryScriptThatFailsAnotherWayTheSecondTimeIsReported) {
    const std::string cat = "C:\\s\\Cat\\category.lua";
    qs::CIssueCollector issues;
    issues.Add(cat, CCatalogueObserver::kCategoryLoadFailed, cat + ":1: first");
    issues.Add(cat, CCatalogueObserver::kLoadFailed, cat + ":1: second");
    ASSERT_EQ(issues.Issues().size(), 2u);
    EXPECT_EQ(issues.Issues()[1].Text(), cat + ":1: load error (not listed): second");
}

// ---- names --------------------------------------------------------------------------------

TEST(Names, EachNameMustMatchExactlyOneRow) {
    const std::vector<qs::CNamedRow> rows = {
        {"Browsers", true, {}},         {"Cache", false, {"Browsers"}}, {"System", true, {}},
        {"cache", false, {"System"}},   {"Temp", true, {"System"}},     {"Temp", false, {"System", "Temp"}},
        {"Caf\xE9", false, {"System"}}, {"Unique", false, {}},
    };
    const qs::CNameProblems ok = qs::CheckNames({"browsers", "UNIQUE", "Caf\xE9", "unique"}, rows);
    EXPECT_FALSE(ok.Any());

    const qs::CNameProblems bad = qs::CheckNames({"Cache", "Nobody", "temp", "Nobody", "Unique"}, rows);
    EXPECT_EQ(bad.unknown, std::vector<std::string>{"Nobody"}); // reported once
    ASSERT_EQ(bad.ambiguous.size(), 2u);
    EXPECT_EQ(bad.ambiguous[0].first, "Cache");
    EXPECT_EQ(bad.ambiguous[0].second, (std::vector<std::size_t>{1, 3}));
    EXPECT_EQ(bad.ambiguous[1].second, (std::vector<std::size_t>{4, 5}));
    EXPECT_EQ(qs::FormatNameProblems(bad, rows),
              Lines({"No row is named \"Nobody\".",
                     "\"Cache\" names 2 rows: \"Browsers\" > \"Cache\" (plugin), \"System\" > \"cache\" (plugin).",
                     "\"temp\" names 2 rows: \"System\" > \"Temp\" (category), \"System\" > \"Temp\" > \"Temp\" "
                     "(plugin).",
                     "Nothing was run."}));
}

// ---- building blocks ----------------------------------------------------------------------

TEST(FormatTable, PadsByTheWidestCellAndTrimsLineEnds) {
    EXPECT_EQ(qs::FormatTable({{"Name", "Bytes", ""}, {"A long name", "5", "note"}, {"B", "12345", ""}},
                              {false, true, false}),
              Lines({"Name         Bytes", "A long name      5  note", "B            12345"}));
}

TEST(JsonWriter, EscapesOnlyWhatJsonRequires) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    qs::CJsonWriter w;
    w.BeginObject()
        .Key("a")
        .String("q\"b\\s/\x01\x1f\t\n\r\b\f\x7f Caf\xE9 \xC3\xA9")
        .Key("list")
        .BeginArray()
        .Number(18446744073709551615ull)
        .Bool(false)
        .Null()
        .BeginObject()
        .EndObject()
        .BeginArray()
        .EndArray()
        .EndArray()
        .Key("b")
        .Bool(true)
        .EndObject();
    // Script text comes in the ANSI code page (1252 in the test prefixes) and goes out as UTF-8:
    // "\xE9" is é, and the two bytes "\xC3\xA9" are the two characters Ã©.
    EXPECT_EQ(w.Text(), "{\"a\":\"q\\\"b\\\\s/\\u0001\\u001f\\t\\n\\r\\b\\f\x7f Caf\xC3\xA9 \xC3\x83\xC2\xA9\","
                        "\"list\":[18446744073709551615,false,null,{},[]],\"b\":true}");
}

TEST(JsonWriter, TheDocumentIsUtf8WhateverTheNames) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    // Every byte value in script text, the ones 1252 leaves undefined included.
    std::string everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte += static_cast<char>(b);
    std::string message = "bad \xFF\xFE\x81\x8D\x8F\x90\x9D\xC3( " + everyByte;
    message += '\0';
    message += "end";
    CScriptIssue issue;
    issue.file = "C:\\s\\<U+65E5><U+672C>\\<U+1F600> Caf\xE9 <U+FF4A>.lua.";
    issue.what = "load error";
    issue.message = message;
    const std::vector<qs::CListRow> rows = {
        {0, false, 1, "\x80 Caf\xE9 \xC3\xA9 \x81", "C:\\s\\<U+03A9><U+D800>.lua", "Caf\xE9", "Caf\xE9!"}};
    for (const std::string& json : {qs::FormatList(rows, {issue}, true), qs::FormatCheck({issue}, 1, 0, false, true)}) {
        EXPECT_TRUE(qs::test::IsUtf8(json)) << json;
        // File names with their real characters; a lone surrogate as U+FFFD.
        EXPECT_NE(
            json.find(
                "\"file\":\"C:\\\\s\\\\\xE6\x97\xA5\xE6\x9C\xAC\\\\\xF0\x9F\x98\x80 Caf\xC3\xA9 \xEF\xBD\x8A.lua.\""),
            std::string::npos)
            << json;
        EXPECT_NE(json.find("\\u0000end\""), std::string::npos) << json;
    }
    const std::string list = qs::FormatList(rows, {issue}, true);
    EXPECT_NE(list.find("\"name\":\"\xE2\x82\xAC Caf\xC3\xA9 \xC3\x83\xC2\xA9 "), std::string::npos) << list;
    EXPECT_NE(list.find("\"file\":\"C:\\\\s\\\\\xCE\xA9\xEF\xBF\xBD.lua\""), std::string::npos) << list;
    EXPECT_NE(list.find("\"description\":\"Caf\xC3\xA9\",\"warning\":\"Caf\xC3\xA9!\""), std::string::npos) << list;
}

// ---- commands -----------------------------------------------------------------------------

CPluginOutcome Outcome(const char* name, CPluginOutcome::Status status, bool measured, std::uint64_t size,
                       std::uint32_t count, const char* category = nullptr) {
    CPluginOutcome o;
    o.name = name;
    o.status = status;
    o.measured = measured;
    o.size = size;
    o.count = count;
    o.topLevel = category == nullptr;
    o.category = category != nullptr ? category : "";
    return o;
}

TEST(FormatPreview, TableWithTotalsNotesAndJson) {
    std::vector<CPluginOutcome> plugins = {
        Outcome("Temp files", CPluginOutcome::kOk, true, 5000000000ull, 4000000000u, "System"),
        Outcome("Caf\xE9", CPluginOutcome::kOk, true, 512, 1),
        Outcome("Broken", CPluginOutcome::kFailed, false, 0, 0, "System"),
        Outcome("Slow", CPluginOutcome::kCancelled, true, 100, 1),
        Outcome("Later", CPluginOutcome::kNotRun, false, 0, 0),
    };
    plugins[2].errors.push_back(qs::RaisedIssue("C:\\s\\b.lua", "GetSize", "C:\\s\\b.lua:4: oops"));

    // The counts add up in 64 bits.
    const std::string total = FormatByteSize(5000000612ull);
    const std::string big = FormatByteSize(5000000000ull);
    const std::vector<std::vector<std::string>> table = {
        {"Name", "Bytes", "Size On Drive", "Files", ""},
        {"Temp files", "5000000000", big, "4000000000", ""},
        {"Caf\xE9", "512", FormatByteSize(512), "1", ""},
        {"Broken", "-", "-", "-", "failed"},
        {"Slow", "100", FormatByteSize(100), "1", "cancelled, may fall short"},
        {"Later", "-", "-", "-", "not run"},
        {"Total", "5000000612", total, "4000000002", ""},
    };
    EXPECT_EQ(qs::FormatPreview(plugins, true, false),
              qs::FormatTable(table, {false, true, true, true, false}) +
                  Lines({"C:\\s\\b.lua:4: GetSize raised: oops", "Cancelled: 1 of 5 plugins did not run."}));

    const std::string json = qs::FormatPreview({plugins[0], plugins[2], plugins[4]}, false, true);
    EXPECT_EQ(json,
              "{\"plugins\":[{\"name\":\"Temp files\",\"category\":\"System\",\"status\":\"ok\",\"measured\":"
              "{\"size\":5000000000,\"sizeText\":\"" +
                  big +
                  "\",\"count\":4000000000},\"errors\":[]},"
                  "{\"name\":\"Broken\",\"category\":\"System\",\"status\":\"failed\",\"measured\":null,"
                  "\"errors\":[{\"file\":\"C:\\\\s\\\\b.lua\",\"line\":4,\"problem\":\"GetSize raised\","
                  "\"effect\":null,\"message\":\"oops\",\"broken\":true}]},"
                  "{\"name\":\"Later\",\"category\":null,\"status\":\"not run\",\"measured\":null,\"errors\":[]}],"
                  "\"total\":{\"size\":5000000000,\"sizeText\":\"" +
                  big + "\",\"count\":4000000000},\"cancelled\":false}" + qs::kEol);
}

TEST(FormatClean, FreedIsBeforeLessAfterAndNeverBelowZero) {
    CPluginOutcome cleaned = Outcome("Cache", CPluginOutcome::kOk, true, 4096, 1);
    cleaned.measuredBefore = true;
    cleaned.sizeBefore = 20480;
    cleaned.countBefore = 5;
    CPluginOutcome grew = Outcome("Log", CPluginOutcome::kOk, true, 8192, 3);
    grew.measuredBefore = true;
    grew.sizeBefore = 4096;
    grew.countBefore = 4;
    CPluginOutcome stopped = Outcome("Slow", CPluginOutcome::kCancelled, false, 0, 0);
    stopped.measuredBefore = true;
    stopped.sizeBefore = 100;

    std::uint64_t size = 0;
    std::uint64_t count = 0;
    EXPECT_TRUE(qs::Freed(cleaned, size, count));
    EXPECT_EQ(size, 16384u);
    EXPECT_EQ(count, 4u);
    EXPECT_TRUE(qs::Freed(grew, size, count));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(count, 1u);
    EXPECT_FALSE(qs::Freed(stopped, size, count));

    // A Clear that skipped (its program is running) frees nothing and says why, on one line.
    CPluginOutcome busy = Outcome("Viewer", CPluginOutcome::kSkipped, true, 8192, 2);
    busy.measuredBefore = true;
    busy.sizeBefore = 8192;
    busy.countBefore = 2;
    busy.skipped = "Viewer is running:\nclose it first";

    const std::vector<std::vector<std::string>> table = {
        {"Name", "Bytes Freed", "Freed", "Files Freed", ""},
        {"Cache", "16384", FormatByteSize(16384), "4", ""},
        {"Log", "0", FormatByteSize(0), "1", ""},
        {"Slow", "-", "-", "-", "cancelled, may fall short"},
        {"Viewer", "0", FormatByteSize(0), "0", "skipped: Viewer is running: close it first"},
        {"Total", "16384", FormatByteSize(16384), "5", ""},
    };
    EXPECT_EQ(qs::FormatClean({cleaned, grew, stopped, busy}, true, false),
              qs::FormatTable(table, {false, true, true, true, false}) +
                  Lines({"Cancelled: 0 of 4 plugins did not run."}));
    const std::string busyJson = qs::FormatClean({busy}, false, true);
    EXPECT_NE(busyJson.find("\"status\":\"skipped\""), std::string::npos) << busyJson;
    EXPECT_NE(busyJson.find("\"skipped\":\"Viewer is running:\\nclose it first\",\"errors\""), std::string::npos)
        << busyJson;
    EXPECT_EQ(qs::FormatClean({cleaned}, false, true),
              "{\"plugins\":[{\"name\":\"Cache\",\"category\":null,\"status\":\"ok\",\"before\":{\"size\":20480,"
              "\"sizeText\":\"" +
                  FormatByteSize(20480) + "\",\"count\":5},\"after\":{\"size\":4096,\"sizeText\":\"" +
                  FormatByteSize(4096) + "\",\"count\":1},\"freed\":{\"size\":16384,\"sizeText\":\"" +
                  FormatByteSize(16384) + "\",\"count\":4},\"skipped\":null,\"errors\":[]}],\"freed\":{\"size\":16384,\"sizeText\":\"" +
                  FormatByteSize(16384) + "\",\"count\":4},\"cancelled\":false}" + qs::kEol);
}

TEST(FormatCheck, CountsBrokenFilesOnce) {
    std::vector<CScriptIssue> issues = {
        qs::RaisedIssue("C:\\s\\a.lua", "GetPluginIcon", "C:\\s\\a.lua:2: x"),
        qs::RaisedIssue("C:\\s\\a.lua", "GetSize", "C:\\s\\a.lua:5: y"),
    };
    CScriptIssue note;
    note.file = "C:\\s\\b.lua";
    note.what = "no GetPluginName";
    note.effect = "not listed";
    issues.push_back(note);
    EXPECT_EQ(
        qs::FormatCheck(issues, 2, 1, false, false),
        Lines({"C:\\s\\a.lua:2: GetPluginIcon raised: x", "C:\\s\\a.lua:5: GetSize raised: y",
               "C:\\s\\b.lua: no GetPluginName (not listed)", "Checked 2 plugins and 1 category: 1 broken script."}));
    EXPECT_EQ(qs::FormatCheck({note}, 1, 0, true, false), Lines({"C:\\s\\b.lua: no GetPluginName (not listed)",
                                                                 "Checked 1 plugin and 0 categories: no broken script.",
                                                                 "Cancelled: not every plugin was measured."}));
    EXPECT_EQ(qs::FormatCheck({issues[0]}, 3, 2, false, true),
              std::string("{\"plugins\":3,\"categories\":2,\"broken\":1,\"cancelled\":false,\"problems\":[{\"file\":"
                          "\"C:\\\\s\\\\a.lua\",\"line\":2,\"problem\":\"GetPluginIcon raised\",\"effect\":null,"
                          "\"message\":\"x\",\"broken\":true}]}") +
                  qs::kEol);
}

TEST(FormatList, RowsIndentedByDepthThenTheScriptsNotDetectedThenTheProblems) {
    const std::vector<qs::CListRow> rows = {
        {0, true, 3, "Web Browsers", "C:\\s\\Browsers", "", ""},
        {1, false, 2, "Cache", "C:\\s\\Browsers\\cache.lua", "", ""},
        {1, true, 1, "Deep", "C:\\s\\Browsers\\Deep", "", ""},
        {2, false, 1, "Deep One", "C:\\s\\Browsers\\Deep\\d.lua", "", ""},
    };
    CScriptIssue issue;
    issue.file = "C:\\s\\x.lua";
    issue.what = "no GetPluginName";
    issue.effect = "not listed";
    EXPECT_EQ(qs::FormatList(rows, {issue}, false, {"C:\\s\\absent.lua"}), Lines({
                                                        "Depth  Type      Checked  Name",
                                                        "0      category  partly   Web Browsers",
                                                        "1      plugin    yes        Cache",
                                                        "1      category  no         Deep",
                                                        "2      plugin    no           Deep One",
                                                        "",
                                                        "Not listed, their programs are not here "
                                                        "(GetPluginName gave no name):",
                                                        "C:\\s\\absent.lua",
                                                        "",
                                                        "Problems:",
                                                        "C:\\s\\x.lua: no GetPluginName (not listed)",
                                                    }));
    EXPECT_EQ(qs::FormatList({}, {}, false), Lines({"The scripts folder gives no rows."}));
    EXPECT_EQ(qs::FormatList({rows[1]}, {}, true, {"C:\\s\\absent.lua"}),
              std::string("{\"rows\":[{\"depth\":1,\"type\":\"plugin\",\"checked\":\"yes\",\"name\":\"Cache\","
                          "\"file\":\"C:\\\\s\\\\Browsers\\\\cache.lua\",\"description\":\"\",\"warning\":\"\"}],"
                          "\"notDetected\":[\"C:\\\\s\\\\absent.lua\"],\"problems\":[]}") +
                  qs::kEol);
}

TEST(FormatList, DescriptionsInTheirOwnColumnAndWarningsAfterTheTable) {
    const std::vector<qs::CListRow> rows = {
        {0, true, 1, "Browsers", "C:\\s\\Browsers", "", ""},
        {1, false, 1, "Cookies", "C:\\s\\Browsers\\c.lua", "Cookies of every browser", "Signs you out\r\nof sites."},
        {1, false, 2, "Cache", "C:\\s\\Browsers\\cache.lua", "", ""},
    };
    EXPECT_EQ(qs::FormatList(rows, {}, false), Lines({
                                                   "Depth  Type      Checked  Name       Description",
                                                   "0      category  no       Browsers",
                                                   "1      plugin    no         Cookies  Cookies of every browser",
                                                   "1      plugin    yes        Cache",
                                                   "",
                                                   "Warnings (clean asks for --accept-warnings):",
                                                   "Cookies: Signs you out of sites.",
                                               }));
}

// preview --files: per plugin a heading with its listed items and size, then its paths; in text
// a character the code page lacks is shown as <U+XXXX> (a path never turns into a look-alike),
// in JSON every path has its real characters.
TEST(FormatFiles, HeadingAndPathsPerPluginInTextAndJson) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the shown names below are those of code page 1252, not " << GetACP();
    qs::CPluginFiles cache;
    cache.outcome.name = "Cache";
    cache.outcome.category = "Browsers";
    cache.outcome.topLevel = false;
    cache.outcome.status = CPluginOutcome::kOk;
    cache.outcome.measured = true;
    cache.outcome.size = 8192;
    cache.outcome.count = 3;
    cache.files = {{L"C:\\C\\Caf\u00e9.tmp", 4096}, {L"C:\\C\\sub", 0}, {L"C:\\C\\\u65e5\uff54.tmp", 4096}};
    qs::CPluginFiles empty;
    empty.outcome.name = "Empty";
    empty.outcome.status = CPluginOutcome::kCancelled;

    EXPECT_EQ(qs::FormatFiles({cache, empty}, true, false),
              Lines({"Cache (Browsers): 3 items, " + FormatByteSize(8192) + " (8192 bytes)",
                     "Size On Drive  Path",
                     "         4096  C:\\C\\Caf\xE9.tmp",
                     "            0  C:\\C\\sub",
                     "         4096  C:\\C\\<U+65E5><U+FF54>.tmp",
                     "",
                     "Empty: 0 items, " + FormatByteSize(0) + " (0 bytes) - cancelled, may fall short",
                     "Cancelled: 0 of 2 plugins did not run."}));

    const std::string json = qs::FormatFiles({cache}, false, true);
    EXPECT_TRUE(qs::test::IsUtf8(json)) << json;
    EXPECT_EQ(json, "{\"plugins\":[{\"name\":\"Cache\",\"category\":\"Browsers\",\"status\":\"ok\","
                    "\"measured\":{\"size\":8192,\"sizeText\":\"" +
                        FormatByteSize(8192) +
                        "\",\"count\":3},\"listed\":{\"size\":8192,\"sizeText\":\"" + FormatByteSize(8192) +
                        "\",\"count\":3},\"files\":[{\"path\":\"C:\\\\C\\\\Caf\xC3\xA9.tmp\",\"sizeOnDrive\":4096},"
                        "{\"path\":\"C:\\\\C\\\\sub\",\"sizeOnDrive\":0},"
                        "{\"path\":\"C:\\\\C\\\\\xE6\x97\xA5\xEF\xBD\x94.tmp\",\"sizeOnDrive\":4096}],"
                        "\"errors\":[]}],\"cancelled\":false}" +
                        qs::kEol);
}

TEST(FormatKeepList, OnePathALineOrSaysItIsEmpty) {
    const std::vector<std::string> kept = {"%APPDATA%\\pinned.lnk", "C:\\Caf\xE9"};
    EXPECT_EQ(qs::FormatKeepList(kept, "C:\\Q\\settings.xml", false), Lines({kept[0], kept[1]}));
    EXPECT_EQ(qs::FormatKeepList({}, "C:\\Q\\settings.xml", false),
              Lines({"The keep list is empty (C:\\Q\\settings.xml)."}));
    EXPECT_EQ(qs::FormatKeepList({}, "", false), Lines({"The keep list is empty (no settings file)."}));
    EXPECT_EQ(qs::FormatKeepList(kept, "", true),
              "{\"settings\":null,\"keep\":[\"%APPDATA%\\\\pinned.lnk\",\"C:\\\\Caf\xC3\xA9\"]}" + std::string(qs::kEol));
}

} // namespace
