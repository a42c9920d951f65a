// The mini HTML label painted into a memory bitmap: lines, bold, alignment, wrapping, caching.
#include "controls/MiniHtmlCtrl.h"

#include "support/HostWindow.h"
#include "support/PaintCanvas.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qs::test::HostWindow;
using qs::test::InkBand;
using qs::test::PaintCanvas;

// A label of the given client size on a host window, with the host's font.
struct Label {
    Label(int width, int height) {
        hwnd = host.AddChild("STATIC", "", SS_LEFT, RECT{10, 10, 10 + width, 10 + height}, 1028);
        ctrl.SubclassWindow(hwnd);
    }
    // Sets the markup and paints the label into a fresh canvas of its size.
    void Paint(const std::string& markup, PaintCanvas& canvas) {
        ::SetWindowTextA(hwnd, markup.c_str());
        Print(canvas);
    }
    void Print(PaintCanvas& canvas) {
        canvas.Fill(RGB(255, 0, 255));
        ::SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    }
    LONG TextWidth(const std::string& text, LONG weight = FW_NORMAL) const {
        LOGFONTA lf{};
        ::GetObjectA(host.Font(), sizeof lf, &lf);
        lf.lfWeight = weight;
        HFONT font = ::CreateFontIndirectA(&lf);
        HDC dc = ::GetDC(hwnd);
        HGDIOBJ old = ::SelectObject(dc, font);
        SIZE size{};
        ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(hwnd, dc);
        ::DeleteObject(font);
        return size.cx;
    }

    HostWindow host{700, 300};
    HWND hwnd = nullptr;
    qs::CMiniHtmlCtrl ctrl;
};

const COLORREF kFace = ::GetSysColor(COLOR_BTNFACE);

TEST(MiniHtmlCtrl, AboutBoxLinesBoldFirstThenAnEmptyLineOfTheLetterX) {
    Label label(300, 120);
    PaintCanvas canvas(300, 120);
    label.Paint("<B>WWWWWW</B><BR>WWWWWW<BR>WWWWWW<BR><BR>WWWWWW", canvas);

    const std::vector<InkBand> bands = canvas.InkBands(canvas.All(), kFace);
    ASSERT_EQ(bands.size(), 4u);
    const auto& fonts = label.ctrl.Layout().Fonts();
    ASSERT_EQ(fonts.size(), 2u); // the control's font and its bold copy
    const LONG normal = fonts[0].metrics.tmHeight, bold = fonts[1].metrics.tmHeight;
    EXPECT_NEAR(bands[1].top - bands[0].top, bold, 1);
    EXPECT_EQ(bands[2].top - bands[1].top, normal);

    // The empty line is as high as the letter X in the control's font.
    SIZE x{};
    HDC dc = ::GetDC(label.hwnd);
    HGDIOBJ old = ::SelectObject(dc, label.host.Font());
    ::GetTextExtentPoint32A(dc, "X", 1, &x);
    ::SelectObject(dc, old);
    ::ReleaseDC(label.hwnd, dc);
    EXPECT_EQ(bands[3].top - bands[2].top, normal + x.cy);

    for (const InkBand& band : bands)
        EXPECT_LE(canvas.InkBounds(RECT{0, band.top, 300, band.bottom}, kFace).left, 1) << "starts at the left edge";
    const int boldInk = canvas.CountInk(RECT{0, bands[0].top, 300, bands[0].bottom}, kFace);
    const int normalInk = canvas.CountInk(RECT{0, bands[1].top, 300, bands[1].bottom}, kFace);
    EXPECT_GT(boldInk, normalInk + normalInk / 10) << "the first line is bold";
}

TEST(MiniHtmlCtrl, RightAlignedWordSitsAtTheRightEdgeAndLeftAlignmentComesBack) {
    for (const char* markup : {"<DIV ALIGN=RIGHT>WWW</DIV><BR>WWW", "<div align='right'>WWW</div><br>WWW"}) {
        Label label(240, 60);
        PaintCanvas canvas(240, 60);
        label.Paint(markup, canvas);
        const std::vector<InkBand> bands = canvas.InkBands(canvas.All(), kFace);
        ASSERT_EQ(bands.size(), 2u) << markup;
        const RECT right = canvas.InkBounds(RECT{0, bands[0].top, 240, bands[0].bottom}, kFace);
        EXPECT_GE(right.right, 238) << markup;
        EXPECT_GT(right.left, 120) << markup;
        EXPECT_LE(canvas.InkBounds(RECT{0, bands[1].top, 240, bands[1].bottom}, kFace).left, 1) << markup;
    }
}

TEST(MiniHtmlCtrl, ParagraphWrapsAtBlanksOntoThreeLines) {
    const std::string paragraph =
        "one two three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen sixteen";
    Label probe(10, 10);
    const LONG width = probe.TextWidth(paragraph) * 10 / 26;
    Label label(width, 100);
    PaintCanvas canvas(width, 100);
    label.Paint(paragraph, canvas);
    const std::vector<InkBand> bands = canvas.InkBands(canvas.All(), kFace);
    EXPECT_EQ(bands.size(), 3u);
    EXPECT_LT(canvas.InkBounds(canvas.All(), kFace).right, width) << "no word is cut at the edge";
}

TEST(MiniHtmlCtrl, WordWiderThanTheLineIsClippedOnItsOwnLineAndTheRestWraps) {
    Label label(60, 60);
    PaintCanvas canvas(60, 60);
    label.Paint("Supercalifragilisticexpialidocious tail", canvas);
    const std::vector<InkBand> bands = canvas.InkBands(canvas.All(), kFace);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(canvas.InkBounds(RECT{0, bands[0].top, 60, bands[0].bottom}, kFace).right, 60) << "clipped";
}

TEST(MiniHtmlCtrl, RunThatDoesNotFitAfterItsLineStartsANewLineInsteadOfBeingCut) {
    const std::string markup = "aaaa <B>BOLDWORD</B> tail of the text";
    Label probe(10, 10);
    const LONG width = probe.TextWidth("aaaa ") + probe.TextWidth("BOLDWORD", FW_BOLD) - 4;
    ASSERT_GT(width, probe.TextWidth("BOLDWORD", FW_BOLD));

    Label wide(600, 60), narrow(width, 60);
    PaintCanvas oneLine(600, 60), wrapped(width, 60);
    wide.Paint(markup, oneLine);
    narrow.Paint(markup, wrapped);
    EXPECT_GE(wrapped.InkBands(wrapped.All(), kFace).size(), 2u);
    EXPECT_EQ(wrapped.CountInk(wrapped.All(), kFace), oneLine.CountInk(oneLine.All(), kFace)) << "nothing lost";
}

TEST(MiniHtmlCtrl, SettingTheTextRepaintsAndUnchangedInputsAreNotLaidOutAgain) {
    Label label(200, 40);
    PaintCanvas canvas(200, 40);
    ::SetWindowTextA(label.hwnd, "<B>a</B> b");
    EXPECT_FALSE(::GetUpdateRect(label.hwnd, nullptr, FALSE)) << "painted at once";
    label.Print(canvas);
    const int layouts = label.ctrl.Layout().LayoutCount();
    const HFONT bold = label.ctrl.Layout().Fonts().at(1).font.Get();
    label.Print(canvas);
    label.Print(canvas);
    EXPECT_EQ(label.ctrl.Layout().LayoutCount(), layouts);
    EXPECT_EQ(label.ctrl.Layout().Fonts().at(1).font.Get(), bold) << "no new fonts";

    ::SetWindowPos(label.hwnd, nullptr, 0, 0, 150, 40, SWP_NOMOVE | SWP_NOZORDER);
    label.Print(canvas);
    EXPECT_EQ(label.ctrl.Layout().LayoutCount(), layouts + 1) << "a new size lays out again";
}

} // namespace
