// Mask list splitting and wildcard matching.
#include "hostfn/Masks.h"

#include <gtest/gtest.h>

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

TEST_P(MatchWildcardTest, Matches) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(qs::MatchWildcard(c.pattern, c.text), c.match) << c.pattern << " vs " << c.text;
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

} // namespace
