// The winapp2.ini reader: entries and keys as written, every broken line located by entry and
// line, the rest still read, and hostile files held to the limits.
#include "engine/Winapp2File.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qs::ReadWinapp2;
using qs::Winapp2File;

struct ProblemAt {
    const char* entry;
    unsigned line;
    const char* what; // a part of the text
};

struct ReaderCase {
    const char* label;
    std::string text;
    std::vector<const char*> sound;  // names of the entries read without a problem
    std::vector<const char*> broken; // names of the entries that must not be used
    std::vector<ProblemAt> problems;
};

std::vector<std::string> Names(const Winapp2File& file, bool broken) {
    std::vector<std::string> out;
    for (const qs::Winapp2Entry& e : file.entries)
        if (e.broken.empty() != broken)
            out.push_back(e.name);
    return out;
}

TEST(Winapp2File, EntriesKeysAndProblemsByEntryAndLine) {
    const ReaderCase cases[] = {
        {"comments, blank lines, byte order mark, CR LF",
         "\xEF\xBB\xBF; comment\r\n\r\n[A *]\r\n  ; indented comment\r\nFileKey1=x\r\n", {"A"}, {}, {}},
        {"a key before the first entry", "Detect=HKCU\\x\n[A *]\nFileKey1=x\n", {"A"}, {}, {{"", 1, "before the first"}}},
        {"a line that is no key", "[A *]\nFileKey1\n[B *]\nFileKey1=y\n", {"B"}, {"A"}, {{"A", 2, "key=value"}}},
        {"a key name with a leading zero", "[A *]\nFileKey01=x\n", {}, {"A"}, {{"A", 2, "not a key name"}}},
        {"a key name with a space", "[A *]\nFile Key1=x\n", {}, {"A"}, {{"A", 2, "not a key name"}}},
        {"a number too large", "[A *]\nFileKey10000=x\n", {}, {"A"}, {{"A", 2, "not a key name"}}},
        {"the same key twice, in another case", "[A *]\nFileKey1=x\nfilekey1=y\n", {}, {"A"},
         {{"A", 3, "appears twice"}}},
        {"binary bytes", "[A *]\nFileKey1=x\x01y\n[B *]\n", {"B"}, {"A"}, {{"A", 2, "control character"}}},
        {"a NUL byte", std::string("[A *]\nFileKey1=x\0y\n", 19), {}, {"A"}, {{"A", 2, "control character"}}},
        {"a name without its bracket", "[A *\nFileKey1=x\n", {}, {"A *"}, {{"A *", 1, "closing bracket"}}},
        {"an empty name", "[ *]\nFileKey1=x\n", {}, {""}, {{"", 1, "no name"}}},
        {"duplicate names: the first is used", "[Same *]\nFileKey1=a\n[same *]\nFileKey1=b\n", {"Same"}, {"same"},
         {{"same", 3, "line 1"}}},
        {"a name without the trailing asterisk is still a name", "[Plain]\nFileKey1=x\n", {"Plain"}, {}, {}},
    };
    for (const ReaderCase& c : cases) {
        const Winapp2File file = ReadWinapp2(c.text.data(), c.text.size());
        EXPECT_EQ(Names(file, false), std::vector<std::string>(c.sound.begin(), c.sound.end())) << c.label;
        EXPECT_EQ(Names(file, true), std::vector<std::string>(c.broken.begin(), c.broken.end())) << c.label;
        for (const ProblemAt& p : c.problems) {
            bool found = false;
            for (const qs::Winapp2Problem& q : file.problems)
                found = found || (q.entry == p.entry && q.line == p.line && q.what.find(p.what) != std::string::npos);
            EXPECT_TRUE(found) << c.label << ": no problem \"" << p.what << "\" at " << p.entry << ":" << p.line;
        }
    }
}

TEST(Winapp2File, KeysKeepTheirNumbersValuesAndLines) {
    const std::string text = "[Cache of Foo *]\nLangSecRef = 3021\nDetect=HKCU\\Software\\Foo\nDetectFile2=%AppData%\\Foo"
                             "\nFileKey12=%AppData%\\Foo|*.log;*.tmp|RECURSE  \nWarning=a=b\n";
    const Winapp2File file = ReadWinapp2(text.data(), text.size());
    ASSERT_EQ(file.entries.size(), 1u);
    const qs::Winapp2Entry& e = file.entries[0];
    EXPECT_EQ(e.name, "Cache of Foo");
    EXPECT_EQ(e.line, 1u);
    ASSERT_EQ(e.keys.size(), 5u);
    const struct {
        const char* name;
        unsigned number;
        const char* value;
        unsigned line;
    } expected[] = {{"LangSecRef", 0, "3021", 2},
                    {"Detect", 0, "HKCU\\Software\\Foo", 3},
                    {"DetectFile", 2, "%AppData%\\Foo", 4},
                    {"FileKey", 12, "%AppData%\\Foo|*.log;*.tmp|RECURSE", 5},
                    {"Warning", 0, "a=b", 6}};
    for (std::size_t i = 0; i < e.keys.size(); ++i) {
        EXPECT_EQ(e.keys[i].name, expected[i].name);
        EXPECT_EQ(e.keys[i].number, expected[i].number);
        EXPECT_EQ(e.keys[i].value, expected[i].value);
        EXPECT_EQ(e.keys[i].line, expected[i].line);
    }
}

// Damaged and hostile files: each is read within the limits, breaks only what it touches, and
// costs no more than its size.
TEST(Winapp2File, HostileFilesStayWithinTheLimits) {
    const std::string huge = "[Huge *]\nFileKey1=" + std::string(8u << 20, 'a') + "\n[After *]\nFileKey1=x\n";
    Winapp2File file = ReadWinapp2(huge.data(), huge.size());
    ASSERT_EQ(file.entries.size(), 2u);
    EXPECT_FALSE(file.entries[0].broken.empty());
    EXPECT_TRUE(file.entries[1].broken.empty());
    EXPECT_TRUE(file.entries[0].keys.empty());

    std::string manyKeys = "[Many *]\n";
    for (int i = 1; i <= 5000; ++i)
        manyKeys += "FileKey" + std::to_string(i % 9999 + 1) + "=x\n";
    file = ReadWinapp2(manyKeys.data(), manyKeys.size());
    ASSERT_EQ(file.entries.size(), 1u);
    EXPECT_LE(file.entries[0].keys.size(), qs::kWinapp2MaxKeysPerEntry);
    EXPECT_NE(file.entries[0].broken.find("more than"), std::string::npos);

    std::string sections;
    for (int i = 0; i < 50000; ++i)
        sections += "[E" + std::to_string(i) + " *]\n";
    file = ReadWinapp2(sections.data(), sections.size());
    EXPECT_EQ(file.entries.size(), qs::kWinapp2MaxEntries);
    ASSERT_FALSE(file.problems.empty());
    EXPECT_NE(file.problems.back().what.find("not read"), std::string::npos);

    std::string binary(1u << 20, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 2654435761u) >> 13);
    file = ReadWinapp2(binary.data(), binary.size());
    EXPECT_LE(file.problems.size(), qs::kWinapp2MaxProblems);
    for (const qs::Winapp2Entry& e : file.entries)
        EXPECT_TRUE(!e.broken.empty() || e.keys.size() <= qs::kWinapp2MaxKeysPerEntry);
}

} // namespace
