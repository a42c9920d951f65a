// The plugin catalogue over scripts folders built by the tests: which entries become rows, with
// which names and icons, in which order, and which come up checked.
#include "engine/Catalogue.h"

#include "hostfn/PathMacros.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <mbstring.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using qs::CScriptRow;
using qs::kChecked;
using qs::kPartlyChecked;
using qs::kUnchecked;
using qs::test::TempDir;
using qs::test::WriteText;
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

} // namespace
