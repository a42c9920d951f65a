// How the scripts list scales with its rows: one full paint with 100,000 rows against the same
// paint with 100, scrolling a page deep in a long list against near its top, and sorting one
// level of 1,000, 10,000 and 100,000 rows (time per n log2 n, relative to 1,000 rows).
// --quick runs fewer repetitions.
#include "controls/FilesTreeSort.h"
#include "app/ScriptsListCtrl.h"
#include "engine/PluginScript.h"

#include <windows.h>
#include <commctrl.h>
#include <mbstring.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

double Now() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The median of `repeat` runs of `run`, in seconds, each after an untimed `setUp`.
double Median(
    int repeat, const std::function<void()>& run, const std::function<void()>& setUp = [] {}) {
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        setUp();
        const double start = Now();
        run();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Medians of `repeat` runs of `a` and of `b`, taken in turns so that both meet the same load of
// the machine.
std::pair<double, double> MedianInTurns(int repeat, const std::function<void()>& a, const std::function<void()>& b) {
    std::vector<double> ta, tb;
    for (int i = 0; i < repeat; ++i) {
        double start = Now();
        a();
        ta.push_back(Now() - start);
        start = Now();
        b();
        tb.push_back(Now() - start);
    }
    std::sort(ta.begin(), ta.end());
    std::sort(tb.begin(), tb.end());
    return {ta[ta.size() / 2], tb[tb.size() / 2]};
}

std::string RandomName() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ ";
    std::string name;
    const int length = 6 + std::rand() % 20;
    for (int i = 0; i < length; ++i)
        name += letters[std::rand() % (sizeof letters - 1)];
    return name;
}

// A scripts list over a hidden list-view, with the program's columns and check boxes, and
// `rows` plugin rows under 10 categories (all expanded) or directly at the top level.
class Bench {
public:
    Bench(int rows, bool flat) {
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
        HWND placeholder = CreateWindowExA(0, WC_LISTVIEWA, "",
                                           WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_SINGLESEL |
                                               LVS_SHOWSELALWAYS | LVS_ALIGNLEFT,
                                           0, 0, 600, 400, parent, reinterpret_cast<HMENU>(1000), nullptr, nullptr);
        list.SubclassWindow(placeholder);
        const RECT client = list.GetClientRect();
        const int w = client.right - client.left;
        list.InsertColumn(0, MulDiv(w, 56, 100), "Name");
        list.InsertColumn(1, MulDiv(w, 22, 100), "Size On Drive");
        list.InsertColumn(2, MulDiv(w, 16, 100), "Files");
        boxes = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(201), 15, 1, RGB(255, 255, 255),
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION);
        list.SetStateImages(boxes, 15, 15);
        qs::CScriptsListCtrl::Node* category = nullptr;
        const int perCategory = flat ? rows : (rows + 9) / 10;
        for (int i = 0; i < rows; ++i) {
            if (!flat && i % perCategory == 0) {
                category = list.InsertItem(Make(), -1, qs::kUnchecked, 1, nullptr);
                list.ToggleExpand(category);
            }
            list.InsertItem(Make(), -1, i % 3 == 0 ? qs::kChecked : qs::kUnchecked, 0, category);
        }
        canvasDc = CreateCompatibleDC(nullptr);
        HDC screen = GetDC(nullptr);
        canvas = CreateCompatibleBitmap(screen, 600, 400);
        ReleaseDC(nullptr, screen);
        old = SelectObject(canvasDc, canvas);
    }
    ~Bench() {
        SelectObject(canvasDc, old);
        DeleteObject(canvas);
        DeleteDC(canvasDc);
        list.DeleteAllItems();
        list.UnsubclassWindow();
        DestroyWindow(parent);
        ImageList_Destroy(boxes);
    }

    // A script for a new row, which owns it; `scripts` keeps a pointer to reach it.
    std::unique_ptr<qs::CPluginScript> Make() {
        auto script = std::make_unique<qs::CPluginScript>(vm);
        script->SetName(RandomName());
        script->SetTotals(static_cast<std::uint64_t>(std::rand()) * 4096, std::rand() % 1000);
        scripts.push_back(script.get());
        return script;
    }
    void Paint() { SendMessageA(list.m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvasDc), PRF_CLIENT); }
    void Scroll(int request, int high = 0) { SendMessageA(list.m_hWnd, WM_VSCROLL, MAKEWPARAM(request, high), 0); }
    int Position() const { return GetScrollPos(list.m_hWnd, SB_VERT); }
    void Reshuffle() {
        for (auto& s : scripts)
            s->SetName(RandomName());
    }

    qs::CLuaVirtualMachine vm;               // never opened: the scripts only carry names and totals
    std::vector<qs::CPluginScript*> scripts; // owned by the rows
    qs::CScriptsModel rows;
    qs::CScriptsListCtrl list{rows};
    HWND parent = nullptr;
    HIMAGELIST boxes = nullptr;
    HDC canvasDc = nullptr;
    HBITMAP canvas = nullptr;
    HGDIOBJ old = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    std::srand(12345);
    const int paints = quick ? 20 : 200;

    // Painting visits the rows of one page, however many there are.
    {
        Bench small(100, false);
        Bench large(100000, false);
        small.Paint();
        large.Paint();
        const auto top = MedianInTurns(
            paints, [&] { small.Paint(); }, [&] { large.Paint(); });
        large.Scroll(SB_BOTTOM);
        const auto bottom = MedianInTurns(
            paints, [&] { small.Paint(); }, [&] { large.Paint(); });
        std::printf("paint, 100 rows:               %8.3f ms\n", top.first * 1e3);
        std::printf("paint, 100,000 rows (top):     %8.3f ms  ratio %.2f (limit 1.20)\n", top.second * 1e3,
                    top.second / top.first);
        std::printf("paint, 100,000 rows (bottom):  %8.3f ms  ratio %.2f\n", bottom.second * 1e3,
                    bottom.second / bottom.first);
    }

    // A page down and back up near the top of one list and 90,000 rows down another: the same
    // single steps from where the list stands.
    {
        Bench nearTop(100000, true);
        Bench deep(100000, true);
        while (deep.Position() < 90000)
            deep.Scroll(SB_PAGEDOWN, 10000);
        const int pages = quick ? 100 : 1000;
        auto pageDownUp = [pages](Bench& b) {
            for (int i = 0; i < pages; ++i) {
                b.Scroll(SB_PAGEDOWN);
                b.Scroll(SB_PAGEUP);
            }
        };
        const auto t = MedianInTurns(
            quick ? 5 : 11, [&] { pageDownUp(nearTop); }, [&] { pageDownUp(deep); });
        std::printf("page down + up at row 0:       %8.3f us per pair\n", t.first / pages * 1e6);
        std::printf("page down + up at row %d:  %8.3f us per pair  ratio %.2f\n", deep.Position(),
                    t.second / pages * 1e6, t.second / t.first);
    }

    // Sorting one level: time and comparisons per n log2 n, relative to 1,000 rows. The
    // comparisons show the algorithm's growth; the time adds the cache misses of reading
    // 100,000 scattered script objects.
    {
        using Node = qs::CScriptsListCtrl::Node;
        const int sizes[] = {1000, 10000, 100000};
        double baseTime = 0;
        for (int n : sizes) {
            Bench level(n, true);
            const int repeat = quick ? 3 : (n >= 100000 ? 5 : 11);
            const double byName = Median(
                repeat, [&] { level.list.SortItems(0, true); }, [&] { level.Reshuffle(); });
            const double bySize = Median(repeat, [&] { level.list.SortItems(1, false); });
            // All sizes equal: the second sort's key pass meets rows already in key order.
            for (auto& s : level.scripts)
                s->SetTotals(0, 0);
            level.list.SortItems(1, true);
            const double equal = Median(repeat, [&] { level.list.SortItems(1, true); });

            // The same two passes by name, counted.
            level.Reshuffle();
            Node* root = level.list.GetRootItem();
            long long comparisons = 0;
            qs::tlx::SortSiblings(root->firstChild, root->lastChild, [&](const Node* a, const Node* b) {
                ++comparisons;
                return a->userData->SortKey() > b->userData->SortKey();
            });
            qs::tlx::SortSiblings(root->firstChild, root->lastChild, [&](const Node* a, const Node* b) {
                ++comparisons;
                return _mbscmp(reinterpret_cast<const unsigned char*>(a->userData->Name().c_str()),
                               reinterpret_cast<const unsigned char*>(b->userData->Name().c_str())) > 0;
            });
            const double nlogn = n * std::log2(static_cast<double>(n));
            if (baseTime == 0)
                baseTime = byName / nlogn;
            std::printf("sort %6d rows: by name %8.2f ms (time per n log n %.2f of 1,000 rows; comparisons "
                        "per n log n %.2f), by size %8.2f ms, all equal %8.2f ms\n",
                        n, byName * 1e3, byName / nlogn / baseTime, comparisons / nlogn, bySize * 1e3, equal * 1e3);
        }
    }
    return 0;
}
