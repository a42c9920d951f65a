// The scripts list: cell texts and icons of plugin script rows, header clicks sorting one level
// from the focused row, ties settled by the scripts' keys, and names cut with an ellipsis.
#include "app/ScriptsListCtrl.h"
#include "app/WarningText.h"

#include "controls/TreeListHost.h"
#include "engine/PluginScript.h"
#include "framework/ByteSize.h"
#include "support/ScriptHost.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <algorithm>
#include <memory>
#include <iterator>
#include <set>
#include <vector>

namespace {

using qs::CPluginScript;
using qs::kChecked;
using qs::kUnchecked;
using qs::test::ClickHeader;
using qs::test::PaintCanvas;
using qs::test::TreeListHost;

// The scripts list with a model of its own, which goes after it.
class ScriptsList : private qs::test::ModelHolder<qs::CScriptsModel>, public qs::CScriptsListCtrl {
public:
    ScriptsList() : CScriptsListCtrl(ownModel) {}
    using CScriptsListCtrl::focus;
    using CScriptsListCtrl::headerHeight;
    using CScriptsListCtrl::rowHeight;
    using CScriptsListCtrl::sortAscending;
    using CScriptsListCtrl::sortColumn;
    using CScriptsListCtrl::topIndex;
};
using Node = ScriptsList::Node;

// Script objects made without running any script (the machine is never opened). The machine
// must outlive the rows that own them.
class Scripts {
public:
    std::unique_ptr<CPluginScript> Make(const std::string& name, std::uint64_t size = 0, std::uint32_t count = 0) {
        auto script = std::make_unique<CPluginScript>(vm);
        script->SetName(name);
        script->SetTotals(size, count);
        return script;
    }
    qs::CLuaVirtualMachine vm;
};

std::string SystemSize(std::uint64_t bytes) {
    char text[100] = {};
    StrFormatByteSize64A(static_cast<LONGLONG>(bytes), text, sizeof text);
    return text;
}

TEST(ScriptsListCtrl, CellTextsAndIcons) {
    Scripts scripts;
    qs::test::ScriptHost host;
    ScriptsList list;
    Node* fresh = list.InsertItem(scripts.Make("Temporary Files"), 3, kUnchecked, 0, nullptr);
    Node* measured = list.InsertItem(scripts.Make("Recycle Bin", 1536, 4294967295u), 3, kUnchecked, 0, nullptr);
    Node* bare = list.InsertItem(nullptr, 3, kUnchecked, 0, nullptr);
    struct Cell {
        Node* row;
        int column;
        std::string text;
    };
    const Cell cells[] = {
        {fresh, 0, "Temporary Files"},
        {fresh, 1, SystemSize(0)},
        {fresh, 2, "0"},
        {measured, 1, "1.50 KB"},
        {measured, 2, "4294967295"},
        {measured, 3, ""},
        {bare, 0, ""},
        {bare, 1, ""},
        {nullptr, 0, ""},
    };
    for (const Cell& c : cells) {
        std::string text;
        list.GetItemText(c.row, c.column, text);
        EXPECT_EQ(text, c.text) << "column " << c.column;
    }
    EXPECT_EQ(qs::FormatByteSize(123456789), SystemSize(123456789));

    // The icon is the script's; a row without a script has none.
    EXPECT_EQ(list.GetItemImage(fresh), -1);
    EXPECT_EQ(list.GetItemImage(bare), -1);
    EXPECT_EQ(list.GetItemImage(nullptr), -1);
    auto script = host.Load("function this:GetPluginIcon() return 7 end");
    ASSERT_TRUE(script);
    script->GetPluginIcon();
    EXPECT_EQ(list.GetItemImage(list.InsertItem(std::move(script), -1, kUnchecked, 0, nullptr)), 7);
}

// Categories B (300 bytes, 3 files), A (100, 9) and C (200, 1), each with plugins, expanded.
class ScriptsSortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(list.SubclassWindow(host.list));
        list.InsertColumn(0, 200, "Name");
        list.InsertColumn(1, 80, "Size On Drive");
        list.InsertColumn(2, 60, "Files");
        checkBoxes = qs::test::LoadCheckBoxImages();
        list.SetStateImages(checkBoxes, 15, 15);
        b = Category("Cat B", 300, 3, {{"p-b2", 200, 2}, {"p-b1", 100, 1}});
        a = Category("Cat A", 100, 9, {{"p-a3", 10, 5}, {"p-a1", 30, 1}, {"p-a2", 20, 3}});
        c = Category("Cat C", 200, 1, {{"p-c2", 5, 1}, {"p-c1", 7, 0}});
    }
    void TearDown() override {
        list.UnsubclassWindow();
        ImageList_Destroy(checkBoxes);
    }

    struct Plugin {
        const char* name;
        std::uint64_t size;
        std::uint32_t count;
    };
    Node* Category(const char* name, std::uint64_t size, std::uint32_t count, std::vector<Plugin> plugins) {
        Node* cat = list.InsertItem(scripts.Make(name, size, count), -1, kUnchecked, 1, nullptr);
        for (const Plugin& p : plugins)
            list.InsertItem(scripts.Make(p.name, p.size, p.count), -1, kUnchecked, 0, cat);
        list.ToggleExpand(cat);
        return cat;
    }
    // Names level by level: "Cat A(p-a3 p-a1 p-a2) ...".
    std::string Names() const {
        std::string out;
        for (const Node* cat = list.GetRootItem()->firstChild; cat != nullptr; cat = cat->nextSibling) {
            out += (out.empty() ? "" : " ") + cat->userData->Name() + "(";
            for (const Node* p = cat->firstChild; p != nullptr; p = p->nextSibling)
                out += (p == cat->firstChild ? "" : " ") + p->userData->Name();
            out += ")";
        }
        return out;
    }
    Node* Find(const std::string& name) {
        for (Node* n = list.GetRootItem()->firstChild; n != nullptr; n = n->NextVisible(false))
            if (n->userData->Name() == name)
                return n;
        return nullptr;
    }
    void ClickRow(const Node* row) {
        int position = 0;
        for (Node* n = list.GetRootItem()->firstChild; n != row; n = n->NextVisible(false))
            ++position;
        const int y = list.headerHeight + position * static_cast<int>(list.rowHeight) + 2;
        SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, y));
    }

    TreeListHost host{360, 260};
    Scripts scripts;
    ScriptsList list;
    Node *a = nullptr, *b = nullptr, *c = nullptr;
    HIMAGELIST checkBoxes = nullptr;
};

TEST_F(ScriptsSortTest, WithoutFocusHeaderClicksSortTheCategoriesOnly) {
    HWND header = GetWindow(host.list, GW_CHILD);
    ClickHeader(header, 1);
    EXPECT_EQ(Names(), "Cat A(p-a3 p-a1 p-a2) Cat C(p-c2 p-c1) Cat B(p-b2 p-b1)");
    EXPECT_EQ(list.sortColumn, 1);
    EXPECT_EQ(list.sortAscending, 1);
    ClickHeader(header, 1);
    EXPECT_EQ(Names(), "Cat B(p-b2 p-b1) Cat C(p-c2 p-c1) Cat A(p-a3 p-a1 p-a2)");
    EXPECT_EQ(list.sortAscending, 0);
    ClickHeader(header, 2);
    EXPECT_EQ(Names(), "Cat C(p-c2 p-c1) Cat B(p-b2 p-b1) Cat A(p-a3 p-a1 p-a2)");
    ClickHeader(header, 0);
    EXPECT_EQ(Names(), "Cat A(p-a3 p-a1 p-a2) Cat B(p-b2 p-b1) Cat C(p-c2 p-c1)");
    EXPECT_EQ(list.topIndex, 0u);
}

TEST_F(ScriptsSortTest, FocusedPluginSortsItsCategoryAndTheLaterOnes) {
    HWND header = GetWindow(host.list, GW_CHILD);
    UpdateWindow(host.list);      // the press hits rows by position after a paint
    Node* focused = Find("p-a1"); // in the second category
    list.SetCheck(Find("p-a3"), kChecked, true, true);
    list.ToggleExpand(c); // collapsed rows travel collapsed
    ClickRow(focused);
    ASSERT_EQ(list.focus, focused);
    ClickHeader(header, 0);
    EXPECT_EQ(Names(), "Cat B(p-b2 p-b1) Cat A(p-a1 p-a2 p-a3) Cat C(p-c1 p-c2)");
    // The focus stays at its position, which now shows another plugin.
    EXPECT_EQ(list.focus, focused);
    EXPECT_EQ(focused->userData->Name(), "p-a2");
    Node* checked = Find("p-a3");
    EXPECT_EQ(checked->checkState, kChecked);
    EXPECT_EQ(a->lastChild, checked);
    EXPECT_EQ(a->firstChild->checkState, kUnchecked);
    qs::test::SaveShot(host.list, "scripts-list-sorted-by-name");

    // A top-level category focused: its level is the top level.
    ClickRow(b);
    ClickHeader(header, 1);
    ClickHeader(header, 1); // descending
    EXPECT_EQ(Names(), "Cat B(p-b2 p-b1) Cat C(p-c1 p-c2) Cat A(p-a1 p-a2 p-a3)");
    // Cat C now sits in the second position, with its collapsed state and its plugins.
    EXPECT_EQ(a->userData->Name(), "Cat C");
    EXPECT_EQ(a->expanded, 0);
    EXPECT_EQ(a->firstChild->userData->Name(), "p-c1");
    EXPECT_EQ(a->firstChild->parent, a);
    EXPECT_EQ(b->expanded, 1);
}

// Puts the top-level rows of `list` into the order of `scripts` by exchanging payloads, as if
// they had been inserted so.
void Arrange(ScriptsList& list, const std::vector<CPluginScript*>& scripts) {
    Node* at = list.GetRootItem()->firstChild;
    for (CPluginScript* wanted : scripts) {
        Node* holder = at;
        while (holder != nullptr && holder->userData.get() != wanted)
            holder = holder->nextSibling;
        ASSERT_NE(holder, nullptr);
        at->SwapContents(holder);
        at = at->nextSibling;
    }
}

TEST(ScriptsListCtrlTies, EqualRowsEndInTheSameOrderWhateverTheirOrderBefore) {
    Scripts scripts;
    ScriptsList list;
    std::vector<CPluginScript*> rows;
    std::set<int> keys;
    while (rows.size() < 6) {
        auto s = scripts.Make(rows.size() < 3 ? "same" : "other", 42, 1);
        if (keys.insert(s->SortKey()).second) { // the outcome is fixed when the keys differ
            rows.push_back(s.get());
            list.InsertItem(std::move(s), -1, kUnchecked, 0, nullptr);
        }
    }
    std::vector<CPluginScript*> first;
    for (int round = 0; round < 4; ++round) {
        Arrange(list, rows);
        for (int column : {0, 1, 2}) {
            EXPECT_TRUE(list.SortItems(column, round % 2 == 0));
            std::vector<CPluginScript*> order;
            for (Node* n = list.GetRootItem()->firstChild; n != nullptr; n = n->nextSibling)
                order.push_back(n->userData.get());
            if (round == 0 && column == 0)
                first = order;
            if (column == 0 && round % 2 == 0) {
                EXPECT_EQ(order, first) << "round " << round;
            }
        }
        EXPECT_TRUE(list.SortItems(7, true)); // no such column: nothing sorted, still true
        std::rotate(rows.begin(), rows.begin() + 1, rows.end());
    }
}

TEST(ScriptsListCtrlDraw, LongNamesEndInAnEllipsisInsideTheirColumn) {
    TreeListHost host(360, 120);
    Scripts scripts;
    ScriptsList list;
    ASSERT_TRUE(list.SubclassWindow(host.list));
    list.InsertColumn(0, 150, "Name");
    list.InsertColumn(1, 80, "Size On Drive");
    list.InsertColumn(2, 60, "Files");
    list.InsertItem(scripts.Make(std::string(60, 'W') + " and the end", 1536, 12), -1, kUnchecked, 0, nullptr);
    list.InsertItem(scripts.Make("Cookies & Cache"), -1, kUnchecked, 0, nullptr);
    PaintCanvas canvas(360, 120);
    qs::test::RenderClient(host.list, canvas);
    qs::test::SaveShot(host.list, "scripts-list-ellipsis");
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const int top = list.headerHeight, bottom = top + static_cast<int>(list.rowHeight);
    auto inkIn = [&](int left, int right, int rowTop, int rowBottom) {
        int ink = 0;
        for (int x = left; x < right; ++x)
            for (int y = rowTop; y < rowBottom; ++y)
                ink += canvas.Pixel(x, y) != window;
        return ink;
    };
    EXPECT_GT(inkIn(140, 150, top, bottom), 0) << "the text runs up to the edge";
    EXPECT_EQ(inkIn(150, 152, top, bottom), 0) << "and stops there";
    EXPECT_GT(inkIn(152, 200, top, bottom), 0) << "the size column";

    // The name is drawn as the script gives it: "&" is a character, not a mnemonic.
    PaintCanvas reference(360, 120);
    reference.Fill(window);
    RECT cell{8 + 17 + 2, 0, 150, static_cast<int>(list.rowHeight)};
    ::SetBkMode(reference.Dc(), TRANSPARENT);
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = 340;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &ncm, 0);
    HFONT font = CreateFontIndirectA(&ncm.lfMenuFont);
    HGDIOBJ old = SelectObject(reference.Dc(), font);
    DrawTextA(reference.Dc(), "Cookies & Cache", -1, &cell, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(reference.Dc(), old);
    DeleteObject(font);
    int differ = 0;
    for (int x = cell.left; x < 150; ++x)
        for (int y = 0; y < cell.bottom; ++y)
            differ += (canvas.Pixel(x, bottom + y) != window) != (reference.Pixel(x, y) != window);
    EXPECT_EQ(differ, 0);
}

} // namespace

namespace {

// The list's tooltip, found among the thread's windows: a popup, owned by the list's top-level
// window.
HWND TipOf(HWND list) {
    struct Find {
        HWND list, tip;
    } find{list, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) {
            auto* f = reinterpret_cast<Find*>(param);
            char cls[64] = "";
            GetClassNameA(hwnd, cls, sizeof cls);
            if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0 && GetWindow(hwnd, GW_OWNER) == GetAncestor(f->list, GA_ROOT) &&
                IsWindow(f->list))
                f->tip = hwnd;
            return f->tip == nullptr ? TRUE : FALSE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.tip;
}

// The mouse over each row asks for that row's description and warning as its tooltip; input
// that moves the focus tells the parent which row has it.
TEST(ScriptsListCtrlTips, EachRowUnderTheMouseGivesItsDescriptionAndWarning) {
    TreeListHost host(360, 120);
    qs::test::ScriptHost scripts;
    ScriptsList list;
    ASSERT_TRUE(list.SubclassWindow(host.list));
    list.InsertColumn(0, 200, "Name");
    const struct {
        const char* lua;
        std::string tip;
    } rows[] = {
        {"", ""},
        {"function this:GetPluginDescription() return 'Browser cookies' end", "Browser cookies"},
        {"function this:GetPluginWarning() return 'Signs you out.' end\n"
         "function this:GetPluginDescription() return 'Sessions' end",
         "Sessions\r\n\r\nWarning: Signs you out."},
        {"function this:GetPluginWarning() return 'Slow to rebuild.' end", "Warning: Slow to rebuild."},
    };
    std::vector<Node*> nodes;
    for (const auto& r : rows) {
        auto script = scripts.Load(r.lua);
        ASSERT_TRUE(script);
        script->SetName("row");
        script->ReadPluginTexts();
        nodes.push_back(list.InsertItem(std::move(script), -1, kUnchecked, 0, nullptr));
    }
    host.Pump();
    const HWND tip = TipOf(host.list);
    ASSERT_NE(tip, nullptr);
    const auto askTip = [&](int row, UINT code) {
        const int y = list.headerHeight + row * static_cast<int>(list.rowHeight) + 2;
        SendMessageA(host.list, WM_MOUSEMOVE, 0, MAKELPARAM(40, y));
        if (code == TTN_GETDISPINFOA) {
            NMTTDISPINFOA info{};
            info.hdr.hwndFrom = tip;
            info.hdr.code = TTN_GETDISPINFOA;
            SendMessageA(host.list, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
            return std::string(info.lpszText != nullptr ? info.lpszText : "(null)");
        }
        NMTTDISPINFOW info{};
        info.hdr.hwndFrom = tip;
        info.hdr.code = TTN_GETDISPINFOW;
        SendMessageA(host.list, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        std::string narrow;
        for (const wchar_t* c = info.lpszText; c != nullptr && *c != 0; ++c)
            narrow += static_cast<char>(*c);
        return narrow;
    };
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
        EXPECT_EQ(askTip(i, TTN_GETDISPINFOA), rows[i].tip) << i;
        EXPECT_EQ(askTip(i, TTN_GETDISPINFOW), rows[i].tip) << i;
    }
    EXPECT_EQ(askTip(6, TTN_GETDISPINFOA), "") << "below the last row";

    // The focus: a click on a row, then the arrow keys.
    const int y2 = list.headerHeight + 2 * static_cast<int>(list.rowHeight) + 2;
    SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, y2));
    SendMessageA(host.list, WM_LBUTTONUP, 0, MAKELPARAM(60, y2));
    SendMessageA(host.list, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(host.list, WM_KEYDOWN, VK_DOWN, 0); // the last row already: no change
    EXPECT_EQ(host.focusChanges, (std::vector<void*>{nodes[2], nodes[3]}));
    EXPECT_EQ(list.GetFocusItem(), nodes[3]);
}

TEST(WarningText, TipsStatusAndTheQuestion) {
    const struct {
        const char* description;
        const char* warning;
        const char* tip;
    } tips[] = {
        {"", "", ""},
        {"Cache", "", "Cache"},
        {"", "Careful", "Warning: Careful"},
        {"Cache", "Careful\nreally", "Cache\r\n\r\nWarning: Careful\nreally"},
    };
    for (const auto& t : tips)
        EXPECT_EQ(qs::RowTipText(t.description, t.warning), t.tip) << t.tip;
    EXPECT_EQ(qs::WarningStatusText("Signs you\r\nout\n\nof sites."), "Warning: Signs you out of sites.");
    EXPECT_EQ(qs::CleanQuestionText({{"Cookies", "Signs you out."}}),
              "A selected job warns before it runs:\r\n\r\nCookies:\r\nSigns you out.\r\n\r\n"
              "Clean the selected jobs now? No cleans nothing.");
    EXPECT_EQ(qs::CleanQuestionText({{"A", "a"}, {"B", "b"}}),
              "Selected jobs warn before they run:\r\n\r\nA:\r\na\r\n\r\nB:\r\nb\r\n\r\n"
              "Clean the selected jobs now? No cleans nothing.");
    // A keep list that could not be read comes first, with the file; warnings follow it.
    const std::string unknown = "The settings file could not be read, so the keep list is not known: files and "
                                "folders you asked to keep may be cleaned.\r\nC:\\Q\\settings.xml\r\n";
    EXPECT_EQ(qs::CleanQuestionText({}, "C:\\Q\\settings.xml"),
              unknown + "\r\nClean the selected jobs now? No cleans nothing.");
    EXPECT_EQ(qs::CleanQuestionText({{"A", "a"}}, "C:\\Q\\settings.xml"),
              unknown + "\r\nA selected job warns before it runs:\r\n\r\nA:\r\na\r\n\r\n"
                        "Clean the selected jobs now? No cleans nothing.");
}

} // namespace
