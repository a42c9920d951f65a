// The files tree-list as a view of a model: the model's notices as messages to the parent, focus
// and counts when rows go, and hidden columns on a real header.
#include "controls/FilesTreeCtrl.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using qs::kChecked;
using qs::kNoCheckBox;
using qs::kPartlyChecked;
using qs::kUnchecked;

using Model = qs::CTlxFilesTreeModel<int>;

class TestTree : public qs::CTlxFilesTreeCtrlImpl<int> {
public:
    explicit TestTree(Model& model) : CTlxFilesTreeCtrlImpl(model) {}
    using CTlxFilesTreeCtrlImpl::columns;
    using CTlxFilesTreeCtrlImpl::focus;
    using CTlxFilesTreeCtrlImpl::header;
    using CTlxFilesTreeCtrlImpl::topNode;
};
using Node = TestTree::Node;

struct Notice {
    Node* node;
    unsigned state;
    unsigned stateWhenSent; // what the receiver reads in the row
};

// A top-level window that records the check notices of its child tree-list, with the list-view
// child that the tree-list takes over, as the main window's dialog item is.
class Host {
public:
    Host() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        static const ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &Host::Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "qsTreeHostTest";
            return RegisterClassA(&wc);
        }();
        (void)atom;
        parent = CreateWindowExA(0, "qsTreeHostTest", "host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 380, 260, parent,
                               reinterpret_cast<HMENU>(1000), GetModuleHandleA(nullptr), nullptr);
    }
    ~Host() { DestroyWindow(parent); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    HWND parent = nullptr;
    HWND list = nullptr;
    std::vector<Notice> notices;
    std::vector<UINT> notifyCodes;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<Host*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self != nullptr && msg == WM_ITEMCHECKCHANGING) {
            Node* node = reinterpret_cast<Node*>(wp);
            self->notices.push_back({node, static_cast<unsigned>(lp), node != nullptr ? node->checkState : 0u});
            return 0;
        }
        if (self != nullptr && msg == WM_NOTIFY) {
            self->notifyCodes.push_back(reinterpret_cast<NMHDR*>(lp)->code);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
};

// A tree attached to a host window.
class TreeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tree.SubclassWindow(host.list)); }

    Node* Add(int data, Node* parent = nullptr, unsigned state = kUnchecked, int isGroup = 0) {
        return tree.InsertItem(data, -1, state, isGroup, parent);
    }
    // (row data, state) of every notice since the last call.
    std::vector<std::pair<int, unsigned>> TakeNotices() {
        std::vector<std::pair<int, unsigned>> out;
        for (const Notice& n : host.notices) {
            EXPECT_NE(n.stateWhenSent, n.state) << "notice sent after the state was stored";
            out.emplace_back(n.node->userData, n.state);
        }
        host.notices.clear();
        return out;
    }

    Host host;
    Model model;
    TestTree tree{model};
};

using Notices = std::vector<std::pair<int, unsigned>>;

// ---- the model's notices, as messages to the parent -------------------------------------

TEST_F(TreeTest, ModelNoticesReachTheParentAsCheckMessagesBeforeTheStateIsStored) {
    Node* top = Add(1);
    Node* cat = Add(10, top);
    Add(11, cat);
    Node* sub = Add(12, cat);
    Add(121, sub);
    Add(13, cat, kNoCheckBox);
    Add(2, top);
    TakeNotices();

    // Changed on the model itself, as a pass or the catalogue changes it.
    model.SetCheck(cat, kChecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{10, 2}, {11, 2}, {12, 2}, {121, 2}, {1, 3}}));
    // A recount request arrives as row 0.
    model.RequestRecount();
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].node, nullptr);
    host.notices.clear();
    // Rows inserted under a checked parent, through the view.
    Node* checked = Add(3);
    tree.SetCheck(checked, kChecked, true, true);
    Add(31, checked);
    EXPECT_EQ(TakeNotices(), (Notices{{3, 2}, {31, 2}}));
}

TEST_F(TreeTest, ExpandingTheRootChangesNothingAndTheTopRowStays) {
    Node* cat = Add(1);
    Add(11, cat);
    Add(2);
    tree.ToggleExpand(tree.GetRootItem());
    EXPECT_EQ(tree.GetRootItem()->expanded, 1);
    EXPECT_EQ(tree.topNode, tree.GetRootItem()->firstChild);
    EXPECT_EQ(model.VisibleCount(), 2);
}

TEST_F(TreeTest, DeleteItemUnchecksMovesFocusAndCounts) {
    Node* cat = Add(1);
    Node* a = Add(11, cat);
    Node* b = Add(12, cat);
    Node* c = Add(13, cat);
    Node* last = Add(2);
    tree.ToggleExpand(cat);
    tree.SetCheck(cat, kChecked, true, true);
    tree.SetCheck(c, kUnchecked, true, true);
    TakeNotices();
    EXPECT_EQ(model.VisibleCount(), 5);

    // Deleting the one unchecked row: its notice-free removal leaves only checked children, and
    // the category is wholly checked again.
    tree.focus = c;
    EXPECT_TRUE(tree.DeleteItem(c));
    EXPECT_EQ(tree.focus, b);
    EXPECT_EQ(cat->checkState, kChecked);
    EXPECT_EQ(TakeNotices(), (Notices{{1, 2}}));
    EXPECT_EQ(model.VisibleCount(), 4);

    // Deleting the expanded category: every checked row goes unchecked, in order, first.
    tree.focus = a;
    EXPECT_TRUE(tree.DeleteItem(cat));
    EXPECT_EQ(TakeNotices(), (Notices{{1, 1}, {11, 1}, {12, 1}}));
    EXPECT_EQ(model.VisibleCount(), 1);
    EXPECT_EQ(tree.focus, last); // the first row had no row before it
    EXPECT_EQ(tree.topNode, last);

    EXPECT_FALSE(tree.DeleteItem(nullptr));
    EXPECT_FALSE(tree.DeleteItem(tree.GetRootItem()));
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(model.VisibleCount(), 0);
    EXPECT_EQ(tree.focus, nullptr);
    EXPECT_EQ(tree.topNode, nullptr);
    EXPECT_FALSE(tree.DeleteAllItems());
}

TEST_F(TreeTest, DoubleClickHookNotifiesParent) {
    tree.OnDblClick();
    EXPECT_EQ(host.notifyCodes, (std::vector<UINT>{static_cast<UINT>(NM_DBLCLK)}));
    EXPECT_EQ(tree.GetItemImage(nullptr), -1);
    EXPECT_FALSE(tree.SortItems(0, true));
}

// ---- columns ----------------------------------------------------------------------------

// Header order after a sequence of hide (+k) and show (-k) steps on three columns.
struct ColumnCase {
    std::vector<int> steps;
    std::vector<int> order;
};

void PrintTo(const ColumnCase& c, std::ostream* os) {
    *os << "steps";
    for (int s : c.steps)
        *os << ' ' << (s > 0 ? "hide " : "show ") << (s > 0 ? s : -s);
}

class ColumnOrderTest : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(ColumnOrderTest, HiddenColumnsCollectLeftAndReturnInInsertionOrder) {
    Host host;
    Model model;
    TestTree tree(model);
    ASSERT_TRUE(tree.SubclassWindow(host.list));
    ASSERT_EQ(tree.InsertColumn(0, 150, "Name"), 0);
    ASSERT_EQ(tree.InsertColumn(1, 80, "Size On Drive"), 1);
    ASSERT_EQ(tree.InsertColumn(2, 60, "Files"), 2);
    for (int step : GetParam().steps) {
        if (step > 0)
            tree.HideColumn(step);
        else
            tree.ShowColumn(-step);
    }
    std::vector<int> order(3);
    SendMessageA(tree.header.m_hWnd, HDM_GETORDERARRAY, 3, reinterpret_cast<LPARAM>(order.data()));
    EXPECT_EQ(order, GetParam().order);
    // Widths: hidden columns 0 wide, shown ones back at their old width.
    const int widths[] = {150, 80, 60};
    for (int i = 0; i < 3; ++i) {
        HDITEMA item{};
        item.mask = HDI_WIDTH;
        SendMessageA(tree.header.m_hWnd, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(item.cxy, tree.columns[i].hidden ? 0 : widths[i]) << "column " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, ColumnOrderTest,
                         ::testing::Values(ColumnCase{{2}, {2, 0, 1}}, ColumnCase{{2, -2}, {0, 1, 2}},
                                           ColumnCase{{1}, {1, 0, 2}}, ColumnCase{{1, 2}, {2, 1, 0}},
                                           ColumnCase{{2, 1}, {1, 2, 0}}, ColumnCase{{1, 2, -1}, {2, 0, 1}},
                                           ColumnCase{{2, 1, -2}, {1, 0, 2}}, ColumnCase{{1, 2, -2, -1}, {0, 1, 2}},
                                           ColumnCase{{0, 2, 2}, {2, 0, 1}}, ColumnCase{{-1, -0}, {0, 1, 2}}));

TEST(Columns, ZeroWidthHidesAndShowGivesDefaultWidth) {
    Host host;
    Model model;
    TestTree tree(model);
    ASSERT_TRUE(tree.SubclassWindow(host.list));
    EXPECT_EQ(tree.InsertColumn(0, 0, "Name"), 0);
    EXPECT_EQ(tree.InsertColumn(1, 0, "Size"), 1);
    EXPECT_EQ(tree.columns[0].hidden, 0); // column 0 never hides
    EXPECT_EQ(tree.columns[1].hidden, 1);
    tree.ShowColumn(1);
    HDITEMA item{};
    item.mask = HDI_WIDTH;
    SendMessageA(tree.header.m_hWnd, HDM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.cxy, 100);
    tree.HideColumn(5); // out of range: ignored
    tree.ShowColumn(-1);
    EXPECT_EQ(tree.columns.size(), 2u);
}

TEST(Columns, HidingAfterTheUserReorderedKeepsAValidOrder) {
    Host host;
    Model model;
    TestTree tree(model);
    ASSERT_TRUE(tree.SubclassWindow(host.list));
    tree.InsertColumn(0, 100, "a");
    tree.InsertColumn(1, 100, "b");
    tree.InsertColumn(2, 100, "c");
    int dragged[] = {0, 2, 1};
    SendMessageA(tree.header.m_hWnd, HDM_SETORDERARRAY, 3, reinterpret_cast<LPARAM>(dragged));
    tree.HideColumn(2);
    std::vector<int> order(3);
    SendMessageA(tree.header.m_hWnd, HDM_GETORDERARRAY, 3, reinterpret_cast<LPARAM>(order.data()));
    EXPECT_EQ(order, (std::vector<int>{2, 0, 1}));
}

TEST(Columns, WithoutAHeaderNothingIsInserted) {
    Model model;
    TestTree tree(model);
    EXPECT_EQ(tree.InsertColumn(0, 100, "Name"), -1);
    EXPECT_TRUE(tree.columns.empty());
}

} // namespace
