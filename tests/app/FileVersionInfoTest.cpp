// Version information: the choice of string table by language, and our own version resource.
#include "app/FileVersionInfo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using qs::VersionTranslation;

struct ChoiceCase {
    const char* what;
    std::vector<VersionTranslation> entries;
    WORD user;
    int expected;
};

class ChooseVersionTranslationTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChooseVersionTranslationTest, PicksTheBestFit) {
    const ChoiceCase& c = GetParam();
    EXPECT_EQ(qs::ChooseVersionTranslation(c.entries.data(), c.entries.size(), c.user), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChooseVersionTranslationTest,
    ::testing::Values(
        ChoiceCase{"empty list", {}, 0x0409, -1},
        ChoiceCase{"exact language wins over an earlier primary match", {{0x0807, 1252}, {0x0407, 1252}}, 0x0407, 1},
        ChoiceCase{"same primary language", {{0x0407, 1252}, {0x0409, 1200}}, 0x0807, 0},
        ChoiceCase{"first of several primary matches", {{0x0409, 1200}, {0x0C07, 1200}, {0x0407, 1200}}, 0x0807, 1},
        ChoiceCase{"neutral exactly", {{0x0407, 1200}, {0x0400, 1200}, {0x0000, 1200}}, 0x040C, 2},
        ChoiceCase{"primary language neutral", {{0x0407, 1200}, {0x0400, 1200}}, 0x040C, 1},
        ChoiceCase{"neutral comes before English", {{0x0409, 1200}, {0x0000, 1252}}, 0x040C, 1},
        ChoiceCase{"English exactly over another English", {{0x0407, 1200}, {0x0809, 1200}, {0x0009, 1200}}, 0x040C, 2},
        ChoiceCase{"primary language English", {{0x0407, 1200}, {0x0809, 1200}}, 0x040C, 1},
        ChoiceCase{"nothing fits: the first", {{0x0407, 1252}, {0x0410, 1200}}, 0x040C, 0}));

TEST(CFileVersionInfo, ReadsOurOwnVersionResource) {
    qs::CFileVersionInfo info;
    ASSERT_TRUE(info.Create());
    EXPECT_EQ(info.GetProductName(), "Quillsweep");
    EXPECT_EQ(info.GetCompanyName(), "Kestrilo");
    EXPECT_EQ(info.GetFileVersion(), "1.2.3.48");
    EXPECT_FALSE(info.GetLegalCopyright().empty());
    EXPECT_EQ(info.FixedInfo().dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info.FixedInfo().dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(info.FixedInfo().dwFileVersionLS, 0x00030030u);
}

TEST(CFileVersionInfo, AFileWithoutVersionResourceLeavesEverythingEmpty) {
    qs::test::TempDir dir;
    const std::string plain = dir / "plain.txt";
    qs::test::WriteText(plain, "no resources here");
    qs::CFileVersionInfo info;
    ASSERT_TRUE(info.Create());
    EXPECT_FALSE(info.Create(plain.c_str()));
    EXPECT_EQ(info.GetProductName(), "") << "a failed read resets what an earlier one found";
    EXPECT_EQ(info.FixedInfo().dwSignature, 0u);
    EXPECT_FALSE(info.Create((dir / "missing.exe").c_str()));
    EXPECT_FALSE(info.Create(static_cast<const char*>(nullptr)));
}

} // namespace
