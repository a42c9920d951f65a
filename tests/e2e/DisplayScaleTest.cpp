// The program at the display scale of the prefix it runs in (96, 144 or 192 DPI): the list's row
// height, expand button, check box and icon probed on the screen against their 96-DPI sizes, the
// texts of the main window, progress dialog and about box measured against their controls, and
// screenshots of the three windows for a person to look at.
#include "app/AboutDlg.h"
#include "app/FileVersionInfo.h"
#include "controls/MiniHtmlLayout.h"
#include "e2e/AppHarness.h"
#include "framework/Handle.h"
#include "resource.h"
#include "support/PaintCanvas.h"
#include "support/Spawn.h"
#include "support/TempDir.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace qs;
using e2e::AppFolder;
using e2e::AppProcess;
using e2e::WaitUntil;

// What the list draws at 96 DPI: a 16-pixel row (the menu font's text or a 16-pixel icon), the
// 9-pixel button, the check box's 13-pixel frame inside its 15-pixel image, the 16-pixel icon.
// At 96 DPI they are met exactly: the nearest value within a pixel is the exact one.
constexpr int kRow96 = 16;
constexpr int kButton96 = 9;
constexpr int kBoxFrame96 = 13;
constexpr int kIcon96 = 16;

constexpr COLORREF kLineGrey = RGB(128, 128, 128);
constexpr COLORREF kBoxFrame = RGB(80, 80, 80);

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

// `px96` at `dpi`, unrounded, for the "within a pixel" comparisons.
double Scaled(int px96, int dpi = ScreenDpi()) { return px96 * dpi / 96.0; }

// A size drawn at this scale against its 96-DPI size: the same at 96 DPI, within a pixel of the
// ratio at any other.
void ExpectScaled(int measured, int px96, int dpi = ScreenDpi()) {
    if (dpi == 96)
        EXPECT_EQ(measured, px96);
    else
        EXPECT_NEAR(measured, Scaled(px96, dpi), 1.0);
}

// The folder of the screenshots, as ctest names it (a Unix path); empty when none is named.
std::string ShotFolder() {
    char dir[MAX_PATH] = "";
    const DWORD n = ::GetEnvironmentVariableA("QS_SHOT_DIR", dir, sizeof dir);
    return n > 0 && n < sizeof dir ? dir : "";
}

// The Unix path `path` as this process opens it (Wine shows the Unix root as Z:).
std::string FromUnix(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

// A copy of a rectangle of the display as the X server shows it. Windows of another process are
// not readable through a device context here, so the display's own screenshot tool takes it.
class Shot {
public:
    explicit Shot(const RECT& screen) : m_origin{screen.left, screen.top} {
        m_path = ShotFolder() + "/capture-" + std::to_string(::GetCurrentProcessId()) + ".bmp";
        const int w = screen.right - screen.left, h = screen.bottom - screen.top;
        if (ShotFolder().empty() || w <= 0 || h <= 0)
            return;
        const std::string geometry = std::to_string(w) + "x" + std::to_string(h) + "+" + std::to_string(screen.left) +
                                     "+" + std::to_string(screen.top);
        const std::string file = FromUnix(m_path);
        ::DeleteFileA(file.c_str());
        if (!test::StartUnixProgram(nullptr, "/usr/bin/import -window root -crop " + geometry + " +repage BMP3:" + m_path))
            return;
        // Complete once it holds the header and every row, each padded to 4 bytes.
        const std::size_t size = 54 + ((static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3}) * h;
        WaitUntil([&] { return test::ReadText(file).size() >= size; }, 20000);
        Read(w, h);
    }

    bool Valid() const { return !m_bits.empty(); }

    // A pixel by screen coordinates; black outside.
    COLORREF At(int x, int y) const {
        x -= m_origin.x;
        y -= m_origin.y;
        if (x < 0 || y < 0 || x >= m_w || y >= m_h)
            return 0;
        return m_bits[static_cast<std::size_t>(y) * m_w + x];
    }

    // Kept as <name>-<dpi>.png beside the capture, for a person to look at.
    void Save(const std::string& name) const {
        if (Valid())
            test::StartUnixProgram(nullptr, "/usr/bin/convert " + m_path + " " + ShotFolder() + "/" + name + "-" +
                    std::to_string(ScreenDpi()) + ".png");
    }

private:
    // A 24-bit bottom-up BMP as the tool writes it.
    void Read(int w, int h) {
        const std::string data = test::ReadText(FromUnix(m_path));
        if (data.size() < 54)
            return;
        std::uint32_t offset = 0;
        std::int32_t width = 0, height = 0;
        std::uint16_t bits = 0;
        std::memcpy(&offset, data.data() + 10, 4);
        std::memcpy(&width, data.data() + 18, 4);
        std::memcpy(&height, data.data() + 22, 4);
        std::memcpy(&bits, data.data() + 28, 2);
        if (width != w || height != h || bits != 24) {
            std::printf("screenshot %dx%d, %u bits; %dx%d asked for\n", width, height, bits, w, h);
            return;
        }
        const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
        if (data.size() < offset + stride * h)
            return;
        m_w = w;
        m_h = h;
        m_bits.resize(static_cast<std::size_t>(w) * h);
        for (int y = 0; y < h; ++y) {
            const unsigned char* row =
                reinterpret_cast<const unsigned char*>(data.data()) + offset + stride * (h - 1 - y);
            for (int x = 0; x < w; ++x)
                m_bits[static_cast<std::size_t>(y) * w + x] = RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        }
    }

    POINT m_origin;
    std::string m_path;
    int m_w = 0, m_h = 0;
    std::vector<COLORREF> m_bits;
};

RECT ScreenRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

// Runs of `colour` down the column x from y0 to y1 (end excluded): {start, length} each.
std::vector<std::pair<int, int>> RunsDown(const Shot& shot, int x, int y0, int y1, COLORREF colour) {
    std::vector<std::pair<int, int>> runs;
    for (int y = y0; y < y1; ++y) {
        if (shot.At(x, y) != colour)
            continue;
        if (!runs.empty() && runs.back().first + runs.back().second == y)
            ++runs.back().second;
        else
            runs.push_back({y, 1});
    }
    return runs;
}

// A category with two plugins and a plugin at the top with a folder icon, all checked; the
// category is expanded by the test.
class DisplayScaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.AddCategory("Temp", "Temporary files");
        app.AddPlugin("Temp\\logs.lua", "Logs", "logs");
        hold = app.Data("hold.flag");
        app.AddPlugin("Temp\\dumps.lua", "Dumps", "dumps", hold);
        app.AddFiles("logs", 2, 100);
        test::MakeDirs(app.Data("recent"));
        test::WriteText(app.Scripts("recent.lua"),
                        "function this:GetPluginName() return \"Recent list with a long name that the name "
                        "column shows whole in a wide window\" end\n"
                        "function this:GetPluginIcon() return self:GetIconIndex([[" +
                            app.Data("recent") +
                            "]]) end\n"
                            "function this:GetSize() return 0, 0 end\nfunction this:Clear() end\n");
        app.WriteSettings("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Quillsweep version=\"1\"><general/>"
                          "<selected><plugin>Logs</plugin></selected></Quillsweep>\n");
    }

    AppFolder app;
    std::string hold; // while it holds a byte, a pass waits inside Dumps
};

struct FindChild {
    DWORD pid;
    int childId;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
    auto* find = reinterpret_cast<FindChild*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == find->pid && ::IsWindowVisible(hwnd) && ::GetDlgItem(hwnd, find->childId) != nullptr) {
        find->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A shown top-level window of the process with a child `childId`, or null.
HWND ShownDialogWith(DWORD pid, int childId) {
    FindChild find{pid, childId, nullptr};
    ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

void WaitPainted(HWND window) {
    WaitUntil([window] { return !::GetUpdateRect(window, nullptr, FALSE); }, 5000);
    ::Sleep(300); // the display catches up with what the window drew
}

// What the probes of the list found.
struct ListProbe {
    int row = 0, frame = 0, button = 0, ink = 0;
};

// Probes the list of `quillsweep` laid out for `dpi` in its client area: the rows' height and
// the box's frame from the boxes of the two top-level rows, the button from its left edge, the
// icon from its ink. The screenshot is kept as `name`.
ListProbe ProbeList(AppProcess& quillsweep, int dpi, const std::string& name) {
    ListProbe probe;
    HWND list = quillsweep.Item(IDC_SCRIPTS_LIST);
    WaitPainted(list);
    POINT origin{0, 0};
    ::ClientToScreen(list, &origin);
    RECT client{};
    ::GetClientRect(list, &client);
    const Shot shot(RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
    if (!shot.Valid()) {
        ADD_FAILURE() << "no screenshot tool or folder";
        return probe;
    }
    shot.Save(name);
    const int header = quillsweep.ListHeaderHeight();
    const auto s = [dpi](int px96) { return static_cast<int>(Scaled(px96, dpi) + 0.5); };

    // Both top-level rows have a box at margin + box offset; its frame runs down the column
    // through its middle as a top and a bottom edge per row.
    const int boxX = origin.x + s(8) + s(17) + s(15) / 2;
    const auto edges = RunsDown(shot, boxX, origin.y + header, origin.y + client.bottom, kBoxFrame);
    if (edges.size() < 4) {
        ADD_FAILURE() << "two boxes, two edges each: " << edges.size() << " edges";
        return probe;
    }
    probe.frame = edges[1].first + edges[1].second - edges[0].first;
    probe.row = edges[2].first - edges[0].first;

    // The category's button: its left edge is a solid grey run as high as the button.
    for (const auto& run :
         RunsDown(shot, origin.x + s(8), origin.y + header, origin.y + header + 2 * probe.row, kLineGrey))
        probe.button = std::max(probe.button, run.second);

    // The folder icon of the top-level plugin, after its box: the height of its ink.
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const int iconLeft = origin.x + s(8) + s(17) + s(15) + s(2);
    for (int r = 0; r < 2; ++r) {
        int top = INT_MAX, bottom = -1;
        for (int y = origin.y + header + r * probe.row; y < origin.y + header + (r + 1) * probe.row; ++y)
            for (int x = iconLeft; x < iconLeft + s(kIcon96); ++x)
                if (shot.At(x, y) != window) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        probe.ink = std::max(probe.ink, bottom - top + 1);
    }
    std::printf("%s at %d DPI: row %d, frame %d, button %d, icon ink %d\n", name.c_str(), dpi, probe.row,
                probe.frame, probe.button, probe.ink);
    return probe;
}

// Row, button, box and icon at this scale, held to their 96-DPI sizes.
TEST_F(DisplayScaleTest, RowButtonBoxAndIconScaleWithTheDisplay) {
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(4));
    const ListProbe probe = ProbeList(quillsweep, ScreenDpi(), "list");
    ExpectScaled(probe.frame, kBoxFrame96);
    ExpectScaled(probe.row, kRow96);
    ExpectScaled(probe.button, kButton96);
    // The icon art differs between sizes, so its ink is held to the small-icon size of this
    // scale, which itself scales.
    const int small = ::GetSystemMetrics(SM_CYSMICON);
    ExpectScaled(small, kIcon96);
    EXPECT_LE(probe.ink, small);
    EXPECT_GE(probe.ink, small * 3 / 4);
}

// A window moved to a monitor of 150 % lays itself out again: the list's rows, buttons and
// boxes and the buttons below it grow as they would have at that scale from the start. (Wine
// has one scale for every monitor, so the move's message is sent as the system would send it.)
TEST_F(DisplayScaleTest, AMoveToAMonitorOfAnotherScaleLaysTheWindowOutAgain) {
    if (ScreenDpi() != 96)
        GTEST_SKIP() << "moves from 96 DPI";
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(4));
    HWND main = quillsweep.Main();
    const RECT before = quillsweep.ItemRect(IDC_REFRESH);
    RECT window{};
    ::GetWindowRect(main, &window);
    // The system suggests a rectangle for the new scale, which the window takes first; a message
    // from another process cannot carry it, so the window is given that size beforehand.
    ::SetWindowPos(main, nullptr, window.left, window.top, (window.right - window.left) * 3 / 2,
                   (window.bottom - window.top) * 3 / 2, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageA(main, WM_DPICHANGED, MAKEWPARAM(144, 144), 0);
    const ListProbe probe = ProbeList(quillsweep, 144, "list-moved");
    ExpectScaled(probe.frame, kBoxFrame96, 144);
    ExpectScaled(probe.row, kRow96, 144);
    ExpectScaled(probe.button, kButton96, 144);
    const RECT after = quillsweep.ItemRect(IDC_REFRESH);
    EXPECT_NEAR(after.bottom - after.top, 1.5 * (before.bottom - before.top), 1.0);
    EXPECT_NEAR(after.right - after.left, 1.5 * (before.right - before.left), 1.0);
    WaitPainted(main);
    Shot(ScreenRect(main)).Save("main-moved");
}


} // namespace

namespace {

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void ExpectTextsFit(HWND dialog, HFONT font);

// The height `text` needs when wrapped into `width` in `font`.
int WrappedHeight(HFONT font, const std::string& text, int width, UINT format) {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    RECT r{0, 0, width, 0};
    ::DrawTextA(dc, text.c_str(), -1, &r, format | DT_CALCRECT);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return r.bottom - r.top;
}

int TextWidth(HFONT font, const std::string& text) {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return size.cx;
}

// The main window after its first refresh, the progress dialog inside a pass and the about box,
// captured at this scale; the about box's controls are the template's at this scale.
TEST_F(DisplayScaleTest, MainWindowProgressAndAboutBoxAreCaptured) {
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(4));
    HWND main = quillsweep.Main();
    WaitPainted(main);
    Shot(ScreenRect(main)).Save("main");

    test::WriteBytes(hold, 1);
    quillsweep.MarkStatus();
    quillsweep.PostCommand(ID_REFRESH_ALL);
    ASSERT_TRUE(WaitUntil([&] { return quillsweep.ProgressStatus() == "Now updating: Dumps"; }));
    HWND progress = quillsweep.Progress();
    WaitPainted(progress);
    Shot(ScreenRect(progress)).Save("progress");
    ::DeleteFileA(hold.c_str());
    ASSERT_TRUE(quillsweep.WaitPassEnd());

    quillsweep.PostCommand(ID_APP_ABOUT);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (about = ShownDialogWith(quillsweep.Id(), IDC_MINI_HTML)) != nullptr; }));
    WaitPainted(about);
    Shot(ScreenRect(about)).Save("about");
    // Its texts fit in the dialog font of this scale (the template's, made here), the product
    // text too: drawn into a taller area at the label's width, its last line lies within it.
    HWND own = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUTBOX), nullptr,
                                    QuietDialog, 0);
    ASSERT_NE(own, nullptr);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(own, WM_GETFONT, 0, 0));
    ExpectTextsFit(about, font);
    RECT label{};
    ::GetClientRect(::GetDlgItem(about, IDC_MINI_HTML), &label);
    const std::string html = AppProcess::Text(::GetDlgItem(about, IDC_MINI_HTML));
    test::PaintCanvas canvas(label.right, 3 * label.bottom, RGB(255, 255, 255));
    CMiniHtmlLayout layout;
    layout.DrawHtml(canvas.Dc(), RECT{0, 0, label.right, 3 * label.bottom}, html, RGB(0, 0, 0), RGB(255, 255, 255),
                    font);
    const RECT ink = canvas.InkBounds(canvas.All(), RGB(255, 255, 255));
    EXPECT_GT(ink.bottom, 0);
    EXPECT_LE(ink.bottom, label.bottom) << "the product text needs " << ink.bottom << " of " << label.bottom;
    ::DestroyWindow(own);
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(about); }));
}

// Checks that every fixed text of `dialog` fits its control in `font` at this scale: wrapped
// static texts in their height, button captions beside the drop-down arrow.
void ExpectTextsFit(HWND dialog, HFONT font) {
    const double scale = ScreenDpi() / 96.0;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = "";
        ::GetClassNameA(child, cls, sizeof cls);
        const std::string text = AppProcess::Text(child);
        const LONG style = ::GetWindowLongA(child, GWL_STYLE);
        RECT r{};
        ::GetClientRect(child, &r);
        SCOPED_TRACE(text);
        if (text.empty() || ::GetDlgCtrlID(child) == IDC_MINI_HTML)
            continue;
        if (std::string(cls) == "Static" && (style & SS_TYPEMASK) <= SS_RIGHT) {
            EXPECT_LE(WrappedHeight(font, text, r.right, DT_WORDBREAK), r.bottom);
        } else if (std::string(cls) == "Button") {
            const int id = ::GetDlgCtrlID(child);
            const bool dropDown = id == IDC_REFRESH || id == IDC_SELECT || id == IDC_HELP_BUTTON;
            // The divider and arrow take the right 22 pixels (at 96 DPI) of a drop-down button.
            const int room = r.right - static_cast<int>((dropDown ? 2 * 22 : 2 * 3) * scale);
            EXPECT_LE(TextWidth(font, text), room);
        }
    }
}

// The main window's and the progress dialog's texts fit their controls at this scale.
TEST(DisplayScaleFit, MainWindowAndProgressTextsFitTheirControls) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    for (int id : {IDD_MAINDLG, IDD_PROGRESS}) {
        SCOPED_TRACE(id);
        HWND dialog = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, QuietDialog, 0);
        ASSERT_NE(dialog, nullptr);
        ExpectTextsFit(dialog, reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0)));
        ::DestroyWindow(dialog);
    }
}

} // namespace
