// settings.xml: reading rules, the written document, the name lookup and safe replacement of the
// file.
#include "engine/FileReplace.h"
#include "engine/Settings.h"
#include "engine/SettingsShape.h"
#include "framework/Handle.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using qs::CPlacement;
using qs::CSettings;
using qs::test::Exists;
using qs::test::ReadText;
using qs::test::TempDir;
using qs::test::WriteText;
using Names = std::vector<std::string>;

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";

// Files of the folder, "." and ".." aside.
Names FolderEntries(const std::string& folder) {
    Names out;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return out;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..")
            out.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return out;
}

// ---- reading --------------------------------------------------------------------------

struct ReadCase {
    const char* what;
    std::string xml;
    CPlacement placement;
    Names names;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.what; }

class SettingsReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SettingsReadTest, ReadsWhatTheRulesAllow) {
    const ReadCase& c = GetParam();
    TempDir dir;
    const std::string path = dir / "settings.xml";
    WriteText(path, c.xml);
    CSettings settings(path);
    EXPECT_EQ(settings.left, c.placement.left);
    EXPECT_EQ(settings.top, c.placement.top);
    EXPECT_EQ(settings.right, c.placement.right);
    EXPECT_EQ(settings.bottom, c.placement.bottom);
    EXPECT_EQ(settings.maximized, c.placement.maximized);
    EXPECT_EQ(settings.Selected(), c.names);
}

const std::string kWindow = "<general><window left=\"10\" top=\"20\" width=\"300\" height=\"200\" maximized=\"0\"/>"
                            "</general>";

INSTANTIATE_TEST_SUITE_P(
    Fixtures, SettingsReadTest,
    ::testing::Values(
        ReadCase{"complete",
                 std::string(kDecl) + "<Quillsweep version=\"1\">" + kWindow +
                     "<selected><plugin>Temp Files</plugin><plugin>Cookies</plugin></selected></Quillsweep>",
                 {10, 20, 310, 220, 0},
                 {"Temp Files", "Cookies"}},
        ReadCase{"any root name, no version, no declaration",
                 "<Other>" + kWindow + "<selected><plugin>A</plugin></selected></Other>",
                 {10, 20, 310, 220, 0},
                 {"A"}},
        ReadCase{"zero width keeps a nonzero right",
                 "<Q><general><window left=\"10\" top=\"10\" width=\"0\" height=\"500\"/></general></Q>",
                 {10, 10, 10, 510, 0},
                 {}},
        ReadCase{"position missing", "<Q><general><window maximized=\"1\"/></general></Q>", {0, 0, 0, 0, 1}, {}},
        ReadCase{"integers as the library reads them",
                 "<Q><general><window left=\" -5px\" top=\"+7\" width=\"abc\" height=\"12.9\"/></general></Q>",
                 {-5, 7, -5, 19, 0},
                 {}},
        ReadCase{"other element names in the list, empty ones skipped",
                 "<Q><selected><plugin>A</plugin><item>B</item><plugin/><plugin></plugin><!-- c --><x>C</x>"
                 "</selected></Q>",
                 {},
                 {"A", "B", "C"}},
        ReadCase{"list that begins with a comment", "<Q><selected><!-- c --><plugin>A</plugin></selected></Q>", {}, {}},
        ReadCase{"list that begins with text", "<Q><selected>junk<plugin>A</plugin></selected></Q>", {}, {}},
        ReadCase{"window outside general", "<Q><window left=\"1\" top=\"1\" width=\"1\" height=\"1\"/></Q>", {}, {}},
        ReadCase{
            "general that is text, not an element", "<Q>general<selected><plugin>A</plugin></selected></Q>", {}, {"A"}},
        ReadCase{"escaped markup",
                 "<Q><selected><plugin>a &amp; &lt;b&gt; &#x09;c</plugin></selected></Q>",
                 {},
                 {"a & <b> \tc"}},
        ReadCase{"not well-formed", "<Q>" + kWindow + "<selected><plugin>A</plugin></Q>", {}, {}},
        ReadCase{"no root element", std::string(kDecl) + "<!-- nothing -->", {}, {}},
        ReadCase{"empty file", "", {}, {}},
        // A name from a single-byte code page ending in a byte that would lead a UTF-8 sequence.
        ReadCase{"single-byte names in a UTF-8 document",
                 std::string(kDecl) + "<Q>" + kWindow +
                     "<selected><plugin>Caf\xE9</plugin><plugin>Men\xFC</plugin><plugin>Next</plugin></selected></Q>",
                 {10, 20, 310, 220, 0},
                 {"Caf\xE9", "Men\xFC", "Next"}},
        ReadCase{"UTF-8 names",
                 std::string(kDecl) + "<Q><selected><plugin>Caf\xC3\xA9</plugin></selected></Q>",
                 {},
                 {"Caf\xC3\xA9"}}));

TEST(Settings, NoFileGivesDefaultsAndIsCreatedAtExit) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    {
        CSettings settings(path);
        EXPECT_EQ(settings.right, 0);
        EXPECT_EQ(settings.bottom, 0);
        EXPECT_TRUE(settings.Selected().empty());
    }
    const std::string text = ReadText(path);
    EXPECT_NE(text.find("<window left=\"0\" top=\"0\" width=\"0\" height=\"0\" maximized=\"0\""), std::string::npos)
        << text;
}

TEST(Settings, ReaderThatDoesNotSaveLeavesTheFileAlone) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    const std::string original = "<Q><selected><plugin>A</plugin></selected></Q>";
    WriteText(path, original);
    {
        CSettings settings(path);
        settings.SetSaveOnDestroy(false);
        settings.Add("B");
        EXPECT_TRUE(settings.Contains("a"));
    }
    EXPECT_EQ(ReadText(path), original);
    {
        CSettings settings(dir / "missing.xml");
        settings.SetSaveOnDestroy(false);
    }
    EXPECT_FALSE(Exists(dir / "missing.xml"));
}

// ---- files that are not parsed ---------------------------------------------------------

std::string Nested(std::size_t depth, const std::string& open = "<a>", const std::string& close = "</a>") {
    std::string xml;
    for (std::size_t i = 0; i < depth; ++i)
        xml += open;
    for (std::size_t i = 0; i < depth; ++i)
        xml += close;
    return xml;
}

// A good document followed by `tail`: a file that reads as defaults proves that none of it was taken.
std::string GoodThen(const std::string& tail) {
    return std::string(kDecl) + "<Q>" + kWindow + "<selected><plugin>A</plugin></selected></Q>" + tail;
}

std::string Binary(std::size_t size) {
    std::string bytes;
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes += static_cast<char>(x >> 24);
    }
    return bytes;
}

struct UnreadCase {
    const char* what;
    std::string bytes;
    std::optional<qs::CSettingsRead> result; // any outcome but kRead when empty
};

void PrintTo(const UnreadCase& c, std::ostream* os) { *os << c.what; }

class SettingsUnreadableTest : public ::testing::TestWithParam<UnreadCase> {};

// Each file gives the defaults (no crash, however deep or large), is left byte for byte as it
// was while it is only read, and is replaced whole by a good document at the first save, which
// keeps it aside first byte for byte.
TEST_P(SettingsUnreadableTest, GivesDefaultsAndIsKeptUntilAGoodWrite) {
    const UnreadCase& c = GetParam();
    TempDir dir;
    const std::string path = dir / "settings.xml";
    WriteText(path, c.bytes);
    {
        CSettings settings(path);
        settings.SetSaveOnDestroy(false);
        EXPECT_NE(settings.ReadResult(), qs::CSettingsRead::kRead);
        if (c.result) {
            EXPECT_EQ(settings.ReadResult(), *c.result);
        }
        EXPECT_EQ(settings.right, 0);
        EXPECT_EQ(settings.maximized, 0);
        EXPECT_TRUE(settings.Selected().empty());
        EXPECT_TRUE(settings.KeepListUnknown());
    }
    EXPECT_TRUE(ReadText(path) == c.bytes);
    EXPECT_EQ(FolderEntries(dir.Path()), Names{"settings.xml"});
    {
        CSettings settings(path);
        EXPECT_EQ(settings.SetAsidePath(), path + ".bad");
        settings.Add("Written");
    }
    EXPECT_TRUE(ReadText(path + ".bad") == c.bytes);
    CSettings again(path);
    EXPECT_EQ(again.ReadResult(), qs::CSettingsRead::kRead);
    EXPECT_EQ(again.Selected(), Names{"Written"});
    EXPECT_FALSE(again.KeepListUnknown());
    EXPECT_EQ(again.SetAsidePath(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsUnreadableTest,
    ::testing::Values(
        UnreadCase{"20,000 nested elements", "<Q>" + Nested(20000) + "</Q>", qs::CSettingsRead::kTooDeep},
        UnreadCase{"20,000 unclosed elements", Nested(20000, "<a x='1'>", ""), qs::CSettingsRead::kTooDeep},
        UnreadCase{"nine deep after a good document", GoodThen(Nested(9)), qs::CSettingsRead::kTooDeep},
        UnreadCase{"a good document grown past 4 MiB", GoodThen(std::string(qs::kMaxSettingsBytes, ' ')),
                   qs::CSettingsRead::kTooLarge},
        UnreadCase{"60 MB of one element's text", "<Q><selected><plugin>" + std::string(60u * 1000u * 1000u, 'x'),
                   qs::CSettingsRead::kTooLarge},
        UnreadCase{"binary", Binary(100000), std::nullopt},
        UnreadCase{"truncated in a tag", GoodThen("").substr(0, 120), qs::CSettingsRead::kMalformed},
        UnreadCase{"truncated in a name", std::string(kDecl) + "<Q><selected><plugin>Temp Fi",
                   qs::CSettingsRead::kMalformed}));

TEST(Settings, SetAsideNames) {
    const struct {
        unsigned attempt;
        const char* name;
    } cases[] = {{1, "C:\\Q\\settings.xml.bad"}, {2, "C:\\Q\\settings.xml.bad2"}, {99, "C:\\Q\\settings.xml.bad99"}};
    for (const auto& c : cases)
        EXPECT_EQ(qs::SetAsideName("C:\\Q\\settings.xml", c.attempt), c.name);
}

// Earlier copies stay byte for byte: the damaged file goes to the first free name, once per
// run however often the settings are saved, and a later run's damaged file to the next one.
TEST(Settings, SetAsideNeverWritesOverAnEarlierCopy) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    const std::string damaged = "<Q><keep><path>C:\\Mine</path></keep><selected><plug";
    WriteText(path + ".bad", "first");
    WriteText(path + ".bad2", "second");
    WriteText(path, damaged);
    {
        CSettings settings(path);
        EXPECT_EQ(settings.SetAsidePath(), path + ".bad3");
        settings.SetKeptPaths({"C:\\New"});
        EXPECT_TRUE(settings.Save());
        EXPECT_EQ(settings.SetAsidePath(), path + ".bad3");
        EXPECT_TRUE(settings.KeepListUnknown()); // for the whole run
        EXPECT_TRUE(settings.Save());
    }
    EXPECT_EQ(ReadText(path + ".bad"), "first");
    EXPECT_EQ(ReadText(path + ".bad2"), "second");
    EXPECT_EQ(ReadText(path + ".bad3"), damaged);
    EXPECT_EQ(CSettings(path).KeptPaths(), Names{"C:\\New"});
    Names entries = FolderEntries(dir.Path());
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (Names{"settings.xml", "settings.xml.bad", "settings.xml.bad2", "settings.xml.bad3"}));

    WriteText(path, damaged + "2");
    { CSettings settings(path); }
    EXPECT_EQ(ReadText(path + ".bad3"), damaged);
    EXPECT_EQ(ReadText(path + ".bad4"), damaged + "2");
}

// A damaged file that cannot be kept aside (read-only, every name taken) is never written over:
// it stays byte for byte, and the run says so by answering no name. A file another program holds
// open without sharing cannot be read, nor copied: nothing is written either.
TEST(Settings, DamagedFileThatCannotBeKeptAsideIsNotWritten) {
    const std::string damaged = "<Q><keep><path>C:\\Mine</path>";
    enum Obstacle { kReadOnly, kNamesTaken, kLocked };
    for (const Obstacle obstacle : {kReadOnly, kNamesTaken, kLocked}) {
        SCOPED_TRACE(obstacle);
        TempDir dir;
        const std::string path = dir / "settings.xml";
        WriteText(path, damaged);
        qs::Handle lock;
        if (obstacle == kReadOnly)
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        if (obstacle == kNamesTaken)
            for (unsigned attempt = 1; attempt <= qs::kSetAsideNames; ++attempt)
                WriteText(qs::SetAsideName(path, attempt), "taken");
        if (obstacle == kLocked)
            lock.Reset(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        {
            CSettings settings(path);
            EXPECT_TRUE(settings.KeepListUnknown());
            if (obstacle != kLocked) {
                EXPECT_EQ(settings.SetAsidePath(), "");
            }
            settings.Add("New");
            EXPECT_FALSE(settings.Save());
        }
        lock.Reset();
        EXPECT_EQ(ReadText(path), damaged);
        EXPECT_EQ(FolderEntries(dir.Path()).size(), obstacle == kNamesTaken ? 1u + qs::kSetAsideNames : 1u);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(Settings, ShallowEnoughAndJustSmallEnoughAreRead) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    // Eight deep in an ignored part of the document, padded to exactly the size limit.
    std::string xml = "<Q><selected><plugin>A</plugin></selected>" + Nested(7, "<b>", "</b>") + "</Q>";
    xml += std::string(qs::kMaxSettingsBytes - xml.size(), '\n');
    WriteText(path, xml);
    CSettings settings(path);
    settings.SetSaveOnDestroy(false);
    EXPECT_EQ(settings.ReadResult(), qs::CSettingsRead::kRead);
    EXPECT_EQ(settings.Selected(), Names{"A"});
}

// The nesting the library reaches, as the scan finds it: markup inside quoted values, comments,
// CDATA and other constructs does not count, and end tags count only where the library takes them.
struct DepthCase {
    const char* what;
    std::string xml;
    std::optional<std::size_t> depth;
};

void PrintTo(const DepthCase& c, std::ostream* os) { *os << c.what; }

class ParsedDepthTest : public ::testing::TestWithParam<DepthCase> {};

TEST_P(ParsedDepthTest, Scans) { EXPECT_EQ(qs::ParsedElementDepth(GetParam().xml), GetParam().depth); }

INSTANTIATE_TEST_SUITE_P(
    Table, ParsedDepthTest,
    ::testing::Values(
        DepthCase{"the written document", GoodThen(""), 3}, DepthCase{"empty", "", 0},
        DepthCase{"self-closing elements", "<a/><b x='1' /><c y=\"/>\"/>", 1},
        DepthCase{"a self-closing element inside another", "<a><b/></a>", 2},
        DepthCase{"an end tag inside a quoted value closes nothing", "<a x='</a>'><b>", 2},
        DepthCase{"a '>' inside a quoted value ends no tag", "<a x=\">\"><b>", 2},
        DepthCase{"tags inside a comment", "<a><!-- <b><c><d> --></a>", 1},
        DepthCase{"a comment ends only after its opening", "<a><!--><b>--><c>", 2},
        DepthCase{"tags inside CDATA", "<a><![CDATA[<b><c>]]><d>", 2},
        DepthCase{"end tags inside CDATA", "<a><b><![CDATA[</b></a>]]><c>", 3},
        DepthCase{"an instruction ends at its first '>'", "<a><?pi x='>'?><b>", 2},
        DepthCase{"a doctype ends at its first '>'", "<!DOCTYPE q [<!ENTITY x 'y'>]><a>", 1},
        DepthCase{"an end tag before any element", "</a></a><a><b>", 2},
        DepthCase{"names from bytes above ASCII and underscores", "<\xC3\xA9><_x><\x7F>", 3},
        DepthCase{"'<' before a space or a digit is no element", "< a><1><a>", 1},
        DepthCase{"nothing after a NUL", std::string("<a>\0<b><c>", 10), 1},
        DepthCase{"an unclosed quote ends the scan", "<a><b x='><c><d>", 2},
        DepthCase{"a numeric reference swallows the markup up to its ';'", "<a>&#1</a><b>#2;<c>", 2},
        DepthCase{"a reference in a quoted value", "<a x='&#1'><b>#2;'><c>", 2},
        DepthCase{"a reference the library gives up on ends the scan", "<a>&#1x;<b>", 1},
        DepthCase{"a declaration as written", std::string(kDecl) + "<a>", 1},
        DepthCase{"a declaration whose value holds white space", "<?xml a=\" version=\"?><a>", std::nullopt},
        DepthCase{"a declaration whose value holds '='", "<?xml a=\"version=\"?><a>", std::nullopt},
        DepthCase{"a declaration whose value holds a reference", "<?xml version=\"&#49;\"?><a>", std::nullopt},
        DepthCase{"a declaration whose quote is open at its '>'", "<?XML version=\"1>\"?><a>", std::nullopt}));

// The thread cap: a whole number from 1 to 64; anything else is automatic (0). Written back only
// when set, so a file without it stays without it.
TEST(Settings, ThreadCapIsReadAsWrittenAndWrittenBackOnlyWhenSet) {
    struct Row {
        const char* xml;
        unsigned threads;
    };
    const Row rows[] = {
        {"<Q><general><threads>1</threads></general></Q>", 1},
        {"<Q><general><threads> 4 </threads><window left=\"1\"/></general></Q>", 4},
        {"<Q><general><threads>64</threads></general></Q>", 64},
        {"<Q><general><threads>65</threads></general></Q>", 0},
        {"<Q><general><threads>0</threads></general></Q>", 0},
        {"<Q><general><threads>-2</threads></general></Q>", 0},
        {"<Q><general><threads>2x</threads></general></Q>", 0},
        {"<Q><general><threads>99999999999</threads></general></Q>", 0},
        {"<Q><general><threads/></general></Q>", 0},
        {"<Q><threads>2</threads></Q>", 0},
        {"<Q><general/></Q>", 0},
    };
    for (const Row& r : rows) {
        TempDir dir;
        const std::string path = dir / "settings.xml";
        WriteText(path, r.xml);
        {
            CSettings settings(path);
            EXPECT_EQ(settings.Threads(), r.threads) << r.xml;
        }
        EXPECT_EQ(ReadText(path).find("<threads>") != std::string::npos, r.threads != 0) << ReadText(path);
        EXPECT_EQ(CSettings(path).Threads(), r.threads) << r.xml;
    }
}

// ---- writing --------------------------------------------------------------------------

TEST(Settings, WritesTheDocumentShapeAndReadsItBack) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    const Names names = {"Temp Files",       "a<b>&c\"d'e", "tab\there", "line\nbreak\r",
                         "\x01\x1f control", "Caf\xE9",     "Men\xFC",   "UTF-8 \xC3\xA9",
                         "]]> <!-- x -->",   "&#x41;",      "Temp Files"};
    {
        CSettings settings(path);
        settings.left = -8;
        settings.top = 12;
        settings.right = 1000;
        settings.bottom = 700;
        settings.maximized = 1;
        for (const std::string& n : names)
            settings.Add(n);
    }
    const std::string text = ReadText(path);
    const std::string::size_type decl = text.find("<?xml version=\"1.0\" encoding=\"utf-8\" ?>");
    const std::string::size_type root = text.find("<Quillsweep version=\"1\">");
    const std::string::size_type window =
        text.find("<window left=\"-8\" top=\"12\" width=\"1008\" height=\"688\" maximized=\"1\" />");
    const std::string::size_type plugin = text.find("<plugin>Temp Files</plugin>");
    EXPECT_EQ(decl, 0u) << text;
    EXPECT_LT(decl, root);
    EXPECT_LT(root, text.find("<general>"));
    EXPECT_LT(text.find("<general>"), window);
    EXPECT_LT(window, text.find("<selected>"));
    EXPECT_LT(text.find("<selected>"), plugin);
    EXPECT_NE(plugin, std::string::npos);

    CSettings again(path);
    EXPECT_EQ(again.left, -8);
    EXPECT_EQ(again.top, 12);
    EXPECT_EQ(again.right, 1000);
    EXPECT_EQ(again.bottom, 700);
    EXPECT_EQ(again.maximized, 1);
    EXPECT_EQ(again.Selected(), names);
}

TEST(Settings, ReadOnlyFileStaysAsItWas) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    const std::string old = "<Q><selected><plugin>Old</plugin></selected></Q>";
    WriteText(path, old);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        CSettings settings(path);
        settings.ClearSelected();
        settings.Add("New");
        EXPECT_FALSE(settings.Save());
    }
    EXPECT_EQ(ReadText(path), old);
    EXPECT_EQ(FolderEntries(dir.Path()), Names{"settings.xml"}); // no side file left
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Settings, InterruptedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    const std::string old = "<Q><selected><plugin>Old</plugin></selected></Q>";
    WriteText(path, old);
    CSettings settings(path);
    settings.Add("New");
    const std::string document = settings.Print();
    // Broken off at the start, in the middle and one byte short of the end: the old file stays
    // byte for byte and no partial file is left beside it.
    for (std::size_t at : {std::size_t{0}, document.size() / 2, document.size() - 1}) {
        EXPECT_FALSE(qs::ReplaceFileContents(path, document, at)) << at;
        EXPECT_EQ(ReadText(path), old) << at;
        EXPECT_EQ(FolderEntries(dir.Path()), Names{"settings.xml"}) << at;
    }
    // A side file left by a process that died while writing does not stand in the way.
    WriteText(dir / "~qs0000.tmp", "partial");
    for (DWORD i = 0; i < 4; ++i) {
        char leaf[16];
        std::snprintf(leaf, sizeof leaf, "~qs%04lX.tmp",
                      static_cast<unsigned long>((GetCurrentProcessId() + i) & 0xFFFF));
        WriteText(dir / leaf, "partial");
    }
    EXPECT_TRUE(qs::ReplaceFileContents(path, document));
    EXPECT_EQ(ReadText(path), document);
    EXPECT_EQ(CSettings(path).Selected(), (Names{"Old", "New"}));
}

TEST(Settings, HiddenFileStaysHidden) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    WriteText(path, "<Q/>");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(qs::ReplaceFileContents(path, "<R/>"));
    EXPECT_EQ(ReadText(path), "<R/>");
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Settings, PathBesideTheModule) {
    EXPECT_EQ(qs::SettingsPathFor("C:\\Program Files\\Q\\Quillsweep.exe"), "C:\\Program Files\\Q\\settings.xml");
    EXPECT_EQ(qs::SettingsPathFor("Quillsweep.exe"), "settings.xml");
    EXPECT_EQ(qs::SettingsPathFor(""), ""); // an executable path the code page cannot hold
}

// ---- the name lookup --------------------------------------------------------------------

TEST(Settings, ContainsIgnoresLetterCaseAndFollowsChanges) {
    TempDir dir;
    CSettings settings(dir / "settings.xml");
    EXPECT_FALSE(settings.Contains("anything"));
    for (const char* n : {"Temp Files", "cookies", "Zeta", "alpha", "Caf\xE9"})
        settings.Add(n);
    EXPECT_TRUE(settings.Contains("TEMP FILES"));
    EXPECT_TRUE(settings.Contains("Cookies"));
    EXPECT_TRUE(settings.Contains("ALPHA"));
    EXPECT_TRUE(settings.Contains("zeta"));
    EXPECT_FALSE(settings.Contains("Temp File"));
    EXPECT_FALSE(settings.Contains("Temp Files "));
    EXPECT_FALSE(settings.Contains(""));
    // A name added after a lookup is found by the next one.
    settings.Add("Later");
    EXPECT_TRUE(settings.Contains("later"));
    settings.Add("later");
    EXPECT_EQ(settings.Selected().size(), 7u); // no duplicate check
    settings.ClearSelected();
    EXPECT_FALSE(settings.Contains("later"));
    EXPECT_TRUE(settings.Selected().empty());
    EXPECT_EQ(settings.Selected().capacity(), 0u);
}

TEST(Settings, ContainsAgreesWithAPlainSearch) {
    TempDir dir;
    CSettings settings(dir / "settings.xml");
    Names stored;
    for (int i = 0; i < 300; ++i) {
        std::string n = "Plugin " + std::to_string((i * 7919) % 1000);
        if (i % 3 == 0)
            n = "pLuGiN " + n.substr(7);
        stored.push_back(n);
        settings.Add(n);
    }
    for (int i = 0; i < 1000; ++i) {
        const std::string probe = (i % 2 ? "PLUGIN " : "plugin ") + std::to_string(i);
        bool plain = false;
        for (const std::string& s : stored)
            plain = plain || _stricmp(s.c_str(), probe.c_str()) == 0;
        EXPECT_EQ(settings.Contains(probe), plain) << probe;
    }
}


// ---- the keep list ----------------------------------------------------------------------



struct KeepCase {
    const char* what;
    std::string xml;
    Names kept;
};

void PrintTo(const KeepCase& c, std::ostream* os) { *os << c.what; }

class SettingsKeepReadTest : public ::testing::TestWithParam<KeepCase> {};

TEST_P(SettingsKeepReadTest, ReadsThePathsAsWritten) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    WriteText(path, GetParam().xml);
    EXPECT_EQ(CSettings(path).KeptPaths(), GetParam().kept);
}

// Deeper than a settings document may nest: the whole file is left unread.
std::string TooDeep() {
    std::string open, close;
    for (std::size_t i = 0; i < qs::kMaxSettingsDepth; ++i) {
        open += "<d>";
        close = "</d>" + close;
    }
    return "<Q><keep><path>C:\\a</path></keep>" + open + close + "</Q>";
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, SettingsKeepReadTest,
    ::testing::Values(
        KeepCase{"files, folders and macros in order",
                 std::string(kDecl) + "<Q>" + kWindow +
                     "<selected><plugin>A</plugin></selected><keep><path>%APPDATA%\\Taskbar\\pinned.lnk</path>"
                     "<path>C:\\Music\\Offline\\</path><path>%TEMP%\\keep me</path></keep></Q>",
                 {"%APPDATA%\\Taskbar\\pinned.lnk", "C:\\Music\\Offline\\", "%TEMP%\\keep me"}},
        KeepCase{"no keep list", "<Q><selected><plugin>A</plugin></selected></Q>", {}},
        KeepCase{"only path elements, empty ones skipped",
                 "<Q><keep><path>C:\\a</path><plugin>C:\\b</plugin><path/><path></path><!-- c -->"
                 "<path>C:\\c</path></keep></Q>",
                 {"C:\\a", "C:\\c"}},
        KeepCase{"a path element outside the list", "<Q><path>C:\\a</path><keep/></Q>", {}},
        KeepCase{"escaped markup and CDATA kept raw",
                 "<Q><keep><path>C:\\a &amp; b</path><path><![CDATA[  C:\\two  spaces ]]></path></keep></Q>",
                 {"C:\\a & b", "  C:\\two  spaces "}},
        KeepCase{"code-page bytes in a UTF-8 document",
                 std::string(kDecl) + "<Q><keep><path>C:\\Caf\xE9\\Men\xFC</path></keep></Q>",
                 {"C:\\Caf\xE9\\Men\xFC"}},
        KeepCase{"UTF-8 bytes", std::string(kDecl) + "<Q><keep><path>C:\\Caf\xC3\xA9</path></keep></Q>",
                 {"C:\\Caf\xC3\xA9"}},
        KeepCase{"nested too deep: nothing read", TooDeep(), {}},
        KeepCase{"not well-formed: nothing read", "<Q><keep><path>C:\\a</path></Q>", {}}));

// Written and read again, every path comes back byte for byte: runs of spaces and spaces at
// either end (which the library condenses in plain text), markup, control characters, code-page
// and UTF-8 bytes, and a path as long as the platform allows. The selection is written beside it
// under the same rule.
TEST(SettingsKeep, RoundTripsOddPathsExactly) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    const Names kept = {"%APPDATA%\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned",
                        "C:\\My  Files\\a   b.txt",
                        " C:\\leading",
                        "C:\\trailing ",
                        "C:\\a<b>&c\"d'e",
                        "C:\\]]> odd name",
                        "tab\there",
                        "C:\\Caf\xE9\\Men\xFC",
                        "C:\\UTF-8 \xC3\xA9",
                        "C:\\" + std::string(32000, 'x'),
                        "C:\\a"};
    const Names names = {"Two  spaces", " Lead", "Trail "};
    {
        CSettings settings(path);
        settings.SetKeptPaths(kept);
        for (const std::string& n : names)
            settings.Add(n);
    }
    const std::string text = ReadText(path);
    EXPECT_LT(text.find("</selected>"), text.find("<keep>")) << text;
    CSettings again(path);
    EXPECT_EQ(again.ReadResult(), qs::CSettingsRead::kRead);
    EXPECT_EQ(again.KeptPaths(), kept);
    EXPECT_EQ(again.Selected(), names);

    // An empty list writes no element, and the file reads as one that never had it.
    again.SetKeptPaths({});
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(ReadText(path).find("<keep"), std::string::npos);
    EXPECT_TRUE(CSettings(path).KeptPaths().empty());
}

// A document that would be too large to be read back is not written: the file stays as it was,
// rather than one that the next start ignores whole (and with it the keep list).
TEST(SettingsKeep, DocumentPastTheSizeLimitIsNotWritten) {
    TempDir dir;
    const std::string path = dir / "settings.xml";
    {
        CSettings settings(path);
        settings.SetKeptPaths({"C:\\kept"});
    }
    const std::string before = ReadText(path);
    {
        CSettings settings(path);
        Names many(qs::kMaxSettingsBytes / 1000 + 1, "C:\\" + std::string(1000, 'k'));
        settings.SetKeptPaths(many);
        EXPECT_FALSE(settings.Save());
    }
    EXPECT_EQ(ReadText(path), before);
    EXPECT_EQ(CSettings(path).KeptPaths(), Names{"C:\\kept"});
}

// The keep-list dialog adds through this: nothing empty, nothing twice in another letter case.
TEST(SettingsKeep, AddKeptPathSkipsEmptyAndKeptPaths) {
    Names kept = {"C:\\Data\\Keep"};
    const struct {
        const char* path;
        bool added;
    } cases[] = {
        {"", false},
        {"c:\\data\\KEEP", false},
        {"C:\\Data\\Keep\\", true}, // another text, which the host compares as it expands it
        {"%APPDATA%\\x", true},
        {"%appdata%\\X", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qs::AddKeptPath(kept, c.path), c.added) << c.path;
    EXPECT_EQ(kept, (Names{"C:\\Data\\Keep", "C:\\Data\\Keep\\", "%APPDATA%\\x"}));
}

TEST(SettingsKeep, KeptPathProblemTellsPathsThatKeepNothing) {
    const struct {
        std::string path;
        bool keeps;
    } cases[] = {
        {"C:\\Users\\me\\pinned.lnk", true},
        {"%TEMP%\\keep", true},
        {"\\\\server\\share\\x", true},
        {"relative\\x", false},
        {"%NO_SUCH_MACRO_HERE%\\x", false},
        {"C:\\" + std::string(300, 'x'), false},
        {std::string("C:\\a\0b", 6), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qs::KeptPathProblem(c.path).empty(), c.keeps) << c.path;
}

} // namespace
