// Mask list splitting and wildcard matching.
#include "hostfn/Masks.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using qs::MaskList;

TEST(SplitMaskList, KeepsEveryPieceInOrder) {
    EXPECT_EQ(qs::SplitMaskList(""), MaskList{});
    EXPECT_EQ(qs::SplitMaskList("*.tmp"), (MaskList{"*.tmp"}));
    EXPECT_EQ(qs::SplitMaskList("*.tmp;*.log"), (MaskList{"*.tmp", "*.log"}));
    EXPECT_EQ(qs::SplitMaskList("*.tmp;"), (MaskList{"*.tmp", ""}));
    EXPECT_EQ(qs::SplitMaskList(";"), (MaskList{"", ""}));
    EXPECT_EQ(qs::SplitMaskList(";;a"), (MaskList{"", "", "a"}));
}

struct MatchCase {
    const char* pattern;
    const char* text;
    bool match;
};

class MatchWildcardTest : public ::testing::TestWithParam<MatchCase> {};

std::wstring Widened(const char* text) { return std::wstring(text, text + std::strlen(text)); }

// The walks' UTF-16 matching keeps the rules of the narrow one, case for case.
TEST_P(MatchWildcardTest, Matches) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(qs::MatchWildcard(c.pattern, c.text), c.match) << c.pattern << " vs " << c.text;
    const std::wstring text = Widened(c.text);
    EXPECT_EQ(qs::MatchWildcard(Widened(c.pattern), text.data(), text.size()), c.match)
        << "UTF-16: " << c.pattern << " vs " << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MatchWildcardTest,
    ::testing::Values(MatchCase{"*", "a", true}, MatchCase{"*", "", false}, MatchCase{"", "", false},
                      MatchCase{"", "a", false}, MatchCase{"*.tmp", "C:\\T\\A.TMP", true},
                      MatchCase{"*.TMP", "c:\\t\\a.tmp", true}, MatchCase{"*.tmp", "C:\\T\\A.TMPX", false},
                      MatchCase{"a.tmp", "C:\\T\\A.TMP", false}, MatchCase{"?", "ab", false},
                      MatchCase{"??", "ab", true}, MatchCase{"a*b*c", "aXXbYYc", true},
                      MatchCase{"a*b*c", "aXXbYY", false}, MatchCase{"*ab", "aab", true},
                      MatchCase{"*aab", "aaab", true}, MatchCase{"*a?c", "abxabc", true}, MatchCase{"a**", "a", true},
                      MatchCase{"*\\cache", "C:\\X\\CACHE", true}, MatchCase{"*\\cache", "C:\\X\\CACHE\\F", false},
                      // Only ASCII letters are folded in the C locale.
                      MatchCase{"\xe9", "\xc9", false}));

TEST(MatchesMaskList, EmptyListMatchesEverythingAndSeparatorsNothing) {
    EXPECT_TRUE(qs::MatchesMaskList({}, "C:\\A.TXT"));
    EXPECT_FALSE(qs::MatchesMaskList(qs::SplitMaskList(";"), "C:\\A.TXT"));
    EXPECT_TRUE(qs::MatchesMaskList(qs::SplitMaskList("*.log;*.txt"), "C:\\A.TXT"));
    EXPECT_FALSE(qs::MatchesMaskList(qs::SplitMaskList(std::string("*\0x", 3)), "C:\\A.TXT"));
}

// Masks are converted once from the script's code page; names are matched as the file system holds
// them: look-alikes (fullwidth letters, dots and reverse solidus) match only themselves.
TEST(WideMasks, ConvertedOnceAndMatchedAgainstTheRealNames) {
    EXPECT_EQ(qs::SplitWideMaskList("", CP_ACP), qs::WideMaskList{});
    EXPECT_EQ(qs::SplitWideMaskList("*.tmp;;*\\caf\xe9", 1252), (qs::WideMaskList{L"*.tmp", L"", L"*\\caf\xe9"}));
    EXPECT_EQ(qs::SplitWideMaskList(std::string("*\0x", 3), CP_ACP), (qs::WideMaskList{std::wstring(1, L'\0')}));
    // A byte sequence that is not text in the code page names nothing.
    const qs::WideMaskList broken = qs::SplitWideMaskList("*.tmp;\xff\xfe", CP_UTF8);
    ASSERT_EQ(broken.size(), 2u);
    EXPECT_FALSE(qs::MatchesMaskList(broken, std::wstring(L"\xfffd\xfffd")));
    EXPECT_TRUE(qs::MatchesMaskList(broken, std::wstring(L"C:\\A.TMP")));

    struct {
        const wchar_t* pattern;
        const wchar_t* text;
        bool match;
    } cases[] = {
        {L"*\\temp\\*", L"C:\\T\\TEMP\\a.txt", true},
        {L"*\\temp\\*", L"C:\\T\\\xFF54\xFF45\xFF4D\xFF50\\a.txt", false}, // fullwidth temp
        {L"*\\..\\*", L"C:\\T\\\xFF0E\xFF0E\\a.txt", false},                // fullwidth full stops
        {L"*\\victim\\*", L"C:\\T\\\xFF0E\xFF0E\xFF3C\xFF56\xFF49\xFF43\xFF54\xFF49\xFF4D\\a", false},
        {L"*\\\x65E5\x672C*", L"C:\\T\\\x65E5\x672C" L"dir", true}, // CJK compares as itself
        {L"*.TMP", L"C:\\T\\\x03A9.tmp", true},
        {L"?.tmp", L"\xD83D\xDE00.tmp", false}, // "?" is one UTF-16 unit; an emoji is two
        {L"??.tmp", L"\xD83D\xDE00.tmp", true},
        {L"\x03C9", L"\x03A9", false}, // only ASCII letters are folded
        {L"*", L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qs::MatchWildcard(c.pattern, c.text, std::wcslen(c.text)), c.match)
            << static_cast<int>(&c - cases);
}

} // namespace
