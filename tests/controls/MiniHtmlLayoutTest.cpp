// The markup walk of the mini HTML label without a window: items, styles, fonts, attributes.
#include "controls/MiniHtmlLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace {

using qs::HtmlItem;
using qs::HtmlStyle;

// Fonts as the walk sees them, with a text height that tells the descriptions apart: the LOGFONT
// height (13 for the base font's 0) plus 2 for bold and 1 for italic.
class FakeFontTable : public qs::IHtmlFontTable {
public:
    int FindOrAddFont(const LOGFONTA& lf) override {
        for (std::size_t i = 0; i < fonts.size(); ++i)
            if (std::memcmp(&fonts[i], &lf, sizeof lf) == 0)
                return static_cast<int>(i);
        fonts.push_back(lf);
        return static_cast<int>(fonts.size() - 1);
    }
    LONG TextHeight(int font) const override {
        const LOGFONTA& lf = fonts[static_cast<std::size_t>(font)];
        return (lf.lfHeight != 0 ? std::abs(lf.lfHeight) : 13) + (lf.lfWeight >= FW_BOLD ? 2 : 0) +
               (lf.lfItalic ? 1 : 0);
    }
    std::vector<LOGFONTA> fonts;
};

LOGFONTA BaseFont() {
    LOGFONTA lf{};
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "Tahoma");
    return lf;
}

const COLORREF kText = RGB(1, 2, 3);
const COLORREF kBack = RGB(200, 201, 202);

struct Walked {
    FakeFontTable fonts;
    std::vector<HtmlStyle> styles;
    std::vector<HtmlItem> items;
};

void Walk(const std::string& text, Walked& w) {
    qs::WalkHtml(text, BaseFont(), kText, kBack, w.fonts, w.styles, w.items);
}

std::string Describe(const std::vector<HtmlItem>& items) {
    std::string s;
    for (const HtmlItem& i : items)
        s += "{" + std::to_string(i.kind) + "," + std::to_string(i.length) + "," + std::to_string(i.value) + "}";
    return s;
}

struct WalkCase {
    const char* text;
    const char* items;
};

class WalkHtmlTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkHtmlTest, ItemsCoverTheTextExactly) {
    Walked w;
    Walk(GetParam().text, w);
    EXPECT_EQ(Describe(w.items), GetParam().items) << GetParam().text;
    const int total =
        std::accumulate(w.items.begin(), w.items.end(), 0, [](int sum, const HtmlItem& i) { return sum + i.length; });
    EXPECT_EQ(total, static_cast<int>(std::strlen(GetParam().text)));
    ASSERT_FALSE(w.styles.empty());
    EXPECT_EQ(w.styles[0], (HtmlStyle{0, kText, kBack, qs::kHtmlAlignLeft}));
}

// Kinds: 0 run {bytes, line height so far}, 1 entity {bytes, character}, 2 style switch {bytes,
// style}, 3 line break {bytes, height of the line or 0}. Base font height 13, bold 15.
INSTANTIATE_TEST_SUITE_P(
    Table, WalkHtmlTest,
    ::testing::Values(
        WalkCase{"", "{2,0,0}"}, WalkCase{"abc", "{2,0,0}{0,3,13}"},
        WalkCase{"a<B>b</B>c", "{2,0,0}{0,1,13}{2,3,1}{0,1,15}{2,4,0}{0,1,15}"},
        WalkCase{"a<b>b</b>c", "{2,0,0}{0,1,13}{2,3,1}{0,1,15}{2,4,0}{0,1,15}"},
        WalkCase{"a\nb", "{2,0,0}{0,1,13}{3,1,13}{0,1,13}"},
        WalkCase{"<B>x</B><BR>y<BR><BR>z", "{2,0,0}{2,3,1}{0,1,15}{2,4,0}{3,0,15}{2,4,0}{0,1,13}{3,0,13}{2,4,0}"
                                           "{3,0,0}{2,4,0}{0,1,13}"},
        WalkCase{"&nbsp;&quot;&apos;&amp;&lt;&gt;", "{2,0,0}{1,6,32}{1,6,34}{1,6,39}{1,5,38}{1,4,60}{1,4,62}"},
        WalkCase{"a&amp;b", "{2,0,0}{0,1,13}{1,5,38}{0,1,13}"},
        // Entities count only as written, in lower case.
        WalkCase{"&NBSP;", "{2,0,0}{0,6,13}"},
        // A stray "&" is an ordinary character of the run around it, wherever it stands.
        WalkCase{"a & b", "{2,0,0}{0,5,13}"}, WalkCase{"&", "{2,0,0}{0,1,13}"}, WalkCase{"x&am", "{2,0,0}{0,4,13}"},
        // Unknown tags switch to the style in force; a tag without ">" runs to the end.
        WalkCase{"<P>x", "{2,0,0}{2,3,0}{0,1,13}"}, WalkCase{"<xyz attr=1>", "{2,0,0}{2,12,0}"},
        WalkCase{"<B", "{2,0,0}{2,2,1}"}, WalkCase{"a<", "{2,0,0}{0,1,13}{2,1,0}"}, WalkCase{"<>", "{2,0,0}{2,2,0}"},
        // Names longer than 15 bytes match nothing.
        WalkCase{"<BBBBBBBBBBBBBBBB>x", "{2,0,0}{2,18,0}{0,1,13}"},
        // Closing tags with nothing open change nothing.
        WalkCase{"</FONT>x</DIV>y", "{2,0,0}{2,7,0}{0,1,13}{2,6,0}{0,1,13}"},
        WalkCase{"<FONT COLOR=\"#FF0000\">r</FONT>k", "{2,0,0}{2,22,1}{0,1,13}{2,7,0}{0,1,13}"},
        WalkCase{"<font size=7>x</font>y", "{2,0,0}{2,13,1}{0,1,72}{2,7,0}{0,1,72}"},
        WalkCase{"<I>x\ny", "{2,0,0}{2,3,1}{0,1,14}{3,1,14}{0,1,14}"}));

TEST(WalkHtml, FontAndDivRestoreTheStyleInForceBeforeThem) {
    Walked w;
    Walk("<B><FONT COLOR=#FF0000 SIZE=1 FACE='courier new'>r</FONT>b<DIV ALIGN=RIGHT>w</DIV>x", w);
    // items: base, <B>, <FONT>, r, </FONT>, b, <DIV>, w, </DIV>, x
    ASSERT_EQ(w.items.size(), 10u);
    const HtmlStyle& bold = w.styles[static_cast<std::size_t>(w.items[1].value)];
    const HtmlStyle& red = w.styles[static_cast<std::size_t>(w.items[2].value)];
    EXPECT_EQ(red.textColor, RGB(255, 0, 0));
    const LOGFONTA& redFont = w.fonts.fonts[static_cast<std::size_t>(red.font)];
    EXPECT_EQ(redFont.lfHeight, 15);
    EXPECT_EQ(redFont.lfWeight, FW_BOLD);
    EXPECT_STREQ(redFont.lfFaceName, "COURIER NEW"); // values arrive upper-cased
    EXPECT_EQ(w.items[4].value, w.items[1].value) << "after </FONT>: the bold style again";
    const HtmlStyle& right = w.styles[static_cast<std::size_t>(w.items[6].value)];
    EXPECT_EQ(right.align, qs::kHtmlAlignRight);
    EXPECT_EQ(right.font, bold.font);
    EXPECT_EQ(w.items[8].value, w.items[1].value) << "after </DIV>: left-aligned again";
}

TEST(WalkHtml, FontsAndStylesAreShared) {
    Walked w;
    Walk("<B>a</B>b<B>c</B><FONT SIZE=3>d</FONT><FONT SIZE=9>e</FONT><DIV ALIGN=JUSTIFY>f</DIV>", w);
    EXPECT_EQ(w.fonts.fonts.size(), 3u); // base, bold, height 24 (sizes 3 and 9 alike)
    EXPECT_EQ(w.styles.size(), 3u);      // an unknown ALIGN leaves the alignment as it was
}

TEST(WalkHtml, LongFaceNamesAndAttributeTextAreCut) {
    Walked w;
    const std::string face(40, 'F');
    Walk("<FONT FACE=" + face + ">x", w);
    EXPECT_EQ(std::string(w.fonts.fonts.back().lfFaceName), std::string(31, 'F'));

    // Only the first 126 bytes of a tag's attributes are read.
    Walk("<FONT" + std::string(120, ' ') + " COLOR=#FF0000>x", w);
    EXPECT_EQ(w.styles[static_cast<std::size_t>(w.items[1].value)].textColor, RGB(0, 0, 0));
}

TEST(WalkHtml, MultibyteCharactersStayWhole) {
    Walked w;
    // Whatever the code page, a run of non-ASCII bytes is one run covering every byte.
    Walk("\xC3\xA9t\xC3\xA9<B>x", w);
    EXPECT_EQ(Describe(w.items), "{2,0,0}{0,5,13}{2,3,1}{0,1,15}");
}

struct AttributeCase {
    const char* attributes;
    const char* name;
    bool present;
    const char* value;
};

class ReadHtmlAttributeTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(ReadHtmlAttributeTest, Reads) {
    const AttributeCase& c = GetParam();
    std::string value = "junk";
    EXPECT_EQ(qs::ReadHtmlAttribute(c.attributes, c.name, value), c.present) << c.attributes;
    EXPECT_EQ(value, c.value) << c.attributes;
}

INSTANTIATE_TEST_SUITE_P(Table, ReadHtmlAttributeTest,
                         ::testing::Values(AttributeCase{" COLOR=RED", " COLOR", true, "RED"},
                                           AttributeCase{" COLOR = \"#FF0000\"", " COLOR", true, "#FF0000"},
                                           AttributeCase{" COLOR='A B' SIZE=2", " COLOR", true, "A B"},
                                           AttributeCase{" COLOR=\"#FF", " COLOR", true, "#FF"},
                                           AttributeCase{" COLOR", " COLOR", true, ""},
                                           AttributeCase{" COLOR SIZE=3", " COLOR", true, ""},
                                           AttributeCase{" COLOR SIZE=3", " SIZE", true, "3"},
                                           AttributeCase{" SIZE=3", " COLOR", false, ""},
                                           AttributeCase{"COLOR=RED", " COLOR", false, ""},
                                           AttributeCase{" FACE=ARIAL BLACK", " FACE", true, "ARIAL"},
                                           AttributeCase{" COLOR=#12-AB!X", " COLOR", true, "#12-AB"},
                                           AttributeCase{" SIZE=+2", " SIZE", true, ""},
                                           AttributeCase{" COLOR=1 COLOR=2", " COLOR", true, "1"},
                                           AttributeCase{" COLOR=", " COLOR", true, ""}));

TEST(ParseHtmlColor, Table) {
    EXPECT_EQ(qs::ParseHtmlColor("#FF0000"), RGB(255, 0, 0));
    EXPECT_EQ(qs::ParseHtmlColor("#00FF00"), RGB(0, 255, 0));
    EXPECT_EQ(qs::ParseHtmlColor("#0000FF"), RGB(0, 0, 255));
    EXPECT_EQ(qs::ParseHtmlColor("#123"), RGB(0, 0x01, 0x23));
    EXPECT_EQ(qs::ParseHtmlColor("#12G456"), RGB(0, 0, 0x12));
    EXPECT_EQ(qs::ParseHtmlColor("#"), RGB(0, 0, 0));
    EXPECT_EQ(qs::ParseHtmlColor("#XYZ"), RGB(0, 0, 0));
    EXPECT_EQ(qs::ParseHtmlColor("RED"), RGB(0, 0, 0));
    EXPECT_EQ(qs::ParseHtmlColor(""), RGB(0, 0, 0));
    EXPECT_EQ(qs::ParseHtmlColor("WINDOW"), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(qs::ParseHtmlColor("WINDOWTEXT"), ::GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(qs::ParseHtmlColor("BUTTONFACE"), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(qs::ParseHtmlColor("BUTTONTEXT"), ::GetSysColor(COLOR_BTNTEXT));
}

TEST(HtmlSizeToHeight, Table) {
    const std::pair<const char*, LONG> cases[] = {{"1", 15}, {"2", 20}, {"3", 24}, {"4", 27}, {"5", 36},
                                                  {"6", 48}, {"7", 72}, {"0", 24}, {"9", 24}, {"-1", 24},
                                                  {"X", 24}, {"", 24},  {"4X", 27}};
    for (const auto& [value, height] : cases)
        EXPECT_EQ(qs::HtmlSizeToHeight(value), height) << value;
}

TEST(HtmlTextHash, BytesCountSignedAndTheSumWraps) {
    EXPECT_EQ(qs::HtmlTextHash("", 0), 0u);
    EXPECT_EQ(qs::HtmlTextHash("A", 1), 65u);
    EXPECT_EQ(qs::HtmlTextHash("AB", 2), 2211u);
    EXPECT_EQ(qs::HtmlTextHash("\xFF", 1), 0xFFFFFFFFu);
    EXPECT_EQ(qs::HtmlTextHash("\x80"
                               "A",
                               2),
              0xFFFFEFC1u);
    EXPECT_EQ(qs::HtmlTextHash("Quillsweep", 10), 0xE91AA4ABu);
}

} // namespace
