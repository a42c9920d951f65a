// The entry-point wrappers and their result conversions.
#include "support/ScriptHost.h"

#include <gtest/gtest.h>

namespace {

using qs::test::ScriptHost;

struct SizeCase {
    const char* returns; // the body of GetSize after "return"
    std::uint64_t size;
    std::uint32_t count;
};

class GetSizeConversion : public ::testing::TestWithParam<SizeCase> {};

TEST_P(GetSizeConversion, PassesThroughTextAtofAndTruncation) {
    ScriptHost host;
    auto script = host.Load(std::string("function this:GetSize() return ") + GetParam().returns + " end");
    ASSERT_TRUE(script);
    std::uint64_t size = 99;
    std::uint32_t count = 99;
    ASSERT_TRUE(script->GetSize(size, count));
    EXPECT_EQ(size, GetParam().size);
    EXPECT_EQ(count, GetParam().count);
    EXPECT_EQ(script->Size(), GetParam().size);
    EXPECT_EQ(script->FileCount(), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(Table, GetSizeConversion,
                         ::testing::Values(SizeCase{"'123456789012345', 7", 123456789012345ull, 7},
                                           SizeCase{"2.9, '3 apples'", 2, 3}, SizeCase{"4096", 4096, 0},
                                           SizeCase{"", 0, 0}, SizeCase{"nil, true", 0, 0}, SizeCase{"{}, 'x'", 0, 0},
                                           SizeCase{"'  +42e3 bytes', '-0.5'", 42000, 0},
                                           // Decimal strings stay exact up to 2^53; numbers pass through "%.14g".
                                           SizeCase{"'9007199254740992', 1", 9007199254740992ull, 1},
                                           SizeCase{"123456789012345678, 1", 123456789012350000ull, 1},
                                           // The count keeps the low 32 bits of the 64-bit integer.
                                           SizeCase{"1, 4294967297", 1, 1}, SizeCase{"1, -1", 1, 0xFFFFFFFFu},
                                           // Out of the 64-bit range: no undefined behaviour, the x86 answer.
                                           SizeCase{"1e30, 0/0", 0x8000000000000000ull, 0}));

TEST(PluginScript, FailedGetSizeKeepsThePreviousValues) {
    ScriptHost host;
    auto script = host.Load("local n = 0\n"
                            "function this:GetSize() n = n + 1 if n > 1 then error('gone') end return 100, 2 end");
    ASSERT_TRUE(script);
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    ASSERT_TRUE(script->GetSize(size, count));
    size = 7;
    count = 7;
    EXPECT_FALSE(script->GetSize(size, count));
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(script->Size(), 100u);
    EXPECT_EQ(script->FileCount(), 2u);

    auto none = host.Load("-- no entry points");
    EXPECT_FALSE(none->GetSize(size, count));
    EXPECT_FALSE(none->Clear());
}

TEST(PluginScript, NamesConvertLikeLuaText) {
    ScriptHost host;
    struct {
        const char* body;
        bool ok;
        const char* name;
    } cases[] = {
        {"function this:GetPluginName() return 'Temp files' end", true, "Temp files"},
        {"function this:GetPluginName() return 42 end", true, "42"},
        {"function this:GetPluginName() return nil end", true, ""},
        {"function this:GetPluginName() return {} end", true, ""},
        {"function this:GetPluginName() error('x') end", false, "before"},
        {"", false, "before"},
    };
    for (const auto& c : cases) {
        auto script = host.Load(c.body);
        ASSERT_TRUE(script) << c.body;
        script->SetName("before");
        std::string name = "before";
        EXPECT_EQ(script->GetPluginName(name), c.ok) << c.body;
        EXPECT_EQ(name, c.name) << c.body;
        EXPECT_EQ(script->Name(), c.name) << c.body;
    }
    auto category = host.Load("function this:GetCategoryName() return 'Browsers' end");
    std::string name;
    EXPECT_TRUE(category->GetCategoryName(name));
    EXPECT_EQ(category->Name(), "Browsers");
}

TEST(PluginScript, IconsConvertToIntegers) {
    ScriptHost host;
    struct {
        const char* body;
        int icon;
    } cases[] = {
        {"function this:GetPluginIcon() return 12 end", 12},
        {"function this:GetPluginIcon() return '7' end", 7},
        {"function this:GetPluginIcon() return 'abc' end", 0},
        {"function this:GetPluginIcon() error('x') end", -1},
        {"", -1},
    };
    for (const auto& c : cases) {
        auto script = host.Load(c.body);
        ASSERT_TRUE(script) << c.body;
        EXPECT_EQ(script->GetPluginIcon(), c.icon) << c.body;
        EXPECT_EQ(script->IconIndex(), c.icon) << c.body;
    }
    auto category = host.Load("function this:GetCategoryIcon() return 3 end");
    EXPECT_EQ(category->GetCategoryIcon(), 3);
}

TEST(PluginScript, OwnHostFunctionReplacementStaysWithItsObject) {
    ScriptHost host;
    const std::string file = host.Dir() / "one.bin";
    qs::test::WriteBytes(file, 1);
    const std::string getSize = "function this:GetSize() return self:GetFileSize([[" + file + "]]), 1 end\n";
    auto own = host.Load("function this:GetFileSize() return '77' end\n" + getSize);
    auto other = host.Load(getSize);
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    ASSERT_TRUE(own->GetSize(size, count));
    EXPECT_EQ(size, 77u);
    ASSERT_TRUE(other->GetSize(size, count));
    EXPECT_EQ(size, qs::test::TempClusterSize());
}

TEST(PluginScript, ClearReportsWhetherTheCallSucceeded) {
    ScriptHost host;
    EXPECT_TRUE(host.Load("function this:Clear() return 'ignored' end")->Clear());
    EXPECT_FALSE(host.Load("function this:Clear() error('no') end")->Clear());
}

// Only a non-empty string says that Clear skipped its job; every other result is a clean, as
// before results were read.
TEST(PluginScript, ClearSkipsOnlyWhenItAnswersAText) {
    const struct {
        const char* returns;
        const char* skipped;
    } cases[] = {
        {"", ""},
        {"return nil", ""},
        {"return true", ""},
        {"return 12", ""},
        {"return ''", ""},
        {"return {}", ""},
        {"return 'Close Viewer first'", "Close Viewer first"},
        {"return 'in use', 'more'", "in use"},
    };
    ScriptHost host;
    for (const auto& c : cases) {
        std::string skipped = "stale";
        EXPECT_TRUE(host.Load(std::string("function this:Clear() ") + c.returns + " end")->Clear(skipped))
            << c.returns;
        EXPECT_EQ(skipped, c.skipped) << c.returns;
    }
    std::string skipped = "stale";
    EXPECT_FALSE(host.Load("function this:Clear() error('no') end")->Clear(skipped));
    EXPECT_EQ(skipped, "");
}

} // namespace

namespace {

// The optional texts: what each kind of answer leaves, including a warning entry point that
// raises or runs past the quick budget, which must still leave a warning.
TEST(PluginScript, WarningAndDescriptionAreOptionalAndAWarningThatFailsStillWarns) {
    struct {
        const char* script;
        std::string warning;
        std::string description;
    } cases[] = {
        {"-- neither", "", ""},
        {"function this:GetPluginWarning() return 'Closes your sessions.' end\n"
         "function this:GetPluginDescription() return 'Cookies of every browser' end",
         "Closes your sessions.", "Cookies of every browser"},
        {"function this:GetPluginWarning() return nil end", "", ""},
        {"function this:GetPluginWarning() return '' end", "", ""},
        {"function this:GetPluginWarning() return 12 end", "12", ""},
        {"function this:GetPluginWarning() return {} end", "", ""},
        {"function this:GetPluginWarning() return 'Line one\\nline two' end", "Line one\nline two", ""},
        {"function this:GetPluginDescription() return 'First line\\r\\nsecond line' end", "", "First line"},
        {"function this:GetPluginDescription() return '\\nhidden' end", "", ""},
        {"function this:GetPluginWarning() error('broken') end", qs::kUnreadableWarning, ""},
        {"function this:GetPluginWarning() while true do end end", qs::kUnreadableWarning, ""},
        {"function this:GetPluginDescription() error('broken') end\n"
         "function this:GetPluginWarning() return 'Careful.' end",
         "Careful.", ""},
        {"this.GetPluginWarning = 'not a function'", "", ""},
    };
    for (const auto& c : cases) {
        ScriptHost host;
        host.Vm().SetQuickBudget(50);
        auto script = host.Load(c.script);
        ASSERT_TRUE(script) << c.script;
        script->ReadPluginTexts();
        EXPECT_EQ(script->Warning(), c.warning) << c.script;
        EXPECT_EQ(script->Description(), c.description) << c.script;
    }
}

} // namespace
