// The plugin catalogue over scripts folders built by the tests: which entries become rows, with
// which names and icons, in which order, and which come up checked.
#include "engine/Catalogue.h"

#include "engine/FileNameText.h"
#include "hostfn/PathMacros.h"
#include "support/TempDir.h"
#include "support/Unicode.h"

#include <gtest/gtest.h>

#include <mbstring.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using qs::CScriptRow;
using qs::kChecked;
using qs::kPartlyChecked;
using qs::kUnchecked;
using qs::test::TempDir;
using qs::test::WriteText;
using qs::test::WriteWideFile;
using Names = std::vector<std::string>;

class NameList : public qs::CSelectionStore {
public:
    explicit NameList(Names names = {}) : m_names(std::move(names)) {}
    bool Contains(const std::string& name) const override {
        for (const std::string& n : m_names)
            if (_mbsicmp(reinterpret_cast<const unsigned char*>(n.c_str()),
                         reinterpret_cast<const unsigned char*>(name.c_str())) == 0)
                return true;
        return false;
    }
    void Add(const std::string& name) override { m_names.push_back(name); }
    void ClearSelected() override { m_names.clear(); }

private:
    Names m_names;
};

std::string Plugin(const std::string& name, int icon = -1) {
    return "function this:GetPluginName() return \"" + name + "\" end\n" + "function this:GetPluginIcon() return " +
           std::to_string(icon) + " end\n";
}

std::string Category(const std::string& name, int icon) {
    return "function this:GetCategoryName() return \"" + name + "\" end\n" + "function this:GetCategoryIcon() return " +
           std::to_string(icon) + " end\n";
}

// Entry names of a folder in the order the file system lists them.
Names ListingOrder(const std::string& folder) {
    Names out;
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

Names RowNames(const CScriptRow* parent) {
    Names out;
    for (const CScriptRow* r = parent->firstChild; r != nullptr; r = r->nextSibling)
        out.push_back(r->userData != nullptr ? r->userData->Name() : "?");
    return out;
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(vm.Open()); }
    void TearDown() override { qs::SetScriptsFolder(""); }

    std::string Scripts() const { return dir / "scripts"; }
    void Scan(const Names& stored = {}) { qs::ScanScriptFolder(vm, list, NameList(stored), Scripts(), nullptr); }
    // The row reached by display names, "A/B/C"; fails the test when missing.
    CScriptRow* Row(const std::string& path) {
        CScriptRow* at = list.GetRootItem();
        std::string rest = path;
        while (at != nullptr && !rest.empty()) {
            const std::string::size_type slash = rest.find('/');
            const std::string name = rest.substr(0, slash);
            rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
            CScriptRow* found = nullptr;
            for (CScriptRow* r = at->firstChild; r != nullptr && found == nullptr; r = r->nextSibling)
                if (r->userData != nullptr && r->userData->Name() == name)
                    found = r;
            at = found;
        }
        EXPECT_NE(at, nullptr) << path;
        return at;
    }

    qs::CLuaVirtualMachine vm; // outlives the rows' scripts
    qs::CScriptsModel list;
    TempDir dir;
};

TEST_F(CatalogueTest, FoldersAreCategoriesAndAnsweringFilesArePlugins) {
    const std::string s = Scripts();
    WriteText(s + "\\Browsers\\category.lua", Category("Web Browsers", 3));
    WriteText(s + "\\Browsers\\cache.lua", Plugin("Browser Cache", 4));
    WriteText(s + "\\Browsers\\History\\hist.lua", Plugin("History Files"));
    WriteText(s + "\\Browsers\\notes.txt", "This is a plain text file, not a script.\n");
    WriteText(s + "\\Broken\\category.lua", "function this:GetCategoryName( return 'x' end\n");
    WriteText(s + "\\Broken\\temp.lua", Plugin("Temp"));
    WriteText(s + "\\NilName\\category.lua", "function this:GetCategoryName() return nil end\n");
    WriteText(s + "\\NoAnswer\\category.lua", "function this:GetCategoryIcon() return 5 end\n");
    WriteText(s + "\\Raises\\category.lua", "function this:GetCategoryName() error('no') end\n"
                                            "function this:GetCategoryIcon() return 5 end\n");
    // A category.lua that is also a plugin: met again as a file of its folder, loaded afresh.
    WriteText(s + "\\Dual\\category.lua", "runs = (runs or 0) + 1\n" + Category("Dual", 1) + Plugin("Dual Plugin"));
    WriteText(s + "\\top.lua", Plugin("Top Level", 7));
    WriteText(s + "\\empty.lua", Plugin(""));
    WriteText(s + "\\nil.lua", "function this:GetPluginName() return nil end\n");
    WriteText(s + "\\raises.lua", "function this:GetPluginName() error('no') end\n");
    WriteText(s + "\\silent.lua", "x = 1\n");
    WriteText(s + "\\chunk.lua", "error('main chunk')\nfunction this:GetPluginName() return 'never' end\n");
    Scan();

    // The scripts folder's own rows follow its listing order; entries without a row drop out.
    const std::map<std::string, std::string> rowOf = {
        {"Browsers", "Web Browsers"}, {"Broken", "Broken"}, {"NilName", ""},         {"NoAnswer", "NoAnswer"},
        {"Raises", "Raises"},         {"Dual", "Dual"},     {"top.lua", "Top Level"}};
    Names expected;
    for (const std::string& entry : ListingOrder(s))
        if (rowOf.count(entry) != 0)
            expected.push_back(rowOf.at(entry));
    EXPECT_EQ(RowNames(list.GetRootItem()), expected);
    EXPECT_EQ(list.GetRootItem()->CountDescendants(), 12u);

    CScriptRow* browsers = Row("Web Browsers");
    EXPECT_EQ(browsers->isGroup, 1);
    EXPECT_EQ(browsers->imageIndex, 3);
    EXPECT_EQ(browsers->childCount, 2u); // cache.lua and History; not category.lua, not notes.txt
    EXPECT_EQ(Row("Web Browsers/Browser Cache")->imageIndex, 4);
    EXPECT_EQ(Row("Web Browsers/Browser Cache")->isGroup, 0);
    EXPECT_EQ(Row("Web Browsers/History")->isGroup, 1); // no category.lua: the folder's name
    EXPECT_EQ(Row("Web Browsers/History")->imageIndex, -1);
    EXPECT_NE(Row("Web Browsers/History/History Files"), nullptr);

    // A category whose script fails keeps the folder's name, gets no icon, and is scanned.
    EXPECT_EQ(Row("Broken")->imageIndex, -1);
    EXPECT_NE(Row("Broken/Temp"), nullptr);
    EXPECT_EQ(Row("NoAnswer")->imageIndex, -1); // GetCategoryIcon is not asked
    EXPECT_EQ(Row("Raises")->imageIndex, -1);
    // GetCategoryName answering nil leaves the name empty.
    const Names names = RowNames(list.GetRootItem());
    EXPECT_EQ(std::count(names.begin(), names.end(), std::string()), 1);

    CScriptRow* top = Row("Top Level");
    EXPECT_EQ(top->parent, list.GetRootItem());
    EXPECT_EQ(top->isGroup, 0);
    EXPECT_EQ(top->imageIndex, 7);
    EXPECT_EQ(top->checkState, kUnchecked);

    EXPECT_NE(Row("Dual/Dual Plugin"), nullptr);
    lua_getglobal(vm.State(), "runs");
    EXPECT_EQ(lua_tointeger(vm.State(), -1), 2);
    lua_pop(vm.State(), 1);
}

TEST_F(CatalogueTest, StoredNamesComeUpChecked) {
    const std::string s = Scripts();
    WriteText(s + "\\Browsers\\category.lua", Category("Web Browsers", 3));
    WriteText(s + "\\Browsers\\cache.lua", Plugin("Browser Cache"));
    WriteText(s + "\\Browsers\\History\\hist.lua", Plugin("History Files"));
    WriteText(s + "\\Broken\\category.lua", "syntax error here\n");
    WriteText(s + "\\Broken\\temp.lua", Plugin("temp files"));
    WriteText(s + "\\System\\category.lua", Category("System", 2));
    WriteText(s + "\\System\\temp.lua", Plugin("TEMP FILES"));
    WriteText(s + "\\System\\other.lua", Plugin("Other"));
    for (int i = 0; i < 6; ++i)
        WriteText(s + "\\Mixed\\m" + std::to_string(i) + ".lua", Plugin("M" + std::to_string(i)));
    // In the mixed category every plugin is stored except the one listed last, so that every
    // stored one is read before it.
    Names stored = {"Temp Files", "web browsers"};
    const Names mixed = ListingOrder(s + "\\Mixed");
    for (std::size_t i = 0; i + 1 < mixed.size(); ++i)
        stored.push_back("M" + mixed[i].substr(1, 1));
    const std::string unstored = "M" + mixed.back().substr(1, 1);
    Scan(stored);

    // Two plugins with the stored name in other letter cases are both checked.
    EXPECT_EQ(Row("Broken/temp files")->checkState, kChecked);
    EXPECT_EQ(Row("System/TEMP FILES")->checkState, kChecked);
    EXPECT_EQ(Row("Broken")->checkState, kChecked); // its only plugin is checked
    EXPECT_EQ(Row("System")->checkState, kPartlyChecked);
    EXPECT_EQ(Row("System/Other")->checkState, kUnchecked);

    // A stored category checks everything below it, stored or not.
    EXPECT_EQ(Row("Web Browsers")->checkState, kChecked);
    EXPECT_EQ(Row("Web Browsers/Browser Cache")->checkState, kChecked);
    EXPECT_EQ(Row("Web Browsers/History")->checkState, kChecked);
    EXPECT_EQ(Row("Web Browsers/History/History Files")->checkState, kChecked);

    // A category that was partly checked comes back partly checked: the plugin the user left
    // unchecked stays so.
    EXPECT_EQ(Row("Mixed")->checkState, kPartlyChecked);
    EXPECT_EQ(Row("Mixed/" + unstored)->checkState, kUnchecked);
    for (std::size_t i = 0; i + 1 < mixed.size(); ++i)
        EXPECT_EQ(Row("Mixed/M" + mixed[i].substr(1, 1))->checkState, kChecked);
}

// Records what an observed scan reports, paths relative to the scripts folder.
class Recorder : public qs::CCatalogueObserver {
public:
    explicit Recorder(std::string base) : m_base(std::move(base) + "\\") {}
    void OnRowAdded(const CScriptRow* row, const std::string& path) override {
        rows.push_back(Relative(path) + "=" + row->userData->Name());
    }
    void OnProblem(const std::string& path, Problem problem, const std::string& message) override {
        problems.push_back({Relative(path), problem, message});
    }
    struct Event {
        std::string file;
        Problem problem;
        std::string message;
    };
    Names rows;
    std::vector<Event> problems;

private:
    std::string Relative(const std::string& path) const {
        return path.compare(0, m_base.size(), m_base) == 0 ? path.substr(m_base.size()) : path;
    }
    std::string m_base;
};

// Rows as text, depth first: name, icon and kind, so that two scans can be compared.
void Describe(const CScriptRow* parent, std::string& out) {
    for (const CScriptRow* r = parent->firstChild; r != nullptr; r = r->nextSibling) {
        out += r->userData->Name() + "|" + std::to_string(r->imageIndex) + "|" + std::to_string(r->isGroup) + "\n";
        Describe(r, out);
    }
}

TEST_F(CatalogueTest, ObserverHearsWhatEachFileBecameAndChangesNothing) {
    using Problem = qs::CCatalogueObserver::Problem;
    const std::string s = Scripts();
    WriteText(s + "\\Cat\\category.lua", "\nlocal x = = 1\n");
    WriteText(s + "\\Cat\\ok.lua", Plugin("Ok", 2));
    WriteText(s + "\\Named\\category.lua", "function this:GetCategoryName() error('no name') end\n");
    WriteText(s + "\\Icon\\category.lua", "function this:GetCategoryName() return 'Icons' end\n"
                                          "function this:GetCategoryIcon() error('no icon') end\n");
    WriteText(s + "\\Plain\\a.lua", Plugin("A"));
    WriteText(s + "\\notes.txt", "plain text\n");
    WriteText(s + "\\chunk.lua", "\n\nerror('main chunk')\n");
    WriteText(s + "\\silent.lua", "x = 1\n");
    WriteText(s + "\\raises.lua", "function this:GetPluginName()\n  error('boom')\nend\n");
    WriteText(s + "\\empty.lua", Plugin(""));
    WriteText(s + "\\badicon.lua", "function this:GetPluginName() return 'Bad Icon' end\n"
                                   "function this:GetPluginIcon() error('icon') end\n");
    Scan();
    std::string plain;
    Describe(list.GetRootItem(), plain);
    list.DeleteAllItems();

    Recorder recorder(s);
    qs::ScanScriptFolder(vm, list, NameList(), s, nullptr, &recorder);
    std::string observed;
    Describe(list.GetRootItem(), observed);
    EXPECT_EQ(observed, plain);

    Names rows = recorder.rows;
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Names{"Cat=Cat", "Cat\\ok.lua=Ok", "Icon=Icons", "Named=Named", "Plain=Plain", "Plain\\a.lua=A",
                           "badicon.lua=Bad Icon"}));

    // Every report with its Lua message from the line on (the message begins with the file,
    // which Lua may shorten at the front); an empty end means no message. A category.lua is met twice:
    // as its folder's script and again as a plugin candidate of that folder.
    std::vector<std::string> seen;
    for (const auto& e : recorder.problems) {
        const std::size_t at = e.message.find(e.file + ":");
        seen.push_back(e.file + " " + std::to_string(e.problem) + " " +
                       (at != std::string::npos ? e.message.substr(at + e.file.size()) : e.message));
    }
    std::sort(seen.begin(), seen.end());
    const auto text = [](const char* file, Problem problem, const std::string& end) {
        return std::string(file) + " " + std::to_string(problem) + " " + end;
    };
    std::vector<std::string> expected = {
        text("Cat\\category.lua", Problem::kCategoryLoadFailed, ":2: unexpected symbol near '='"),
        text("Cat\\category.lua", Problem::kLoadFailed, ":2: unexpected symbol near '='"),
        text("Named\\category.lua", Problem::kCategoryNameRaised, ":1: no name"),
        text("Named\\category.lua", Problem::kNoPluginName, ""),
        text("Icon\\category.lua", Problem::kCategoryIconRaised, ":2: no icon"),
        text("Icon\\category.lua", Problem::kNoPluginName, ""),
        text("notes.txt", Problem::kLoadFailed, ":1: '=' expected near 'text'"),
        text("chunk.lua", Problem::kLoadFailed, ":3: main chunk"),
        text("silent.lua", Problem::kNoPluginName, ""),
        text("raises.lua", Problem::kPluginNameRaised, ":2: boom"),
        text("empty.lua", Problem::kEmptyPluginName, ""),
        text("badicon.lua", Problem::kPluginIconRaised, ":2: icon"),
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(seen, expected);
}

TEST_F(CatalogueTest, LoadScriptsEmptiesTheListAndReadsTheScriptsFolder) {
    WriteText(Scripts() + "\\a.lua", Plugin("A"));
    list.InsertItem(nullptr, -1, kUnchecked, 0, nullptr);
    qs::SetScriptsFolder(Scripts());
    qs::LoadScripts(vm, list, NameList({"a"}));
    EXPECT_EQ(RowNames(list.GetRootItem()), Names{"A"});
    EXPECT_EQ(Row("A")->checkState, kChecked);

    // No scripts folder: the list stays empty.
    qs::SetScriptsFolder(dir / "missing");
    qs::LoadScripts(vm, list, NameList());
    EXPECT_EQ(list.GetRootItem()->childCount, 0u);
}

TEST_F(CatalogueTest, LinkBackToAnEnclosingFolderIsLeftOut) {
    const std::string s = Scripts();
    WriteText(s + "\\Loop\\a.lua", Plugin("A"));
    WriteText(dir / "elsewhere\\b.lua", Plugin("B"));
    if (!qs::test::MakeFolderLink(s + "\\Loop\\back", s + "\\Loop") ||
        !qs::test::MakeFolderLink(s + "\\Loop\\shared", dir / "elsewhere"))
        GTEST_SKIP() << "no folder links here";
    Scan();
    EXPECT_EQ(list.GetRootItem()->CountDescendants(), 4u); // Loop, A, shared, B
    EXPECT_NE(Row("Loop/shared/B"), nullptr);
}

TEST_F(CatalogueTest, EntriesPastThePathLimitAreLeftAlone) {
    const std::string s = Scripts();
    WriteText(s + "\\short.lua", Plugin("Short"));
    const std::size_t folderLength = s.size() + 1;
    // Full paths of exactly 259 and 260 characters.
    const std::string fits = std::string(259 - folderLength - 4, 'f') + ".lua";
    const std::string tooLong(260 - folderLength, 'g');
    WriteText(s + "\\" + fits, Plugin("Fits"));
    // A folder whose path passes the limit would otherwise become a category named after it.
    // The ANSI file functions stop at the classic limit (Wine's too): it is made through the
    // wide ones.
    const std::string longPath = "\\\\?\\" + s + "\\" + tooLong;
    ASSERT_TRUE(CreateDirectoryW(std::wstring(longPath.begin(), longPath.end()).c_str(), nullptr));
    ASSERT_EQ(ListingOrder(s).size(), 3u);
    Recorder recorder(s);
    qs::ScanScriptFolder(vm, list, NameList(), s, nullptr, &recorder);
    Names rows = RowNames(list.GetRootItem());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Names{"Fits", "Short"}));
    // An observer hears of the entry that was left alone.
    ASSERT_EQ(recorder.problems.size(), 1u);
    EXPECT_EQ(recorder.problems[0].file, tooLong);
    EXPECT_EQ(recorder.problems[0].problem, qs::CCatalogueObserver::kPathTooLong);
}

TEST_F(CatalogueTest, ScriptsWithAnyNameLoadUnderTheirExactName) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the shown names below are those of code page 1252, not " << GetACP();
    const std::string s = Scripts();
    // Each file names its plugin after itself: a row tells which file was loaded.
    const struct {
        const wchar_t* file;
        const char* shown; // as the rows and reports show it, relative to the scripts folder
        bool optional;     // a name the platform may refuse
    } files[] = {
        {L"job.lua", "job.lua", false},
        {L"\uff4a\uff4f\uff42.lua", "<U+FF4A><U+FF4F><U+FF42>.lua", false}, // best fit: "job.lua"
        {L"\u65e5\u672c.lua", "<U+65E5><U+672C>.lua", false},
        {L"\u03a9\u03bc\u03ad\u03b3\u03b1.lua", "<U+03A9><U+03BC><U+03AD><U+03B3><U+03B1>.lua", false},
        {L"\U0001F600.lua", "<U+1F600>.lua", false},
        {L"Cafe\u0301.lua", "Cafe<U+0301>.lua", false},
        {L"Caf\u00e9.lua", "Caf\xE9.lua", false},
        {L"\uff0e\uff0e.lua", "<U+FF0E><U+FF0E>.lua", false},
        {L"job.lua.", "job.lua.", true},
        {L"job.lua ", "job.lua ", true},
        // Category folders named outside the code page are scanned; ｔｅｍｐ is not temp.
        {L"\u65e5\u672cdir\\a.lua", "<U+65E5><U+672C>dir\\a.lua", false},
        {L"temp\\t.lua", "temp\\t.lua", false},
        {L"\uff54\uff45\uff4d\uff50\\t.lua", "<U+FF54><U+FF45><U+FF4D><U+FF50>\\t.lua", false},
        {L"\u03a9dir\\b.lua", "<U+03A9>dir\\b.lua", false},
    };
    Names expected = {"<U+65E5><U+672C>dir=<U+65E5><U+672C>dir", "temp=temp",
                      "<U+FF54><U+FF45><U+FF4D><U+FF50>=<U+FF54><U+FF45><U+FF4D><U+FF50>", "<U+03A9>dir=Omega"};
    for (const auto& f : files) {
        std::string name = std::string("from ") + f.shown;
        std::replace(name.begin(), name.end(), '\\', '/');
        const bool written = WriteWideFile(s, f.file, Plugin(name));
        if (!written && f.optional)
            continue;
        ASSERT_TRUE(written) << f.shown;
        expected.push_back(f.shown + ("=" + name));
    }
    ASSERT_TRUE(WriteWideFile(s, L"\u03a9dir\\category.lua", Category("Omega", 1)));
    // A broken script and one that shows its own chunk name.
    ASSERT_TRUE(WriteWideFile(s, L"\u58ca.lua", "\nfunction this:GetPluginName(\n"));
    ASSERT_TRUE(
        WriteWideFile(s, L"\u6e90.lua",
                      "function this:GetPluginName() return (debug.getinfo(1, 'S').source:gsub('.*\\\\', '')) end\n"));
    expected.push_back("<U+6E90>.lua=<U+6E90>.lua");

    Recorder recorder(s);
    qs::ScanScriptFolder(vm, list, NameList(), s, nullptr, &recorder);
    Names rows = recorder.rows;
    std::sort(rows.begin(), rows.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);

    // The broken one is reported under its shown name, which its message's location repeats (Lua
    // keeps the tail of a long chunk name behind "..."). The category script, met again as a
    // plugin candidate, answers no plugin name.
    ASSERT_EQ(recorder.problems.size(), 2u);
    for (const Recorder::Event& e : recorder.problems) {
        if (e.problem == qs::CCatalogueObserver::kNoPluginName) {
            EXPECT_EQ(e.file, "<U+03A9>dir\\category.lua");
        } else {
            EXPECT_EQ(e.file, "<U+58CA>.lua");
            EXPECT_EQ(e.problem, qs::CCatalogueObserver::kLoadFailed);
            EXPECT_NE(e.message.find("<U+58CA>.lua:3: "), std::string::npos) << e.message;
        }
    }
}

// Scripts that never answer: each quick entry point and main chunk stops at the machine's
// budget with a script error, reported like any other raising one, and the scan goes on.
TEST_F(CatalogueTest, EndlessEntryPointsStopAtTheBudgetAndAreReported) {
    using Problem = qs::CCatalogueObserver::Problem;
    vm.SetQuickBudget(300);
    const std::string s = Scripts();
    const std::string loop = "while true do end";
    WriteText(s + "\\Looping\\category.lua", "function this:GetCategoryName() " + loop + " end\n");
    WriteText(s + "\\Looping\\ok.lua", Plugin("Ok"));
    WriteText(s + "\\Icon\\category.lua",
              "function this:GetCategoryName() return 'Icons' end\nfunction this:GetCategoryIcon() " + loop + " end\n");
    WriteText(s + "\\name.lua", "function this:GetPluginName()\n  " + loop + "\nend\n");
    WriteText(s + "\\icon.lua",
              "function this:GetPluginName() return 'Iconless' end\nfunction this:GetPluginIcon() " + loop + " end\n");
    WriteText(s + "\\chunk.lua", "local n = 0\nwhile true do n = n + 1 end\n");
    WriteText(s + "\\caught.lua", "function this:GetPluginName()\n"
                                  "  while true do pcall(function() while true do end end) end\n"
                                  "end\n");
    WriteText(s + "\\coroutine.lua", "function this:GetPluginName()\n"
                                     "  local co = coroutine.wrap(function() while true do end end)\n"
                                     "  co()\n"
                                     "end\n");
    WriteText(s + "\\fine.lua", Plugin("Fine"));

    Recorder recorder(s);
    const DWORD start = GetTickCount();
    qs::ScanScriptFolder(vm, list, NameList(Names{}), s, nullptr, &recorder);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_LT(elapsed, 7u * 300u + 3000u); // seven budgets and the rest of the scan

    // Category scripts are also files of their folders, heard once more as plugins without a name.
    std::map<std::string, std::pair<Problem, std::string>> problems;
    for (const Recorder::Event& e : recorder.problems)
        if (e.problem != Problem::kNoPluginName)
            problems[e.file] = {e.problem, e.message};
    const struct {
        const char* file;
        Problem problem;
        const char* where; // the line the loop was stopped on
    } expected[] = {
        {"Looping\\category.lua", Problem::kCategoryNameRaised, "category.lua:1: "},
        {"Icon\\category.lua", Problem::kCategoryIconRaised, "category.lua:2: "},
        {"name.lua", Problem::kPluginNameRaised, "name.lua:2: "},
        {"icon.lua", Problem::kPluginIconRaised, "icon.lua:2: "},
        {"chunk.lua", Problem::kLoadFailed, "chunk.lua:2: "},
        {"caught.lua", Problem::kPluginNameRaised, "caught.lua:2: "},
        {"coroutine.lua", Problem::kPluginNameRaised, "coroutine.lua:"},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.file);
        ASSERT_EQ(problems.count(e.file), 1u);
        EXPECT_EQ(problems[e.file].first, e.problem);
        EXPECT_NE(problems[e.file].second.find(e.where), std::string::npos) << problems[e.file].second;
        EXPECT_NE(problems[e.file].second.find("ran longer than its time limit of 300 ms"), std::string::npos)
            << problems[e.file].second;
    }
    EXPECT_EQ(problems.size(), std::size(expected));
    // Rows as for any raising entry point: a category keeps its folder's name, an icon that did
    // not answer leaves the row without one, a plugin without a name gets no row.
    Names rows = RowNames(list.GetRootItem());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Names{"Fine", "Iconless", "Icons", "Looping"}));
    EXPECT_EQ(RowNames(Row("Looping")), Names{"Ok"});
    EXPECT_EQ(Row("Iconless")->imageIndex, -1);
    // The machine answers at once again afterwards.
    EXPECT_EQ(vm.LastInterrupt(), qs::CCallInterrupt::kOverBudget);
    std::string name;
    EXPECT_TRUE(Row("Fine")->userData->GetPluginName(name));
    EXPECT_EQ(name, "Fine");
}

// ---- categories without rows ----------------------------------------------------------

// Every row as "path=state", paths of display names joined by '/', sorted.
void Flatten(const CScriptRow* parent, const std::string& prefix, Names& out) {
    static const char* const kStates[] = {"nobox", "no", "yes", "partly"};
    for (const CScriptRow* r = parent->firstChild; r != nullptr; r = r->nextSibling) {
        const std::string path = prefix + r->userData->Name();
        out.push_back(path + "=" + kStates[r->checkState & 3]);
        Flatten(r, path + "/", out);
    }
}

struct EmptyCase {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files; // below the scripts folder
    Names stored;
    Names rows; // Flatten after RemoveEmptyCategories
};

void PrintTo(const EmptyCase& c, std::ostream* os) { *os << c.what; }

class EmptyCategoryTest : public CatalogueTest, public ::testing::WithParamInterface<EmptyCase> {};

TEST_P(EmptyCategoryTest, CategoriesWithoutPluginRowsGo) {
    const EmptyCase& c = GetParam();
    for (const auto& [path, text] : c.files)
        WriteText(Scripts() + "\\" + path, text);
    Scan(c.stored);
    qs::RemoveEmptyCategories(list);
    Names rows;
    Flatten(list.GetRootItem(), "", rows);
    std::sort(rows.begin(), rows.end());
    Names expected = c.rows;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);
    // The model's own counts agree with what is left.
    EXPECT_EQ(list.GetRootItem()->CountDescendants(), expected.size());
}

const std::string kUndetected = Plugin("");

INSTANTIATE_TEST_SUITE_P(
    Folders, EmptyCategoryTest,
    ::testing::Values(
        EmptyCase{"every job undetected",
                  {{"Apps\\category.lua", Category("Applications", 1)},
                   {"Apps\\a.lua", kUndetected},
                   {"Apps\\b.lua", "x = 1\n"},
                   {"Keep\\k.lua", Plugin("K")}},
                  {},
                  {"Keep=no", "Keep/K=no"}},
        EmptyCase{"only empty categories inside",
                  {{"Dev\\Tools\\none.lua", kUndetected},
                   {"Dev\\Tools\\More\\notes.txt", "text\n"},
                   {"Dev\\Blank\\readme.txt", "text\n"},
                   {"top.lua", Plugin("T")}},
                  {},
                  {"T=no"}},
        EmptyCase{"a job deep below keeps every category above it",
                  {{"Outer\\Mid\\Inner\\job.lua", Plugin("Job")}, {"Outer\\Empty\\none.lua", kUndetected}},
                  {},
                  {"Outer=no", "Outer/Mid=no", "Outer/Mid/Inner=no", "Outer/Mid/Inner/Job=no"}},
        // The empty category left its parent partly checked; judged on the rows it keeps, the
        // parent is wholly checked, as the user left it.
        EmptyCase{"checks judged on the rows that remain",
                  {{"Sys\\p.lua", Plugin("P")}, {"Sys\\Gone\\none.lua", kUndetected}},
                  {"P"},
                  {"Sys=yes", "Sys/P=yes"}},
        EmptyCase{"a stored empty category goes too",
                  {{"Gone\\none.lua", kUndetected}, {"Fine\\p.lua", Plugin("P")}},
                  {"Gone", "Fine"},
                  {"Fine=yes", "Fine/P=yes"}},
        EmptyCase{"nothing detected at all", {{"A\\a.lua", kUndetected}, {"b.lua", kUndetected}}, {}, {}}));

// A category left empty by the scripts stays when another source fills it (as a rule file adds
// its rows to a category of the same name), in its place; one that stayed empty comes back at
// the next load that finds a job for it.
TEST_F(CatalogueTest, EmptyCategoryStaysWhenFilledAndComesBackOnReload) {
    WriteText(Scripts() + "\\Apps\\category.lua", Category("Applications", 1));
    WriteText(Scripts() + "\\Apps\\none.lua", kUndetected);
    WriteText(Scripts() + "\\Dev\\none.lua", kUndetected);
    WriteText(Scripts() + "\\Sys\\p.lua", Plugin("P"));
    qs::SetScriptsFolder(Scripts());
    qs::LoadScripts(vm, list, NameList());
    const Names order = RowNames(list.GetRootItem());
    auto filler = std::make_unique<qs::CPluginScript>(vm);
    filler->SetName("From Rules");
    list.InsertItem(std::move(filler), -1, kUnchecked, FALSE, Row("Applications"));
    qs::RemoveEmptyCategories(list);
    Names kept = order;
    kept.erase(std::find(kept.begin(), kept.end(), "Dev"));
    EXPECT_EQ(RowNames(list.GetRootItem()), kept);
    EXPECT_EQ(RowNames(Row("Applications")), Names{"From Rules"});

    // The program is installed now: its job answers a name at the next load.
    WriteText(Scripts() + "\\Dev\\none.lua", Plugin("Found"));
    qs::LoadScripts(vm, list, NameList());
    qs::RemoveEmptyCategories(list);
    kept = order;
    kept.erase(std::find(kept.begin(), kept.end(), "Applications"));
    EXPECT_EQ(RowNames(list.GetRootItem()), kept);
    EXPECT_EQ(RowNames(Row("Dev")), Names{"Found"});
}

} // namespace
