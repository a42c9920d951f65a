// Argument rules and results of the host functions, as scripts call them.
#include "engine/HostFunctions.h"
#include "hostfn/PathMacros.h"
#include "support/ScriptHost.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using qs::test::ScriptHost;
using Results = std::vector<std::string>;

// Every entry below `root` with its content; links are listed, not followed.
qs::test::TreeSnapshot FileContents(const std::string& root) { return qs::test::Snapshot(root); }

// What the last call handed on to the work behind the functions.
struct Record {
    std::string fn, path, masks;
    bool hasMasks = false;
    bool flag = false;
    std::uint32_t passes = 0;
};
Record g_last;
qs::FileJob g_job;                     // the job the last job call handed on
std::vector<std::string> g_jobFolders; // the folder of every job handed on, in order

// Replaces the work with recorders for the test's lifetime.
class HostFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        g_last = Record{};
        qs::HostWork& w = qs::CurrentHostWork();
        w.measureFolder = [](const qs::CWalkScope&, const std::string& f, const std::string& m, bool r, std::uint64_t& size,
                             std::uint32_t& count) {
            g_last = {"measure", f, m, true, r, 0};
            size = 9007199254740993ull; // 2^53 + 1: rounds to the nearest double
            count = 4000000000u;
        };
        w.iconOfPath = [](const std::string& p) {
            g_last = {"icon", p, "", false, false, 0};
            return 17;
        };
        w.iconOfExtension = [](const std::string& e) {
            g_last = {"iconExt", e, "", false, false, 0};
            return 18;
        };
        w.queryRecycleBin = [](const std::string& root, std::uint64_t& size, std::uint32_t& count) {
            g_last = {"bin", root, "", false, false, 0};
            size = 1536;
            count = 3;
        };
        w.sizeOnDrive = [](const qs::CWalkScope&, const std::string& p, std::uint64_t& size) {
            g_last = {"size", p, "", false, false, 0};
            size = 8192;
            return true;
        };
        w.countValues = [](const std::string& k, const std::string& m) {
            g_last = {"count", k, m, true, false, 0};
            return 5u;
        };
        w.deleteValues = [](const std::string& k, const std::string& m) {
            g_last = {"delValues", k, m, true, false, 0};
        };
        w.eraseFolder = [](const qs::CWalkScope&, const std::string& f, const std::string* m, bool r) {
            g_last = {"erase", f, m ? *m : "", m != nullptr, r, 0};
        };
        w.deleteFile = [](const qs::CWalkScope&, const std::string& p) { g_last = {"delete", p, "", false, false, 0}; };
        w.emptyRecycleBin = [](const std::string& root) { g_last = {"empty", root, "", false, false, 0}; };
        w.wipeFile = [](const qs::CWalkScope&, const std::string& p, std::uint32_t n) {
            g_last = {"wipe", p, "", false, false, n};
            return true;
        };
        w.wipeFolder = [](const qs::CWalkScope&, const std::string& f, const std::string& m, bool r, std::uint32_t n) {
            g_last = {"wipeFolder", f, m, true, r, n};
        };
        w.cleanIndexFolder = [](const qs::CWalkScope&, const std::string& f, bool leak) {
            g_last = {"index", f, "", false, leak, 0};
            return true;
        };
        w.measureJob = [](const qs::CWalkScope&, const qs::FileJob& j, std::uint64_t& size, std::uint32_t& count) {
            g_last = {"measureJob", j.folder, j.masks, true, j.recurse, 0};
            g_job = j;
            g_jobFolders.push_back(j.folder);
            size = 4096;
            count = 2;
        };
        w.deleteJob = [](const qs::CWalkScope&, const qs::FileJob& j) {
            g_last = {"deleteJob", j.folder, j.masks, true, j.recurse, 0};
            g_job = j;
            g_jobFolders.push_back(j.folder);
        };
        w.wipeJob = [](const qs::CWalkScope&, const qs::FileJob& j, std::uint32_t n) {
            g_last = {"wipeJob", j.folder, j.masks, true, j.recurse, n};
            g_job = j;
            g_jobFolders.push_back(j.folder);
        };
        w.pathExists = [](const std::string& p) {
            g_last = {"exists", p, "", false, false, 0};
            return true;
        };
        w.deleteKeys = [](const std::string& k, const std::string& m) { g_last = {"delKeys", k, m, true, false, 0}; };
        w.keyExists = [](const std::string& k) {
            g_last = {"keyExists", k, "", false, false, 0};
            return true;
        };
        w.processRunning = [](const std::string& n) {
            g_last = {"running", n, "", false, false, 0};
            return true;
        };
        w.measureKeyTree = [](const std::string& k) {
            g_last = {"measureTree", k, "", false, false, 0};
            return 12u;
        };
        w.deleteKeyTree = [](const std::string& k) {
            g_last = {"deleteTree", k, "", false, false, 0};
            return 12u;
        };
        w.windowsVersion = [] {
            g_last = {"version", "", "", false, false, 0};
            return std::string("10.0.19045");
        };
    }
    void TearDown() override { qs::CurrentHostWork() = qs::DefaultHostWork(); }

    ScriptHost host;
};

TEST_F(HostFunctions, AreRegisteredInTableOrder) {
    const char* names[] = {"GetFolderSize",      "GetIconIndex",
                           "GetIconIndexByExt",  "GetRecycleBinInfo",
                           "GetFileSize",        "RegKeyGetNumberOfValues",
                           "RegKeyDeleteValues", "DeleteFolderContent",
                           "DeleteFile",         "EmptyRecycleBin",
                           "WipeFile",           "WipeFolderContent",
                           "ClearIndexFile",     "RegKeyDeleteKeys",
                           "MeasureFiles",       "DeleteFiles",
                           "WipeFiles",          "PathExists",
                           "RegKeyExists",       "IsProcessRunning",
                           "RegKeyMeasureTree",  "RegKeyDeleteTree",
                           "GetWindowsVersion"};
    ASSERT_EQ(qs::kHostFunctionCount, static_cast<int>(std::size(names)));
    for (int i = 0; i < qs::kHostFunctionCount; ++i)
        EXPECT_STREQ(qs::kHostFunctions[i].name, names[i]);
    EXPECT_EQ(host.Eval("return type(self.GetFolderSize), type(self.RegKeyDeleteKeys)"),
              (Results{"s:function", "s:function"}));
}

TEST_F(HostFunctions, MalformedCallsGiveTheDefaultsAndDoNothing) {
    struct {
        const char* call;
        Results results;
    } cases[] = {
        {"self:GetFolderSize()", {"n:0"}},
        {"self:GetFolderSize({})", {"n:0"}},
        {"self:GetIconIndex('C:\\\\', 'extra')", {"n:-1"}},
        {"self:GetIconIndex()", {"n:-1"}},
        {"self:GetIconIndexByExt(true)", {"n:-1"}},
        {"self:GetFileSize()", {"n:0"}},
        {"self:GetFileSize(false)", {"n:0"}},
        {"self:RegKeyGetNumberOfValues()", {"n:0"}},
        {"self:RegKeyDeleteValues({})", {}},
        {"self:DeleteFolderContent()", {}},
        {"self:DeleteFile(nil)", {}},
        {"self:WipeFile()", {}},
        {"self:WipeFolderContent({})", {}},
        {"self:ClearIndexFile()", {}},
        {"self:RegKeyDeleteKeys(nil, '*')", {}},
        {"self:MeasureFiles()", {"s:0", "s:0"}},
        {"self:MeasureFiles('C:\\\\x')", {"s:0", "s:0"}},
        {"self:DeleteFiles({})", {}},
        {"self:WipeFiles(nil, 1)", {}},
        {"self:PathExists()", {"b:false"}},
        {"self:RegKeyExists()", {"b:false"}},
        {"self:IsProcessRunning(nil)", {"b:false"}},
        {"self:RegKeyMeasureTree()", {"n:0"}},
        {"self:RegKeyDeleteTree({})", {}},
    };
    for (const auto& c : cases) {
        g_last = Record{};
        EXPECT_EQ(host.Eval(std::string("return ") + c.call), c.results) << c.call;
        EXPECT_EQ(g_last.fn, "") << c.call;
    }
}

TEST_F(HostFunctions, ResultsAreTextOrNumbersAsEachFunctionPromises) {
    EXPECT_EQ(host.Eval("return self:GetFolderSize('C:\\\\x')"), (Results{"s:9007199254740992", "s:4000000000"}));
    EXPECT_EQ(host.Eval("return self:GetRecycleBinInfo()"), (Results{"s:1536", "s:3"}));
    EXPECT_EQ(g_last.path, "");
    EXPECT_EQ(host.Eval("return self:GetRecycleBinInfo('D:\\\\')"), (Results{"s:1536", "s:3"}));
    EXPECT_EQ(g_last.path, "D:\\");
    EXPECT_EQ(host.Eval("return self:GetFileSize('C:\\\\x')"), (Results{"n:8192"}));
    EXPECT_EQ(host.Eval("return self:RegKeyGetNumberOfValues('HKEY_CURRENT_USER\\\\X')"), (Results{"n:5"}));
    EXPECT_EQ(host.Eval("return self:GetIconIndex('%temp%')"), (Results{"n:17"}));
    EXPECT_EQ(g_last.path, "%temp%"); // the icon lookup expands the path itself
    EXPECT_EQ(host.Eval("return self:GetIconIndexByExt('txt')"), (Results{"n:18"}));
    EXPECT_EQ(host.Eval("return self:DeleteFile('C:\\\\x')"), Results{});
    EXPECT_EQ(host.Eval("return self:RegKeyExists('HKEY_CURRENT_USER\\\\X')"), (Results{"b:true"}));
    EXPECT_EQ(host.Eval("return self:IsProcessRunning('A.EXE')"), (Results{"b:true"}));
    EXPECT_EQ(g_last.path, "A.EXE");
    EXPECT_EQ(host.Eval("return self:RegKeyMeasureTree('HKEY_CURRENT_USER\\\\X\\\\Y')"), (Results{"n:12"}));
    EXPECT_EQ(host.Eval("return self:RegKeyDeleteTree('HKEY_CURRENT_USER\\\\X\\\\Y')"), Results{});
    EXPECT_EQ(g_last.fn, "deleteTree");
    EXPECT_EQ(host.Eval("return self:GetWindowsVersion()"), (Results{"s:10.0.19045"}));
    EXPECT_EQ(host.Eval("return self:GetWindowsVersion({}, true)"), (Results{"s:10.0.19045"}));
    EXPECT_EQ(host.Eval("return self:EmptyRecycleBin(7)"), Results{});
    EXPECT_EQ(g_last.fn, "empty");
    EXPECT_EQ(g_last.path, "7");
}

TEST_F(HostFunctions, StringArgumentsAcceptNumbersAndPathsAreExpanded) {
    host.Eval("self:DeleteFile(42)");
    EXPECT_EQ(g_last.fn, ""); // taken as text, "42" is a relative path, which names nothing
    host.Eval("self:DeleteFile(42 .. '')");
    EXPECT_EQ(g_last.fn, "");
    host.Eval("self:DeleteFile('c:\\\\Some\\\\Path.txt')");
    EXPECT_EQ(g_last.path, "C:\\SOME\\PATH.TXT");
    host.Eval("self:RegKeyDeleteValues('hkey_current_user\\\\Software\\\\x', 12)");
    EXPECT_EQ(g_last.path, "hkey_current_user\\Software\\x"); // key paths are not expanded
    EXPECT_EQ(g_last.masks, "12");
}

TEST_F(HostFunctions, MaskListsAndRecurseFlags) {
    struct {
        const char* call;
        const char* masks;
        bool recurse;
    } cases[] = {
        {"self:GetFolderSize('C:\\\\x')", "", false},
        {"self:GetFolderSize('C:\\\\x', '*.tmp', true)", "*.tmp", true},
        {"self:GetFolderSize('C:\\\\x', nil, 0)", "", true},
        {"self:GetFolderSize('C:\\\\x', nil, {})", "", true},
        {"self:GetFolderSize('C:\\\\x', 'a;b', false)", "a;b", false},
        {"self:DeleteFolderContent('C:\\\\x', nil, 1)", "", true},
        {"self:RegKeyGetNumberOfValues('HKEY_USERS\\\\x', nil)", "", false},
    };
    for (const auto& c : cases) {
        host.Eval(c.call);
        EXPECT_EQ(g_last.masks, c.masks) << c.call;
        EXPECT_EQ(g_last.flag, c.recurse) << c.call;
    }
    host.Eval("self:DeleteFolderContent('C:\\\\x')");
    EXPECT_TRUE(g_last.hasMasks); // DeleteFolderContent always passes a (possibly empty) list
}

TEST_F(HostFunctions, PassCountAndLeakFlagAreReadOnlyAtTheFullArgumentCount) {
    struct {
        const char* call;
        std::uint32_t passes;
    } wipes[] = {
        {"self:WipeFile('C:\\\\x', 7)", 7},
        {"self:WipeFile('C:\\\\x', 7, true)", 3},
        {"self:WipeFile('C:\\\\x', 0)", 3},
        {"self:WipeFile('C:\\\\x')", 3},
        {"self:WipeFile('C:\\\\x', '5')", 5},
        {"self:WipeFile('C:\\\\x', -1)", 0xFFFFFFFFu},
        {"self:WipeFolderContent('C:\\\\x', '', true, 1)", 1},
        {"self:WipeFolderContent('C:\\\\x', '', true)", 3},
        {"self:WipeFolderContent('C:\\\\x', '', true, 1, 9)", 3},
    };
    for (const auto& c : wipes) {
        host.Eval(c.call);
        EXPECT_EQ(g_last.passes, c.passes) << c.call;
    }
    struct {
        const char* call;
        bool leak;
    } index[] = {
        {"self:ClearIndexFile('C:\\\\x', 1)", true},
        {"self:ClearIndexFile('C:\\\\x', 1, 1)", false},
        {"self:ClearIndexFile('C:\\\\x', 0)", false},
        {"self:ClearIndexFile('C:\\\\x')", false},
    };
    for (const auto& c : index) {
        host.Eval(c.call);
        EXPECT_EQ(g_last.fn, "index");
        EXPECT_EQ(g_last.flag, c.leak) << c.call;
    }
}

TEST_F(HostFunctions, PathsThatNameNothingAreLeftAlone) {
    // An empty folder path would stand for the root of the current drive; a path past the classic
    // limit would be cut into another name; a NUL byte would hide the rest of the path.
    // Anything not rooted at a drive or a share would be taken relative to the current folder or
    // drive, or reach a device.
    const std::string longPath = "C:\\" + std::string(300, 'a');
    for (const std::string& path :
         {std::string(""), longPath, std::string("C:\\keep\\0\\gone"), std::string("x.txt"), std::string("sub\\x"),
          std::string("C:x"), std::string("\\x"), std::string("%NO_SUCH_VARIABLE_QS%\\x"), std::string("\\\\.\\C:"),
          std::string("\\\\?\\C:\\x"), std::string("\\\\server"), std::string("\\\\\\x")}) {
        std::string lua = "[==[" + path + "]==]";
        if (path.find("\\0") != std::string::npos)
            lua = "'C:\\\\keep\\0\\\\gone'";
        g_last = Record{};
        EXPECT_EQ(host.Eval("return self:GetFolderSize(" + lua + ", '', true)"), (Results{"s:0", "s:0"}));
        host.Eval("self:DeleteFolderContent(" + lua + ", '', true) self:DeleteFile(" + lua + ")");
        host.Eval("self:WipeFolderContent(" + lua + ") self:WipeFile(" + lua + ") self:ClearIndexFile(" + lua + ")");
        EXPECT_EQ(host.Eval("return self:GetFileSize(" + lua + ")"), (Results{"n:0"}));
        EXPECT_EQ(g_last.fn, "") << path.size();
    }
}

TEST_F(HostFunctions, WrongArgumentTypesWhereTextBelongsDoNothingAndGiveTheDefault) {
    // Every function with arguments that do its work, the work they reach, the positions that
    // take text (a path, key, mask list, root or extension) and what the function answers when it
    // does nothing.
    struct Row {
        const char* name;
        std::vector<std::string> args;
        const char* work;
        std::vector<size_t> text;
        Results defaults;
    };
    const std::string path = "'C:\\\\x'", key = "'HKEY_CURRENT_USER\\\\x'";
    const Row rows[] = {
        {"GetFolderSize", {path, "'*.tmp'", "true"}, "measure", {0, 1}, {"n:0"}},
        {"GetIconIndex", {path}, "icon", {0}, {"n:-1"}},
        {"GetIconIndexByExt", {"'txt'"}, "iconExt", {0}, {"n:-1"}},
        {"GetRecycleBinInfo", {"'C:\\\\'"}, "bin", {0}, {"s:0", "s:0"}},
        {"GetFileSize", {path}, "size", {0}, {"n:0"}},
        {"RegKeyGetNumberOfValues", {key, "'*'"}, "count", {0, 1}, {"n:0"}},
        {"RegKeyDeleteValues", {key, "'*'"}, "delValues", {0, 1}, {}},
        {"DeleteFolderContent", {path, "'*.tmp'", "true"}, "erase", {0, 1}, {}},
        {"DeleteFile", {path}, "delete", {0}, {}},
        {"EmptyRecycleBin", {"'C:\\\\'"}, "empty", {0}, {}},
        {"WipeFile", {path, "1"}, "wipe", {0}, {}},
        {"WipeFolderContent", {path, "'*.tmp'", "true", "1"}, "wipeFolder", {0, 1}, {}},
        {"ClearIndexFile", {path, "1"}, "index", {0}, {}},
        {"RegKeyDeleteKeys", {key, "'*'"}, "delKeys", {0, 1}, {}},
        {"MeasureFiles", {"{folder = " + path + "}"}, "measureJob", {0}, {"s:0", "s:0"}},
        {"DeleteFiles", {"{folder = " + path + "}"}, "deleteJob", {0}, {}},
        {"WipeFiles", {"{folder = " + path + "}", "1"}, "wipeJob", {0}, {}},
        {"PathExists", {path}, "exists", {0}, {"b:false"}},
        {"RegKeyExists", {key}, "keyExists", {0}, {"b:false"}},
        {"IsProcessRunning", {"'a.exe'"}, "running", {0}, {"b:false"}},
        {"RegKeyMeasureTree", {key}, "measureTree", {0}, {"n:0"}},
        {"RegKeyDeleteTree", {key}, "deleteTree", {0}, {}},
        {"GetWindowsVersion", {}, "version", {}, {}},
    };
    const char* wrong[] = {"{}",    "{'*.tmp'}",      "true", "false", "function() return '*.tmp' end",
                           "print", "newproxy(false)", "coroutine.create(function() end)"};
    ASSERT_EQ(std::size(rows), static_cast<size_t>(qs::kHostFunctionCount));
    auto call = [](const char* name, const std::vector<std::string>& args) {
        std::string text = std::string("return self:") + name + "(";
        for (size_t i = 0; i < args.size(); ++i)
            text += (i ? ", " : "") + args[i];
        return text + ")";
    };
    for (size_t r = 0; r < std::size(rows); ++r) {
        const Row& row = rows[r];
        EXPECT_STREQ(qs::kHostFunctions[r].name, row.name);
        g_last = Record{};
        host.Eval(call(row.name, row.args));
        EXPECT_EQ(g_last.fn, row.work) << row.name << " does its own work with text arguments";
        for (size_t position : row.text) {
            for (const char* value : wrong) {
                std::vector<std::string> args = row.args;
                args[position] = value;
                const std::string lua = call(row.name, args);
                g_last = Record{};
                EXPECT_EQ(host.Eval(lua), row.defaults) << lua;
                EXPECT_EQ(g_last.fn, "") << lua;
            }
        }
    }
}

// A job table is read field by field: every field reaches the work as the script gave it (paths
// expanded); a missing folder, a misspelt or unknown key, any value of the wrong type, and text
// that names nothing make the call do nothing and measure 0.
TEST_F(HostFunctions, JobTablesAreReadFieldByField) {
    std::string temp;
    ASSERT_TRUE(qs::ExpandPathMacrosFull("%TEMP%\\a", temp));
    EXPECT_EQ(host.Eval("return self:MeasureFiles({folder = 'c:\\\\x'})"), (Results{"s:4096", "s:2"}));
    EXPECT_EQ(g_job.folder, "C:\\X");
    EXPECT_EQ(g_job.masks, "");
    EXPECT_FALSE(g_job.recurse);
    EXPECT_TRUE(g_job.exclude.empty());
    EXPECT_EQ(g_job.minAgeHours, 0.0);
    EXPECT_FALSE(g_job.removeSelf);
    host.Eval("self:DeleteFiles({folder = 'C:\\\\x\\\\Chrome*\\\\*', masks = '*.tmp', recurse = true, "
              "exclude = '%TEMP%\\\\a;;*.log', minAgeHours = 1.5, removeSelf = true})");
    EXPECT_EQ(g_last.fn, "deleteJob");
    EXPECT_EQ(g_job.folder, "C:\\X\\CHROME*\\*");
    EXPECT_EQ(g_job.masks, "*.tmp"); // masks are matched as written, as GetFolderSize's
    EXPECT_TRUE(g_job.recurse);
    EXPECT_EQ(g_job.exclude, (std::vector<std::string>{temp, "*.LOG"}));
    EXPECT_EQ(g_job.minAgeHours, 1.5);
    EXPECT_TRUE(g_job.removeSelf);
    host.Eval("self:WipeFiles({folder = 'C:\\\\x', masks = 5, recurse = false}, 2)");
    EXPECT_EQ(g_last.fn, "wipeJob");
    EXPECT_EQ(g_job.masks, "5");
    EXPECT_EQ(g_last.passes, 2u);
    EXPECT_EQ(host.Eval("return self:PathExists('%TEMP%\\\\*')"), (Results{"b:true"}));
    EXPECT_EQ(g_last.path, temp.substr(0, temp.size() - 1) + "*");

    const char* nothing[] = {
        "{masks = '*'}", "{folder = true}", "{folder = {}}", "{folder = 'C:\\\\x', masks = true}",
        "{folder = 'C:\\\\x', recurse = 'yes'}", "{folder = 'C:\\\\x', recurse = 1}",
        "{folder = 'C:\\\\x', exclude = {'*.log'}}", "{folder = 'C:\\\\x', minAgeHours = '1'}",
        "{folder = 'C:\\\\x', minAgeHours = -1}", "{folder = 'C:\\\\x', minAgeHours = 0/0}",
        "{folder = 'C:\\\\x', minAgeHours = math.huge}", "{folder = 'C:\\\\x', removeSelf = 1}",
        "{folder = 'C:\\\\x', Recurse = true}", "{folder = 'C:\\\\x', 'extra'}", "{'C:\\\\x', '*', true}",
        "{folder = 'x\\\\relative'}", "{folder = ''}", "{folder = 'C:\\\\x\\0y'}",
        "{folder = 'C:\\\\x', masks = 'a\\0b'}", "{folder = 'C:\\\\x', exclude = '%NO_SUCH_VARIABLE_QS%\\\\x'}",
        "{folder = '%NO_SUCH_VARIABLE_QS%\\\\x'}", "{folder = 'C:\\\\' .. string.rep('a', 300)}",
    };
    for (const char* table : nothing) {
        for (const std::string& call : {"return self:MeasureFiles(" + std::string(table) + ")",
                                       "return self:DeleteFiles(" + std::string(table) + ")",
                                       "return self:WipeFiles(" + std::string(table) + ", 1)"}) {
            g_last = Record{};
            const Results results = host.Eval(call);
            EXPECT_TRUE(results == Results{} || results == (Results{"s:0", "s:0"})) << call;
            EXPECT_EQ(g_last.fn, "") << call;
        }
    }
}

// A list of job tables runs its jobs in turn, sizes and counts adding up; an element that names
// nothing is passed over as its own call would be; a malformed element, a key beside the
// elements or a hole makes the whole call do nothing.
TEST_F(HostFunctions, JobListsRunEveryJobInTurn) {
    const std::string jobs = "{{folder = 'C:\\\\a'}, {folder = '%NO_SUCH_VARIABLE_QS%\\\\x'}, {folder = 'C:\\\\b'}}";
    g_jobFolders.clear();
    EXPECT_EQ(host.Eval("return self:MeasureFiles(" + jobs + ")"), (Results{"s:8192", "s:4"}));
    host.Eval("self:DeleteFiles(" + jobs + ")");
    host.Eval("self:WipeFiles(" + jobs + ", 1)");
    EXPECT_EQ(g_jobFolders, (std::vector<std::string>{"C:\\A", "C:\\B", "C:\\A", "C:\\B", "C:\\A", "C:\\B"}));

    const char* nothing[] = {
        "{{folder = 'C:\\\\a'}, {masks = '*'}}",             // an element without a folder
        "{{folder = 'C:\\\\a'}, 'C:\\\\b'}",                 // an element that is no table
        "{{folder = 'C:\\\\a'}, folder = 'C:\\\\b'}",        // a key beside the elements
        "{{folder = 'C:\\\\a'}, nil, {folder = 'C:\\\\b'}}", // a hole
        "{{{folder = 'C:\\\\a'}}}",                          // a list inside a list
        "{{folder = '%NO_SUCH_VARIABLE_QS%\\\\x'}}",         // every element names nothing
    };
    for (const char* list : nothing) {
        for (const std::string& call : {"return self:MeasureFiles(" + std::string(list) + ")",
                                       "return self:DeleteFiles(" + std::string(list) + ")",
                                       "return self:WipeFiles(" + std::string(list) + ", 1)"}) {
            g_jobFolders.clear();
            const Results results = host.Eval(call);
            EXPECT_TRUE(results == Results{} || results == (Results{"s:0", "s:0"})) << call;
            EXPECT_TRUE(g_jobFolders.empty()) << call;
        }
    }
}

TEST_F(HostFunctions, TextThatCannotBeTakenWholeNamesNothing) {
    // A NUL inside, or more text than the platform's counted strings hold: 65,536 characters
    // once wrapped around to the start of the path.
    const std::string nul = "'a\\0b'";
    const std::string huge = "'C:\\\\x\\\\' .. string.rep('A', 65536)";
    const std::string big = "string.rep('k', 40000)";
    const char* key = "'HKEY_CURRENT_USER\\\\x'";
    const std::string calls[] = {
        "self:GetFolderSize(" + huge + ", '', true)",
        "self:DeleteFolderContent(" + huge + ", '', true)",
        "self:WipeFolderContent(" + huge + ")",
        "self:DeleteFile(" + huge + ")",
        "self:GetIconIndex(" + huge + ")",
        "self:DeleteFolderContent('C:\\\\x', " + nul + ", true)",
        "self:WipeFolderContent('C:\\\\x', " + nul + ", true)",
        "self:GetFolderSize('C:\\\\x', " + big + ", true)",
        "self:RegKeyDeleteValues(" + std::string(key) + ", " + nul + ")",
        "self:RegKeyDeleteKeys('HKEY_CURRENT_USER\\\\' .. " + big + ")",
        "self:RegKeyGetNumberOfValues(" + nul + ")",
        "self:RegKeyDeleteTree(" + nul + ")",
        "self:IsProcessRunning(" + nul + ")",
        "self:GetIconIndexByExt(" + nul + ")",
        "self:EmptyRecycleBin(" + nul + ")",
        "self:GetRecycleBinInfo(" + big + ")",
    };
    for (const std::string& c : calls) {
        g_last = Record{};
        host.Eval(c);
        EXPECT_EQ(g_last.fn, "") << c;
    }
    EXPECT_EQ(host.Eval("return self:GetFolderSize(" + huge + ")"), (Results{"s:0", "s:0"}));
    EXPECT_EQ(host.Eval("return self:GetIconIndex(" + huge + ")"), (Results{"n:-1"}));
    // Long text that is whole reaches the work.
    host.Eval("self:GetFolderSize('C:\\\\x', string.rep('k', 32766))");
    EXPECT_EQ(g_last.masks.size(), 32766u);
}

// The real work on a real folder: each case must leave every file, in the tree and beside it,
// exactly as it was.
TEST(HostFunctionsOnDisk, MisreadArgumentsLeaveEveryFileAsItWas) {
    qs::test::TempDir dir;
    const std::string tree = dir / "tree";
    for (const char* f : {"a.tmp", "b.txt", "sub\\c.tmp", "sub\\d.log"})
        qs::test::WriteText(tree + "\\" + f, std::string("content of ") + f);
    qs::test::WriteText(dir / "outside\\e.tmp", "outside");
    const auto before = FileContents(dir.Path());
    ASSERT_EQ(before.size(), 8u); // five files and three folders
    ScriptHost host;
    const std::string lua = "[[" + tree + "]]";
    const std::string calls[] = {
        "self:DeleteFolderContent(" + lua + ", {'*.tmp'}, true)",
        "self:WipeFolderContent(" + lua + ", {'*.tmp'}, true, 1)",
        "self:DeleteFolderContent(" + lua + ", '*.tmp\\0', true)",
        // Wrapped at 65,536 characters, this path once named the tree itself.
        "self:DeleteFolderContent(" + lua + " .. '\\\\' .. string.rep('A', 65536), '', true)",
        "self:WipeFolderContent(" + lua + " .. '\\\\' .. string.rep('A', 65536), '', true, 1)",
        "self:DeleteFile(" + lua + " .. '\\\\' .. string.rep('A', 65536) .. 'a.tmp')",
    };
    for (const std::string& c : calls) {
        EXPECT_EQ(host.Eval(c), Results{}) << c;
        EXPECT_EQ(FileContents(dir.Path()), before) << c;
    }
    EXPECT_EQ(host.Eval("return self:GetFolderSize(" + lua + ", {'*.tmp'}, true)"), Results{"n:0"});
    // The same calls with text delete what they name, so the cases above were aimed right.
    host.Eval("self:DeleteFolderContent(" + lua + ", '*.tmp', true)");
    auto after = before;
    after.erase(L"tree\\a.tmp");
    after.erase(L"tree\\sub\\c.tmp");
    EXPECT_EQ(FileContents(dir.Path()), after);
}

// A path that names no drive or share is never taken relative to the current folder, whatever
// lies there under that name.
TEST(HostFunctionsOnDisk, RelativePathsLeaveTheCurrentFolderAlone) {
    qs::test::TempDir dir;
    for (const char* f : {"tree\\a.tmp", "tree\\b.txt", "%NO_SUCH_VARIABLE_QS%\\c.tmp", "d.tmp"})
        qs::test::WriteText(dir / f, std::string("content of ") + f);
    const auto before = FileContents(dir.Path());
    ASSERT_EQ(before.size(), 6u); // four files and two folders
    char previous[MAX_PATH] = "";
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str()));
    ScriptHost host;
    const std::string calls[] = {
        "self:DeleteFolderContent('tree', '', true)",
        "self:DeleteFolderContent('%NO_SUCH_VARIABLE_QS%', '', true)",
        "self:WipeFolderContent('tree', '', true, 1)",
        "self:DeleteFile('d.tmp')",
        "self:WipeFile('tree\\\\b.txt', 1)",
        "return self:GetFolderSize('tree', '', true)",
        "return self:GetFileSize('d.tmp')",
    };
    for (const std::string& c : calls) {
        const Results results = host.Eval(c);
        EXPECT_TRUE(results.empty() || results == (Results{"s:0", "s:0"}) || results == (Results{"n:0"})) << c;
        EXPECT_EQ(FileContents(dir.Path()), before) << c;
    }
    SetCurrentDirectoryA(previous);
}

} // namespace
