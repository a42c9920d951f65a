// The program's web link: browser link colours from the registry, activation through the opener.
#include "controls/HyperLinkEx.h"

#include "support/HostWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using qs::test::HostWindow;

struct AnchorCase {
    const char* text;
    bool parses;
    COLORREF color;
};

class ParseAnchorColorTest : public ::testing::TestWithParam<AnchorCase> {};

TEST_P(ParseAnchorColorTest, Parses) {
    const AnchorCase& c = GetParam();
    COLORREF color = RGB(9, 9, 9);
    EXPECT_EQ(qs::ParseAnchorColor(c.text, color), c.parses) << c.text;
    EXPECT_EQ(color, c.parses ? c.color : RGB(9, 9, 9)) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseAnchorColorTest,
    ::testing::Values(AnchorCase{"0,0,255", true, RGB(0, 0, 255)}, AnchorCase{"128,0,128", true, RGB(128, 0, 128)},
                      AnchorCase{" 1, 2, 3", true, RGB(1, 2, 3)}, AnchorCase{"1,2,3xyz", true, RGB(1, 2, 3)},
                      AnchorCase{"256,257,511", true, RGB(0, 1, 255)}, AnchorCase{"-1,0,0", true, RGB(255, 0, 0)},
                      AnchorCase{"99999999,0,0", true, RGB(255, 0, 0)}, AnchorCase{"1,2", false, 0},
                      AnchorCase{"1,2,", false, 0}, AnchorCase{"1 ,2,3", false, 0}, AnchorCase{"1;2;3", false, 0},
                      AnchorCase{"", false, 0}, AnchorCase{"red,green,blue", false, 0}));

// The user's browser settings key, with values set for one test and put back afterwards.
class BrowserColors {
public:
    BrowserColors() {
        ::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr);
    }
    ~BrowserColors() {
        ::RegDeleteValueA(m_key, "Anchor Color");
        ::RegDeleteValueA(m_key, "Anchor Color Visited");
        ::RegCloseKey(m_key);
    }
    void Set(const char* name, const std::string& value) {
        ::RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
    }

private:
    static constexpr const char* kKey = "Software\\Microsoft\\Internet Explorer\\Settings";
    HKEY m_key = nullptr;
};

struct LinkFixture {
    LinkFixture() { hwnd = host.AddChild("STATIC", "example.org", SS_LEFT | WS_TABSTOP, RECT{10, 10, 210, 30}, 1035); }
    HostWindow host;
    HWND hwnd = nullptr;
    qs::CHyperLinkEx link;
};

TEST(HyperLinkEx, ColoursComeFromTheBrowserSettingsWhenTheyParse) {
    {
        LinkFixture f;
        f.link.SubclassWindow(f.hwnd);
        EXPECT_EQ(f.link.GetLinkColor(), RGB(0, 0, 255)) << "defaults without settings";
        EXPECT_EQ(f.link.GetVisitedColor(), RGB(128, 0, 128));
    }
    const std::pair<std::string, std::string> cases[] = {
        {"255,0,0", "0,128,0"},         // both parse
        {"1,2", "12,34,"},              // neither has a third number: the defaults stay
        {"0001,0002,0003", "10,20,30"}, // 14 characters do not fit the 12-byte buffer
    };
    const std::pair<COLORREF, COLORREF> expected[] = {
        {RGB(255, 0, 0), RGB(0, 128, 0)}, {RGB(0, 0, 255), RGB(128, 0, 128)}, {RGB(0, 0, 255), RGB(10, 20, 30)}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        BrowserColors settings;
        settings.Set("Anchor Color", cases[i].first);
        settings.Set("Anchor Color Visited", cases[i].second);
        LinkFixture f;
        f.link.SubclassWindow(f.hwnd);
        EXPECT_EQ(f.link.GetLinkColor(), expected[i].first) << cases[i].first;
        EXPECT_EQ(f.link.GetVisitedColor(), expected[i].second) << cases[i].second;
    }
}

std::vector<std::pair<std::string, int>> g_opened;
INT_PTR g_openResult = 42;

INT_PTR RecordingOpener(const char* address, int showCommand) {
    g_opened.emplace_back(address, showCommand);
    return g_openResult;
}

TEST(HyperLinkEx, ClickEnterAndSpaceOpenTheTargetAndTheLinkTurnsVisitedWhateverTheResult) {
    LinkFixture f;
    f.link.SubclassWindow(f.hwnd);
    f.link.SetHyperLink("https://example.org/");
    f.link.SetOpener(&RecordingOpener);
    g_opened.clear();
    g_openResult = 2; // file not found: nothing could open it

    const RECT label = f.link.LabelRect();
    const LPARAM on = MAKELPARAM((label.left + label.right) / 2, (label.top + label.bottom) / 2);
    ::SendMessageA(f.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, on);
    ::SendMessageA(f.hwnd, WM_LBUTTONUP, 0, on);
    EXPECT_TRUE(f.link.IsVisited());

    ::SetFocus(f.hwnd);
    for (WPARAM key : {VK_RETURN, VK_SPACE}) {
        ::PostMessageA(f.hwnd, WM_KEYDOWN, key, 0);
        ::PostMessageA(f.hwnd, WM_KEYUP, key, 0);
        f.host.PumpPending();
    }
    const std::vector<std::pair<std::string, int>> expected(3, {"https://example.org/", SW_SHOWNORMAL});
    EXPECT_EQ(g_opened, expected);
    g_openResult = 42;
}

TEST(HyperLinkEx, WithoutAnOpenerActivationOnlyMarksTheLinkVisited) {
    LinkFixture f;
    f.link.SubclassWindow(f.hwnd);
    EXPECT_FALSE(f.link.IsVisited());
    ::SendMessageA(f.hwnd, WM_CHAR, VK_SPACE, 0);
    EXPECT_TRUE(f.link.IsVisited());
}

} // namespace
