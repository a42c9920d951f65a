// Job tables through real scripts on real trees: each field alone and combined, folder wildcards,
// excludes, age, removeSelf, links and wrong types. For every case what MeasureFiles counts is
// exactly what DeleteFiles and WipeFiles remove, the recorder hears exactly those entries, and
// everything else stays byte for byte.
#include "engine/HostScope.h"
#include "hostfn/FileJob.h"
#include "hostfn/Masks.h"
#include "hostfn/PathPattern.h"
#include "support/ScriptHost.h"
#include "support/TempDir.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using qs::test::ScriptHost;
using qs::test::TreeSnapshot;
using qs::test::Wide;
using Results = std::vector<std::string>;
using Entries = std::set<std::wstring>;

std::string Lua(const std::string& text) { return "[==[" + text + "]==]"; }

// Hears what a measuring call counts.
class CRecorder : public qs::CFileRecorder {
public:
    void OnCounted(const std::wstring& path, std::uint64_t size) override {
        ++calls;
        counted[path] += size;
    }
    std::map<std::wstring, std::uint64_t> counted;
    int calls = 0;
};

// The tree every case starts from, below "<case>\t", and a canary folder beside it. Every file
// was last written two days ago except new.tmp (now); ro.tmp is read-only.
const char* const kFiles[] = {
    "a.tmp",
    "b.txt",
    "new.tmp",
    "ro.tmp",
    "sub\\c.tmp",
    "sub\\d.txt",
    "sub\\deep\\e.tmp",
    "cache\\f.txt",
    "cache\\inner\\g.txt",
    "Chrome\\Default\\Cache\\x.bin",
    "Chrome\\Default\\keep.dat",
    "Chrome\\Profile 1\\Cache\\y.bin",
    "Chrome Beta\\Default\\Cache\\z.bin",
    "Edge\\Default\\Cache\\w.bin",
};

class FileJobs : public ::testing::Test {
protected:
    void SetUp() override {
        c = qs::test::TempClusterSize();
        ASSERT_GT(c, 0u);
    }

    // A fresh tree for one case; answers the tree's root.
    std::string MakeCase() {
        const std::string dir = host.Dir() / ("case" + std::to_string(++cases));
        const std::string root = dir + "\\t";
        for (const char* f : kFiles) {
            qs::test::WriteText(root + "\\" + f, std::string("content of ") + f);
            EXPECT_TRUE(qs::test::SetLastWrite(root + "\\" + f, 48)) << f;
        }
        EXPECT_TRUE(qs::test::SetLastWrite(root + "\\new.tmp", 0));
        qs::test::MakeDirs(root + "\\empty");
        qs::test::WriteText(dir + "\\outside\\o.tmp", "outside");
        qs::test::WriteText(dir + "\\tt\\twin.tmp", "a sibling whose name starts like the tree's");
        SetFileAttributesA((root + "\\ro.tmp").c_str(), FILE_ATTRIBUTE_READONLY);
        links = qs::test::MakeFolderLink(root + "\\link", dir + "\\outside");
        return root;
    }
    std::string CaseDir() { return host.Dir() / ("case" + std::to_string(cases)); }

    // The size on drive of a file of `content`.
    std::uint64_t OnDrive(const std::string& content) const {
        return (content.size() + c - 1) / c * c;
    }

    // Replaces every "R" standing alone in `text` by `root` (as a Lua string when `lua`).
    static std::string WithRoot(const std::string& text, const std::string& root, bool lua) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool alone = text[i] == 'R' && (i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1]))) &&
                               (i + 1 == text.size() || !std::isalnum(static_cast<unsigned char>(text[i + 1])));
            out += alone ? (lua ? Lua(root) : root) : std::string(1, text[i]);
        }
        return out;
    }

    // Runs `table` through MeasureFiles and then `clean` ("DeleteFiles" or "WipeFiles").
    Entries MeasureAndClean(const std::string& table, const std::string& clean) {
        return MeasureAndCleanCalls("self:MeasureFiles(" + table + ")",
                                    clean == "WipeFiles" ? "self:WipeFiles(" + table + ", 1)"
                                                         : "self:" + clean + "(" + table + ")");
    }

    // Runs the Lua calls `measure` and then `clean` ("R" for the tree's root) on a fresh tree with
    // the keep list `kept` ("R" for the tree's root); checks that the count (if answered), the
    // size and the recorded entries are what disappeared, that nothing else changed, and
    // answers what disappeared relative to the tree.
    Entries MeasureAndCleanCalls(const std::string& measureCall, const std::string& cleanCall) {
        const std::string root = MakeCase();
        const std::string measure = WithRoot(measureCall, root, true);
        const std::string clean = WithRoot(cleanCall, root, true);
        const std::string& job = clean;
        const TreeSnapshot before = qs::test::Snapshot(CaseDir());
        CRecorder recorder;
        qs::CHostScope scope;
        scope.recorder = &recorder;
        for (const std::string& k : kept)
            scope.keptPaths.push_back(WithRoot(k, root, false));
        host.Vm().SetHostScope(&scope);
        const Results measured = host.Eval("return " + measure);
        const Results cleaned = host.Eval("return " + clean);
        host.Vm().SetHostScope(nullptr);
        EXPECT_EQ(cleaned, Results{}) << job;
        const TreeSnapshot after = qs::test::Snapshot(CaseDir());
        Entries gone;
        std::uint64_t size = 0;
        for (const auto& [path, content] : before) {
            const auto left = after.find(path);
            if (left == after.end()) {
                gone.insert(path);
                size += path.back() == L'\\' ? 0 : OnDrive(content);
            } else {
                EXPECT_EQ(left->second, content) << qs::test::Printable(path) << " changed by " << job;
            }
        }
        for (const auto& [path, content] : after)
            EXPECT_TRUE(before.count(path)) << qs::test::Printable(path) << " appeared after " << job;
        if (measure.compare(0, 16, "self:GetFileSize") == 0)
            EXPECT_EQ(measured, (Results{"n:" + std::to_string(size)})) << measure;
        else
            EXPECT_EQ(measured, (Results{"s:" + std::to_string(size), "s:" + std::to_string(gone.size())})) << measure;
        // The recorder heard each entry that went, once, with the size counted for it. The part
        // of a path that the script gave comes as expanded (in capitals); below, the listed names.
        std::map<std::wstring, std::wstring> byCapitals;
        for (const auto& entry : before)
            byCapitals[Capitals(entry.first)] = entry.first;
        const std::wstring prefix = Capitals(Wide(CaseDir()) + L"\\");
        Entries heard;
        std::uint64_t heardSize = 0;
        for (const auto& [path, bytes] : recorder.counted) {
            const std::wstring capitals = Capitals(path);
            EXPECT_EQ(capitals.compare(0, prefix.size(), prefix), 0) << qs::test::Printable(path);
            const std::wstring relative = capitals.substr(prefix.size());
            const auto known = byCapitals.count(relative) ? byCapitals.find(relative) : byCapitals.find(relative + L"\\");
            heard.insert(known != byCapitals.end() ? known->second : relative);
            heardSize += bytes;
        }
        EXPECT_EQ(recorder.calls, static_cast<int>(gone.size())) << job;
        EXPECT_EQ(heard, gone) << job;
        EXPECT_EQ(heardSize, size) << job;
        // Relative to the tree, for the expectations.
        Entries relative;
        for (const std::wstring& path : gone) {
            EXPECT_EQ(path.compare(0, 2, L"t\\"), 0) << qs::test::Printable(path) << " is outside the tree";
            relative.insert(path.size() > 2 ? path.substr(2) : L"<the tree itself>");
        }
        return relative;
    }

    static std::wstring Capitals(std::wstring text) {
        CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
        return text;
    }

    ScriptHost host;
    std::uint32_t c = 0;
    int cases = 0;
    bool links = false;
    std::vector<std::string> kept;
};

struct JobCase {
    const char* table; // "R" stands for the tree's root
    Entries gone;      // relative to the tree; folders end with "\"
};

Entries Names(std::initializer_list<const char*> paths) {
    Entries out;
    for (const char* p : paths)
        out.insert(Wide(p));
    return out;
}

// Every case measures what it removes and removes only what it measures, with DeleteFiles and
// with WipeFiles alike; the expectations pin down what each field means.
TEST_F(FileJobs, EachFieldAloneAndCombined) {
    const Entries allTmp = Names({"a.tmp", "new.tmp", "ro.tmp", "sub\\c.tmp", "sub\\deep\\e.tmp"});
    const Entries everyFile = Names({"a.tmp", "b.txt", "new.tmp", "ro.tmp", "sub\\c.tmp", "sub\\d.txt",
                                     "sub\\deep\\e.tmp", "cache\\f.txt", "cache\\inner\\g.txt",
                                     "Chrome\\Default\\Cache\\x.bin", "Chrome\\Default\\keep.dat",
                                     "Chrome\\Profile 1\\Cache\\y.bin", "Chrome Beta\\Default\\Cache\\z.bin",
                                     "Edge\\Default\\Cache\\w.bin"});
    Entries everything = everyFile;
    for (const char* f : {"sub\\", "sub\\deep\\", "cache\\", "cache\\inner\\", "Chrome\\", "Chrome\\Default\\",
                          "Chrome\\Default\\Cache\\", "Chrome\\Profile 1\\", "Chrome\\Profile 1\\Cache\\",
                          "Chrome Beta\\", "Chrome Beta\\Default\\", "Chrome Beta\\Default\\Cache\\", "Edge\\",
                          "Edge\\Default\\", "Edge\\Default\\Cache\\", "empty\\"})
        everything.insert(Wide(f));
    auto minus = [](Entries set, std::initializer_list<const char*> out) {
        for (const char* o : out)
            set.erase(Wide(o));
        return set;
    };
    const JobCase cases[] = {
        // folder alone: the files directly in it, read-only ones too; no folder
        {"{folder = R}", Names({"a.tmp", "b.txt", "new.tmp", "ro.tmp"})},
        {"{folder = R .. '\\\\'}", Names({"a.tmp", "b.txt", "new.tmp", "ro.tmp"})},
        // masks against full paths, as GetFolderSize's
        {"{folder = R, masks = '*.tmp'}", Names({"a.tmp", "new.tmp", "ro.tmp"})},
        {"{folder = R, masks = 'a.tmp'}", {}},
        // recurse: every depth; with no masks, folders are emptied and stay
        {"{folder = R, masks = '*.tmp', recurse = true}", allTmp},
        {"{folder = R, recurse = true}", everyFile},
        // a folder matched by the masks goes whole once emptied
        {"{folder = R, masks = '*', recurse = true}", everything},
        {"{folder = R, masks = '*\\\\cache', recurse = true}",
         Names({"cache\\", "cache\\f.txt", "cache\\inner\\", "cache\\inner\\g.txt", "Chrome\\Default\\Cache\\",
                "Chrome\\Default\\Cache\\x.bin", "Chrome\\Profile 1\\Cache\\", "Chrome\\Profile 1\\Cache\\y.bin",
                "Chrome Beta\\Default\\Cache\\", "Chrome Beta\\Default\\Cache\\z.bin", "Edge\\Default\\Cache\\",
                "Edge\\Default\\Cache\\w.bin"})},
        // exclude: a file, which keeps its folders; a folder, not entered; "*" crossing "\"; a
        // folder named with its trailing backslash, or with "\*" for everything in it
        {"{folder = R, masks = '*', recurse = true, exclude = R .. '\\\\sub\\\\d.txt'}",
         minus(everything, {"sub\\d.txt", "sub\\"})},
        {"{folder = R, masks = '*', recurse = true, exclude = R .. '\\\\cache'}",
         minus(everything, {"cache\\", "cache\\f.txt", "cache\\inner\\", "cache\\inner\\g.txt"})},
        {"{folder = R, masks = '*', recurse = true, exclude = '*.bin;*\\\\b.txt'}",
         minus(everything, {"b.txt", "Chrome\\Default\\Cache\\x.bin", "Chrome\\Profile 1\\Cache\\y.bin",
                            "Chrome Beta\\Default\\Cache\\z.bin", "Edge\\Default\\Cache\\w.bin", "Chrome\\",
                            "Chrome\\Default\\", "Chrome\\Default\\Cache\\", "Chrome\\Profile 1\\",
                            "Chrome\\Profile 1\\Cache\\", "Chrome Beta\\", "Chrome Beta\\Default\\",
                            "Chrome Beta\\Default\\Cache\\", "Edge\\", "Edge\\Default\\", "Edge\\Default\\Cache\\"})},
        {"{folder = R, masks = '*', recurse = true, exclude = R .. '\\\\SUB\\\\'}",
         minus(everything, {"sub\\", "sub\\c.tmp", "sub\\d.txt", "sub\\deep\\", "sub\\deep\\e.tmp"})},
        {"{folder = R, masks = '*', recurse = true, exclude = R .. '\\\\sub\\\\*'}",
         minus(everything, {"sub\\", "sub\\c.tmp", "sub\\d.txt", "sub\\deep\\", "sub\\deep\\e.tmp"})},
        // age: files last written within the hours stay
        {"{folder = R, minAgeHours = 24}", Names({"a.tmp", "b.txt", "ro.tmp"})},
        {"{folder = R, minAgeHours = 72}", {}},
        {"{folder = R, masks = '*', recurse = true, minAgeHours = 0.5}", minus(everything, {"new.tmp"})},
        // removeSelf: the root goes only once nothing is left in it
        {"{folder = R .. '\\\\cache', masks = '*', recurse = true, removeSelf = true}",
         Names({"cache\\", "cache\\f.txt", "cache\\inner\\", "cache\\inner\\g.txt"})},
        {"{folder = R .. '\\\\cache', recurse = true, removeSelf = true}",
         Names({"cache\\f.txt", "cache\\inner\\g.txt"})},
        {"{folder = R .. '\\\\sub', masks = '*.tmp', recurse = true, removeSelf = true}",
         Names({"sub\\c.tmp", "sub\\deep\\e.tmp"})},
        {"{folder = R .. '\\\\empty', removeSelf = true}", Names({"empty\\"})},
        {"{folder = R .. '\\\\empty', removeSelf = false}", {}},
        // folder wildcards: one level each, every match a root
        {"{folder = R .. '\\\\Chrome*\\\\*\\\\Cache'}",
         Names({"Chrome\\Default\\Cache\\x.bin", "Chrome\\Profile 1\\Cache\\y.bin",
                "Chrome Beta\\Default\\Cache\\z.bin"})},
        {"{folder = R .. '\\\\chrome*\\\\*\\\\cache', removeSelf = true}",
         Names({"Chrome\\Default\\Cache\\x.bin", "Chrome\\Profile 1\\Cache\\y.bin",
                "Chrome Beta\\Default\\Cache\\z.bin", "Chrome\\Default\\Cache\\", "Chrome\\Profile 1\\Cache\\",
                "Chrome Beta\\Default\\Cache\\"})},
        {"{folder = R .. '\\\\*\\\\Cache'}", {}},          // never across a level
        {"{folder = R .. '\\\\Chrome*\\\\Cache'}", {}},    // nor across a "\"
        {"{folder = R .. '\\\\*', masks = '*.tmp'}", Names({"sub\\c.tmp"})},
        {"{folder = R .. '\\\\su?'}", Names({"sub\\c.tmp", "sub\\d.txt"})},
        {"{folder = R .. '\\\\s?'}", {}},
        {"{folder = R .. '\\\\l*', masks = '*', recurse = true}", {}}, // the link matches no wildcard
        {"{folder = R .. '\\\\*\\\\Default\\\\Cache', removeSelf = true, recurse = true}",
         Names({"Chrome\\Default\\Cache\\x.bin", "Chrome\\Default\\Cache\\", "Chrome Beta\\Default\\Cache\\z.bin",
                "Chrome Beta\\Default\\Cache\\", "Edge\\Default\\Cache\\w.bin", "Edge\\Default\\Cache\\"})},
        // combined
        {"{folder = R .. '\\\\Chrome*\\\\*', masks = '*', recurse = true, exclude = '*\\\\keep.dat', "
         "minAgeHours = 1, removeSelf = true}",
         Names({"Chrome\\Default\\Cache\\", "Chrome\\Default\\Cache\\x.bin", "Chrome\\Profile 1\\",
                "Chrome\\Profile 1\\Cache\\", "Chrome\\Profile 1\\Cache\\y.bin", "Chrome Beta\\Default\\",
                "Chrome Beta\\Default\\Cache\\", "Chrome Beta\\Default\\Cache\\z.bin"})},
        {"{folder = R, masks = '*.tmp;*.txt', recurse = true, exclude = R .. '\\\\sub\\\\deep', minAgeHours = 24}",
         Names({"a.tmp", "b.txt", "ro.tmp", "sub\\c.tmp", "sub\\d.txt", "cache\\f.txt", "cache\\inner\\g.txt"})},
        // files: masks on each file's own name, at any depth with recurse; never a folder
        {"{folder = R, files = 'a.tmp'}", Names({"a.tmp"})},
        {"{folder = R, files = 'A.TMP;?.txt'}", Names({"a.tmp", "b.txt"})},
        {"{folder = R, files = '*.tmp'}", Names({"a.tmp", "new.tmp", "ro.tmp"})},
        {"{folder = R, files = '*.txt', recurse = true}",
         Names({"b.txt", "sub\\d.txt", "cache\\f.txt", "cache\\inner\\g.txt"})},
        {"{folder = R, files = '*', recurse = true}", everyFile},
        {"{folder = R, files = '*.*', recurse = true}", everyFile},
        {"{folder = R, files = 'cache;sub;link;empty', recurse = true}", {}}, // folders and links are no files
        {"{folder = R, files = 'c*', recurse = true}", Names({"sub\\c.tmp"})},
        // files with removeSelf: every folder the job empties goes, then the root; what holds
        // anything else stays
        {"{folder = R .. '\\\\cache', files = '*', recurse = true, removeSelf = true}",
         Names({"cache\\", "cache\\f.txt", "cache\\inner\\", "cache\\inner\\g.txt"})},
        {"{folder = R .. '\\\\sub', files = '*.tmp', recurse = true, removeSelf = true}",
         Names({"sub\\c.tmp", "sub\\deep\\", "sub\\deep\\e.tmp"})},
        {"{folder = R .. '\\\\sub', files = '*.tmp', removeSelf = true}", Names({"sub\\c.tmp"})},
        {"{folder = R .. '\\\\Chrome*\\\\*', files = '*.bin', recurse = true, removeSelf = true}",
         Names({"Chrome\\Default\\Cache\\", "Chrome\\Default\\Cache\\x.bin", "Chrome\\Profile 1\\",
                "Chrome\\Profile 1\\Cache\\", "Chrome\\Profile 1\\Cache\\y.bin", "Chrome Beta\\Default\\",
                "Chrome Beta\\Default\\Cache\\", "Chrome Beta\\Default\\Cache\\z.bin"})},
        // files with exclude and age
        {"{folder = R, files = '*.tmp', recurse = true, exclude = R .. '\\\\sub\\\\deep', minAgeHours = 24}",
         Names({"a.tmp", "ro.tmp", "sub\\c.tmp"})},
        {"{folder = R .. '\\\\sub', files = '*', recurse = true, removeSelf = true, exclude = '*\\\\e.tmp'}",
         Names({"sub\\c.tmp", "sub\\d.txt"})},
        // files beside masks, or not a list of bare name masks: nothing
        {"{folder = R, masks = '*', files = '*'}", {}},
        {"{folder = R, masks = '', files = '*.tmp'}", {}},
        {"{folder = R, files = ''}", {}},
        {"{folder = R, files = 'a.tmp;;b.txt'}", {}},
        {"{folder = R, files = 'sub\\\\c.tmp', recurse = true}", {}},
        {"{folder = R, files = '*/c.tmp', recurse = true}", {}},
        {"{folder = R, files = true}", {}},
        // a missing folder or a field of the wrong type does nothing
        {"{masks = '*', recurse = true}", {}},
        {"{folder = R, recurse = 'yes'}", {}},
        {"{folder = R, masks = {'*'}}", {}},
        {"{folder = R, exclude = true}", {}},
        {"{folder = R, minAgeHours = '1'}", {}},
        {"{folder = R, minAgeHours = -1}", {}},
        {"{folder = R, removeSelf = 1}", {}},
        {"{folder = R, recursive = true}", {}}, // a misspelt field
        {"{R, '*', true}", {}},
        {"{folder = R, exclude = '%NO_SUCH_FOLDER_QS%\\\\b.txt'}", {}}, // would exclude nothing
    };
    for (const char* clean : {"DeleteFiles", "WipeFiles"}) {
        for (const JobCase& k : cases) {
            const Entries gone = MeasureAndClean(k.table, clean);
            EXPECT_EQ(gone, k.gone) << clean << " " << k.table;
        }
    }
}

// The keep list, through the old functions and the new: kept files, and kept folders with
// everything below them, are neither counted nor touched, and a folder that holds a kept path
// stays. Kept paths may use macros, any letter case, "/" and a trailing backslash.
TEST_F(FileJobs, KeptPathsAreNeitherCountedNorTouched) {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string tempText = temp;
    struct Row {
        std::vector<std::string> kept;
        const char* measure;
        const char* clean;
        Entries gone;
    };
    const std::vector<Row> rows = {
        {{"R\\sub\\c.tmp"}, "self:GetFolderSize(R, '*.tmp', true)", "self:DeleteFolderContent(R, '*.tmp', true)",
         Names({"a.tmp", "new.tmp", "ro.tmp", "sub\\deep\\e.tmp"})},
        {{"R\\CACHE"}, "self:GetFolderSize(R .. '\\\\cache', '', true)",
         "self:DeleteFolderContent(R .. '\\\\cache', '', true)", {}},
        {{"R\\cache\\inner\\g.txt"}, "self:GetFolderSize(R, '*\\\\cache', true)",
         "self:DeleteFolderContent(R, '*\\\\cache', true)",
         Names({"cache\\f.txt", "Chrome\\Default\\Cache\\", "Chrome\\Default\\Cache\\x.bin",
                "Chrome\\Profile 1\\Cache\\", "Chrome\\Profile 1\\Cache\\y.bin", "Chrome Beta\\Default\\Cache\\",
                "Chrome Beta\\Default\\Cache\\z.bin", "Edge\\Default\\Cache\\", "Edge\\Default\\Cache\\w.bin"})},
        {{"R/Chrome/"}, "self:GetFolderSize(R, '*.bin', true)", "self:DeleteFolderContent(R, '*.bin', true)",
         Names({"Chrome Beta\\Default\\Cache\\z.bin", "Edge\\Default\\Cache\\w.bin"})},
        {{"R\\a.tmp"}, "self:GetFileSize(R .. '\\\\a.tmp')", "self:DeleteFile(R .. '\\\\a.tmp')", {}},
        {{"R"}, "self:GetFileSize(R .. '\\\\b.txt')", "self:WipeFile(R .. '\\\\b.txt', 1)", {}},
        {{"R\\x"}, "self:GetFileSize(R .. '\\\\b.txt')", "self:WipeFile(R .. '\\\\b.txt', 1)", Names({"b.txt"})},
        {{"R\\ro.tmp", "R\\sub\\deep"}, "self:GetFolderSize(R, '*.tmp', true)",
         "self:WipeFolderContent(R, '*.tmp', true, 1)", Names({"a.tmp", "new.tmp", "sub\\c.tmp"})},
        {{"R\\sub\\deep\\e.tmp", "R\\Chrome"}, "self:MeasureFiles({folder = R, masks = '*', recurse = true})",
         "self:DeleteFiles({folder = R, masks = '*', recurse = true})",
         Names({"a.tmp", "b.txt", "new.tmp", "ro.tmp", "sub\\c.tmp", "sub\\d.txt", "cache\\", "cache\\f.txt",
                "cache\\inner\\", "cache\\inner\\g.txt", "Chrome Beta\\", "Chrome Beta\\Default\\",
                "Chrome Beta\\Default\\Cache\\", "Chrome Beta\\Default\\Cache\\z.bin", "Edge\\", "Edge\\Default\\",
                "Edge\\Default\\Cache\\", "Edge\\Default\\Cache\\w.bin", "empty\\"})},
        {{"R"}, "self:MeasureFiles({folder = R .. '\\\\cache', masks = '*', recurse = true, removeSelf = true})",
         "self:WipeFiles({folder = R .. '\\\\cache', masks = '*', recurse = true, removeSelf = true}, 1)", {}},
        {{"R\\Chrome\\Profile 1\\"}, "self:MeasureFiles({folder = R .. '\\\\Chrome*\\\\*\\\\Cache', removeSelf = true})",
         "self:DeleteFiles({folder = R .. '\\\\Chrome*\\\\*\\\\Cache', removeSelf = true})",
         Names({"Chrome\\Default\\Cache\\", "Chrome\\Default\\Cache\\x.bin", "Chrome Beta\\Default\\Cache\\",
                "Chrome Beta\\Default\\Cache\\z.bin"})},
        {{"R\\sub\\deep"}, "self:MeasureFiles({folder = R .. '\\\\sub', masks = '*', recurse = true, removeSelf = true})",
         "self:DeleteFiles({folder = R .. '\\\\sub', masks = '*', recurse = true, removeSelf = true})",
         Names({"sub\\c.tmp", "sub\\d.txt"})},
    };
    for (const Row& row : rows) {
        kept = row.kept;
        EXPECT_EQ(MeasureAndCleanCalls(row.measure, row.clean), row.gone) << row.clean;
    }
    // A kept folder written with a macro and in another letter case, in the next case's tree.
    const std::string next = host.Dir() / ("case" + std::to_string(cases + 1));
    ASSERT_EQ(next.compare(0, tempText.size(), tempText), 0) << next;
    const std::string below = next.substr(tempText.size());
    kept = {"%TEMP%\\" + below + "\\T\\Sub"};
    for (char& ch : kept.front())
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(MeasureAndCleanCalls("self:MeasureFiles({folder = R .. '\\\\su?', masks = '*', recurse = true})",
                                   "self:DeleteFiles({folder = R .. '\\\\su?', masks = '*', recurse = true})"),
              Entries{});
    kept.clear();
}

// A plugin's GetSize and Clear over several jobs, old functions and new, with a keep list: what
// the recorder hears over the whole GetSize is what the whole Clear removes.
TEST_F(FileJobs, APluginsRecordedFilesAreWhatItsCleanRemoves) {
    const std::string jobs = "local jobs = {"
                             "{folder = R .. '\\\\Chrome*\\\\*', masks = '*', recurse = true, exclude = '*\\\\keep.dat'},"
                             "{folder = R, minAgeHours = 24, removeSelf = true},"
                             "{folder = R .. '\\\\Edge\\\\*\\\\Cache', masks = '*.bin'}} ";
    const std::string measure =
        "(function(s) " + jobs +
        "local size, count = 0, 0 "
        "for _, j in ipairs(jobs) do local a, b = s:MeasureFiles(j) size = size + a count = count + b end "
        "local a, b = s:GetFolderSize(R .. '\\\\sub', '*.tmp', true) size = size + a count = count + b "
        "size = size + s:GetFileSize(R .. '\\\\cache\\\\f.txt') count = count + 1 "
        "return tostring(size), tostring(count) end)(self)";
    const std::string clean = "(function(s) " + jobs +
                              "for _, j in ipairs(jobs) do s:DeleteFiles(j) end "
                              "s:DeleteFolderContent(R .. '\\\\sub', '*.tmp', true) "
                              "s:DeleteFile(R .. '\\\\cache\\\\f.txt') end)(self)";
    kept = {"R\\Chrome\\Default\\Cache\\x.bin", "R\\sub\\deep"};
    EXPECT_EQ(MeasureAndCleanCalls(measure, clean),
              Names({"Chrome\\Profile 1\\Cache\\", "Chrome\\Profile 1\\Cache\\y.bin", "Chrome Beta\\Default\\Cache\\",
                     "Chrome Beta\\Default\\Cache\\z.bin", "a.tmp", "b.txt", "ro.tmp", "Edge\\Default\\Cache\\w.bin",
                     "sub\\c.tmp", "cache\\f.txt"}));
    kept.clear();
}

// Links inside the tree are neither followed, counted nor removed, whatever selects them. (A
// folder the script names without wildcards is opened as GetFolderSize opens it: a link in that
// path leads where it points.)
TEST_F(FileJobs, LinksAreNeverFollowed) {
    MakeCase();
    if (!links)
        GTEST_SKIP() << "no folder links on this platform";
    for (const char* table : {"{folder = R, masks = '*', recurse = true, removeSelf = true}",
                              "{folder = R, files = '*', recurse = true, removeSelf = true}",
                              "{folder = R .. '\\\\*', files = 'o.tmp;link', recurse = true, removeSelf = true}",
                              "{folder = R .. '\\\\*', masks = '*', recurse = true, removeSelf = true}",
                              "{folder = R .. '\\\\l*', masks = '*', recurse = true, removeSelf = true}"}) {
        const Entries gone = MeasureAndClean(table, "DeleteFiles");
        EXPECT_EQ(gone.count(L"link"), 0u) << table;
        EXPECT_TRUE(qs::test::Exists(CaseDir() + "\\outside\\o.tmp")) << table;
    }
}

TEST(FolderPatterns, SplitAtTheFirstWildcardBelowTheDriveOrShare) {
    struct Row {
        const wchar_t* pattern;
        bool names;
        const wchar_t* base;
        std::vector<std::wstring> components;
    };
    const Row rows[] = {
        {L"C:\\x\\y", true, L"C:\\x\\y", {}},
        {L"C:\\x\\y\\", true, L"C:\\x\\y", {}},
        {L"C:\\", true, L"C:\\", {}},
        {L"C:\\*", true, L"C:\\", {L"*"}},
        {L"C:\\a\\b*\\c\\d?", true, L"C:\\a", {L"b*", L"c", L"d?"}},
        {L"C:/a/b*/c", true, L"C:\\a", {L"b*", L"c"}},
        {L"C:\\a\\\\b*", true, L"C:\\a", {L"b*"}},
        {L"\\\\server\\share\\x*\\y", true, L"\\\\server\\share\\", {L"x*", L"y"}},
        {L"\\\\server\\sh*\\x", false, L"", {}},
        {L"\\\\*\\share\\x", false, L"", {}},
        {L"?:\\x", false, L"", {}},
        {L"C:\\a*\\..\\b", false, L"", {}},
        {L"C:\\a*\\.", false, L"", {}},
        {L"C:\\a\\..\\b*", true, L"C:\\a\\..", {L"b*"}},
        {L"x\\y*", false, L"", {}},
    };
    for (const Row& r : rows) {
        qs::FolderPattern split;
        EXPECT_EQ(qs::SplitFolderPattern(r.pattern, split), r.names) << qs::test::Printable(r.pattern);
        if (!r.names)
            continue;
        EXPECT_EQ(split.base, r.base) << qs::test::Printable(r.pattern);
        EXPECT_EQ(split.components, r.components) << qs::test::Printable(r.pattern);
    }
}

TEST(FolderPatterns, WildcardsCompareLettersAsTheFileSystemDoes) {
    struct Row {
        const wchar_t* pattern;
        const wchar_t* name;
        bool matches;
    };
    const Row rows[] = {
        {L"CHROME*", L"Chrome Beta", true}, {L"CHROME*", L"Chrom", false}, {L"\u00C4*", L"\u00E4bc", true},
        {L"A?C", L"abc", true},             {L"A?C", L"ac", false},        {L"*", L"x", true},
        {L"\uFF21", L"A", false}, // a fullwidth letter is no ASCII one
    };
    for (const Row& r : rows) {
        const std::wstring name = r.name;
        EXPECT_EQ(qs::MatchWildcardFolded(r.pattern, name.data(), name.size()), r.matches)
            << qs::test::Printable(r.pattern) << " " << qs::test::Printable(r.name);
    }
}

// The worked example of the files field in the plugin documentation, as it stands there.
TEST_F(FileJobs, TheDocumentedFilesExampleDoesWhatItSays) {
    const std::string tool = host.Dir() / "Example Tool";
    for (const char* f : {"a.dmp", "Settings.log", "old.log\\notes.txt", "2024\\crash1.txt"})
        qs::test::WriteText(tool + "\\" + f, f);
    const std::string table = "{ folder = " + Lua(tool) +
                              ", files = \"*.dmp;*.log;crash?.txt\", recurse = true, "
                              "exclude = [[*\\Settings.log]], removeSelf = true }";
    const TreeSnapshot before = qs::test::Snapshot(tool);
    const Results measured = host.Eval("return self:MeasureFiles(" + table + ")");
    EXPECT_EQ(host.Eval("return self:DeleteFiles(" + table + ")"), Results{});
    const TreeSnapshot after = qs::test::Snapshot(tool);
    Entries gone;
    for (const auto& entry : before)
        if (!after.count(entry.first))
            gone.insert(entry.first);
    EXPECT_EQ(gone, Names({"a.dmp", "2024\\", "2024\\crash1.txt"}));
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_EQ(measured[1], "s:3");
    EXPECT_TRUE(qs::test::Exists(tool + "\\old.log\\notes.txt"));
}

// Bare-name masks of the files field: the file system's letter comparison, "*.*" for every
// name, and the lists it takes.
TEST(FileNameMasks, MatchOwnNamesAsTheFileSystemDoes) {
    struct Row {
        const char* masks;
        const wchar_t* name;
        bool matches;
    };
    const Row rows[] = {
        {"*.*", L"noext", true},      {"*.*", L"a.b", true},          {"*", L"noext", true},
        {"a.txt;*.log", L"A.TXT", true}, {"a.txt;*.log", L"x.log", true}, {"a.txt;*.log", L"x.log1", false},
        {"x?.dat", L"x1.dat", true},  {"x?.dat", L"x.dat", false},    {"x?.dat", L"x12.dat", false},
        {"*.log", L"log", false},
    };
    for (const Row& r : rows) {
        const std::wstring name = r.name;
        EXPECT_EQ(qs::MatchesFileName(qs::SplitWideMaskList(r.masks, CP_ACP), name.data(), name.size()), r.matches)
            << r.masks << " " << qs::test::Printable(r.name);
    }
    const qs::WideMaskList folded{L"\u00C4*"}; // letters beyond ASCII compare as the file system's
    EXPECT_TRUE(qs::MatchesFileName(folded, L"\u00E4x", 2));
    EXPECT_FALSE(qs::MatchesFileName(qs::WideMaskList{}, L"x", 1)); // no mask names no file

    struct ListRow {
        const char* text;
        bool taken;
    };
    const ListRow lists[] = {{"a.txt;*.log;x?.dat", true}, {"*", true}, {"", false}, {";", false},
                             {"a;", false}, {"sub\\a", false}, {"sub/a", false}, {"..", true}};
    for (const ListRow& l : lists)
        EXPECT_EQ(qs::IsNameMaskList(l.text), l.taken) << l.text;
}

TEST_F(FileJobs, PathExistsMatchesOneLevelPerWildcard) {
    const std::string root = MakeCase();
    struct Row {
        std::string pattern;
        bool exists;
    } rows[] = {
        {root, true},
        {root + "\\a.tmp", true},
        {root + "\\missing", false},
        {root + "\\Chrome*\\*\\Cache", true},
        {root + "\\Chrome*\\*\\Cache\\*.bin", true},
        {root + "\\Chrome*\\*\\Cache\\*.txt", false},
        {root + "\\*\\Cache", false},
        {root + "\\*\\deep\\E.TMP", true},
        {root + "\\link\\o.tmp", links}, // a path without wildcards leads where it points
        {root + "\\l*\\o.tmp", false},   // a wildcard never matches a link to go below it
        {root + "\\li?k", links},        // the last component matches any entry, a link too
        {root + "\\*\\..\\a.tmp", false},  // nor leads out of a match
        {root + "\\CHROME*\\default\\cache\\X.BIN", true},
        {root + "\\Chrome\\Default\\Cache\\x.bin\\x", false},
        {"relative\\*", false},
    };
    // The script's function asks the machine directly; the rule file's detection asks listings
    // read once, kept over every row. Both follow the one rule and answer alike.
    std::unique_ptr<qs::CPathSource> listings = qs::MakeListingPathSource();
    for (const Row& r : rows) {
        EXPECT_EQ(host.Eval("return self:PathExists(" + Lua(r.pattern) + ")"),
                  (Results{r.exists ? "b:true" : "b:false"}))
            << r.pattern;
        EXPECT_EQ(qs::PathExistsIn(r.pattern, *listings), r.exists) << r.pattern;
        EXPECT_EQ(qs::PathExistsIn(r.pattern, *qs::MakeListingPathSource()), r.exists) << r.pattern;
    }
}

} // namespace
