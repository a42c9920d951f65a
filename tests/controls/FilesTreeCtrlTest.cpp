// The files tree-list model: links, display order, check propagation and its notices, row
// counts, payload exchange and hidden columns on a real header.
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

class TestTree : public qs::CTlxFilesTreeCtrlImpl<int> {
public:
    using CTlxFilesTreeCtrlImpl::columns;
    using CTlxFilesTreeCtrlImpl::focus;
    using CTlxFilesTreeCtrlImpl::header;
    using CTlxFilesTreeCtrlImpl::topNode;
    using CTlxFilesTreeCtrlImpl::visibleCount;
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
    TestTree tree;
};

using Notices = std::vector<std::pair<int, unsigned>>;

// ---- node links and display order -------------------------------------------------------

TEST(FilesTreeNode, LinksCountsAndDisplayOrder) {
    Node root;
    root.expanded = 1;
    Node* a = root.AddChild(1);
    Node* a1 = a->AddChild(11);
    Node* a2 = a->AddChild(12);
    Node* a2x = a2->AddChild(121);
    Node* b = root.AddChild(2);
    EXPECT_EQ(root.childCount, 2u);
    EXPECT_EQ(a->childCount, 2u);
    EXPECT_EQ(root.CountDescendants(), 5u);
    EXPECT_EQ(a1->prevSibling, nullptr);
    EXPECT_EQ(a2->prevSibling, a1);
    EXPECT_EQ(a->lastChild, a2);

    // Collapsed rows are passed over: only a and b are shown.
    EXPECT_EQ(root.CountVisibleDescendants(), 2u);
    EXPECT_EQ(a->NextVisible(false), b);
    EXPECT_EQ(b->NextVisible(false), nullptr);
    EXPECT_EQ(b->PrevVisible(), a);
    EXPECT_EQ(a->PrevVisible(), &root);

    a->expanded = 1;
    a2->expanded = 1;
    EXPECT_EQ(root.CountVisibleDescendants(), 5u);
    std::vector<int> order;
    for (Node* n = root.firstChild; n != nullptr; n = n->NextVisible(false))
        order.push_back(n->userData);
    EXPECT_EQ(order, (std::vector<int>{1, 11, 12, 121, 2}));
    std::vector<int> back;
    for (Node* n = b; n != &root; n = n->PrevVisible())
        back.push_back(n->userData);
    EXPECT_EQ(back, (std::vector<int>{2, 121, 12, 11, 1}));
    EXPECT_EQ(a->NextVisible(true), b);
    EXPECT_EQ(a2x->NextVisible(false), b); // climbs out of two levels
    EXPECT_EQ(a->LastVisibleDescendant(), a2x);

    // A collapsed node hides the expanded nodes below it.
    a->expanded = 0;
    EXPECT_EQ(root.CountVisibleDescendants(), 2u);
    EXPECT_EQ(a->CountVisibleDescendants(), 0u);
    EXPECT_EQ(a->LastVisibleDescendant(), a);

    // Removing a node that is not a child changes nothing; removing a child relinks.
    a->RemoveChild(b);
    EXPECT_EQ(root.childCount, 2u);
    a->RemoveChild(a1);
    EXPECT_EQ(a->childCount, 1u);
    EXPECT_EQ(a->firstChild, a2);
    EXPECT_EQ(a2->prevSibling, nullptr);
    root.RemoveChild(b);
    EXPECT_EQ(root.lastChild, a);
    EXPECT_EQ(a->nextSibling, nullptr);
    root.RemoveAllChildren();
    EXPECT_EQ(root.childCount, 0u);
    EXPECT_EQ(root.firstChild, nullptr);
    EXPECT_EQ(root.lastChild, nullptr);
}

TEST(FilesTreeNode, SwapContentsMovesPayloadButNotPosition) {
    Node root;
    Node* a = root.AddChild(1);
    Node* b = root.AddChild(2);
    a->AddChild(11);
    a->AddChild(12);
    a->imageIndex = 5;
    a->expanded = 1;
    a->checkState = kPartlyChecked;
    a->isGroup = 1;
    a->buttonRect = RECT{1, 2, 3, 4};
    b->checkState = kChecked;

    a->SwapContents(b);
    EXPECT_EQ(a->userData, 2);
    EXPECT_EQ(b->userData, 1);
    EXPECT_EQ(a->childCount, 0u);
    EXPECT_EQ(a->firstChild, nullptr);
    ASSERT_EQ(b->childCount, 2u);
    EXPECT_EQ(b->firstChild->parent, b);
    EXPECT_EQ(b->lastChild->parent, b);
    EXPECT_EQ(b->firstChild->userData, 11);
    EXPECT_EQ(b->imageIndex, 5);
    EXPECT_EQ(a->imageIndex, -1);
    EXPECT_EQ(b->expanded, 1);
    EXPECT_EQ(b->checkState, kPartlyChecked);
    EXPECT_EQ(a->checkState, kChecked);
    // Links, group flag and rectangles stay with the position.
    EXPECT_EQ(root.firstChild, a);
    EXPECT_EQ(a->nextSibling, b);
    EXPECT_EQ(a->isGroup, 1);
    EXPECT_EQ(b->isGroup, 0);
    EXPECT_EQ(a->buttonRect.right, 3);

    // With itself, with null, and between a node and its own descendant: nothing happens.
    b->SwapContents(b);
    b->SwapContents(nullptr);
    Node* child = b->firstChild;
    b->SwapContents(child);
    child->SwapContents(b);
    EXPECT_EQ(b->userData, 1);
    EXPECT_EQ(child->parent, b);
    EXPECT_EQ(b->childCount, 2u);
    EXPECT_EQ(root.CountDescendants(), 4u);
}

// ---- check propagation ------------------------------------------------------------------

TEST_F(TreeTest, CheckingACategoryNotifiesRowThenDescendantsThenAncestors) {
    Node* top = Add(1);
    Node* cat = Add(10, top);
    Node* p1 = Add(11, cat);
    Node* sub = Add(12, cat);
    Add(121, sub);
    Node* p3 = Add(13, cat, kNoCheckBox);
    Node* other = Add(2, top);
    TakeNotices();

    EXPECT_EQ(tree.SetCheck(cat, kChecked, true, true), 0);
    EXPECT_EQ(TakeNotices(), (Notices{{10, 2}, {11, 2}, {12, 2}, {121, 2}, {1, 3}}));
    EXPECT_EQ(p1->checkState, kChecked);
    EXPECT_EQ(p3->checkState, kNoCheckBox); // rows without a box stay without one
    EXPECT_EQ(top->checkState, kPartlyChecked);
    EXPECT_EQ(other->checkState, kUnchecked);

    // Checking the last unchecked sibling makes the parent wholly checked.
    tree.SetCheck(other, kChecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{2, 2}, {1, 2}}));

    // Unchecking one plugin: its category and the top row become partly checked.
    tree.SetCheck(p1, kUnchecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{11, 1}, {10, 3}, {1, 3}}));

    // Setting the state a row already has: answer 1, no notice.
    EXPECT_EQ(tree.SetCheck(p1, kUnchecked, true, true), 1);
    EXPECT_TRUE(TakeNotices().empty());

    // Unchecking the partly checked category unchecks its checked rows only.
    tree.SetCheck(cat, kUnchecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{10, 1}, {12, 1}, {121, 1}})); // the top row stays partly checked
    EXPECT_EQ(p3->checkState, kNoCheckBox);
    // The top row never pushes a state to the root.
    tree.SetCheck(other, kUnchecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{2, 1}, {1, 1}}));
    EXPECT_EQ(tree.GetRootItem()->checkState, kUnchecked);
}

TEST_F(TreeTest, PropagationRules) {
    Node* cat = Add(1);
    Node* a = Add(11, cat);
    Node* b = Add(12, cat);
    Node* box = Add(13, cat, kNoCheckBox);

    // A child without a box keeps its category partly checked.
    tree.SetCheck(a, kChecked, true, true);
    tree.SetCheck(b, kChecked, true, true);
    EXPECT_EQ(cat->checkState, kPartlyChecked);
    cat->RemoveChild(box); // a node operation: no notice, no re-aggregation
    TakeNotices();

    // Partly checked goes up as such, never down; without propagation nothing else moves.
    tree.SetCheck(a, kPartlyChecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{11, 3}}));
    tree.SetCheck(b, kUnchecked, false, false);
    EXPECT_EQ(cat->checkState, kPartlyChecked);
    EXPECT_EQ(TakeNotices(), (Notices{{12, 1}}));

    // Removing the box: no propagation at all.
    tree.SetCheck(cat, kChecked, true, true);
    TakeNotices();
    EXPECT_EQ(tree.SetCheck(cat, kNoCheckBox, true, true), 0);
    EXPECT_EQ(TakeNotices(), (Notices{{1, 0}}));
    EXPECT_EQ(a->checkState, kChecked);

    // A parent without a box is not re-aggregated.
    tree.SetCheck(a, kUnchecked, true, true);
    EXPECT_EQ(cat->checkState, kNoCheckBox);
}

TEST_F(TreeTest, RowInsertedUnderCheckedParentStartsChecked) {
    Node* checkedCat = Add(1);
    tree.SetCheck(checkedCat, kChecked, true, true);
    Node* partlyCat = Add(2);
    Add(21, partlyCat);
    Add(22, partlyCat);
    tree.SetCheck(partlyCat->firstChild, kChecked, true, true);
    ASSERT_EQ(partlyCat->checkState, kPartlyChecked);
    TakeNotices();

    Node* inherits = Add(11, checkedCat);
    EXPECT_EQ(inherits->checkState, kChecked);
    Node* noBox = Add(12, checkedCat, kNoCheckBox);
    EXPECT_EQ(noBox->checkState, kChecked);
    Node* alreadyChecked = Add(13, checkedCat, kChecked);
    EXPECT_EQ(TakeNotices(), (Notices{{11, 2}, {12, 2}}));
    EXPECT_EQ(alreadyChecked->checkState, kChecked);

    // Under a partly checked or unchecked parent the state passed in stays, and the parent is
    // not re-aggregated.
    Node* keeps = Add(23, partlyCat, kUnchecked);
    EXPECT_EQ(keeps->checkState, kUnchecked);
    Node* uncheckedCat = Add(3);
    Node* checkedChild = Add(31, uncheckedCat, kChecked);
    EXPECT_EQ(checkedChild->checkState, kChecked);
    EXPECT_EQ(uncheckedCat->checkState, kUnchecked);
    EXPECT_TRUE(TakeNotices().empty());
}

// ---- visible rows -----------------------------------------------------------------------

TEST_F(TreeTest, VisibleCountFollowsExpandAndCollapse) {
    Node* cat = Add(1);
    Add(11, cat);
    Node* sub = Add(12, cat);
    Add(121, sub);
    Add(122, sub);
    Add(13, cat);
    Add(2);
    EXPECT_EQ(tree.visibleCount, 2); // rows under collapsed categories do not show

    tree.ToggleExpand(cat);
    EXPECT_EQ(tree.visibleCount, 5);
    tree.ToggleExpand(sub);
    EXPECT_EQ(tree.visibleCount, 7);
    Add(123, sub);
    EXPECT_EQ(tree.visibleCount, 8);
    // Collapsing the category takes the expanded subcategory's rows along.
    tree.ToggleExpand(cat);
    EXPECT_EQ(tree.visibleCount, 2);
    EXPECT_EQ(sub->expanded, 1);
    // A node inside a collapsed branch only flips its flag.
    tree.ToggleExpand(sub);
    EXPECT_EQ(tree.visibleCount, 2);
    tree.ToggleExpand(cat);
    EXPECT_EQ(tree.visibleCount, 5);
    tree.ToggleExpand(tree.GetRootItem());
    EXPECT_EQ(tree.GetRootItem()->expanded, 1);
    EXPECT_EQ(tree.topNode, tree.GetRootItem()->firstChild);
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
    EXPECT_EQ(tree.visibleCount, 5);

    // Deleting the one unchecked row: its notice-free removal leaves only checked children, and
    // the category is wholly checked again.
    tree.focus = c;
    EXPECT_TRUE(tree.DeleteItem(c));
    EXPECT_EQ(tree.focus, b);
    EXPECT_EQ(cat->checkState, kChecked);
    EXPECT_EQ(TakeNotices(), (Notices{{1, 2}}));
    EXPECT_EQ(tree.visibleCount, 4);

    // Deleting the expanded category: every checked row goes unchecked, in order, first.
    tree.focus = a;
    EXPECT_TRUE(tree.DeleteItem(cat));
    EXPECT_EQ(TakeNotices(), (Notices{{1, 1}, {11, 1}, {12, 1}}));
    EXPECT_EQ(tree.visibleCount, 1);
    EXPECT_EQ(tree.focus, last); // the first row had no row before it
    EXPECT_EQ(tree.topNode, last);

    EXPECT_FALSE(tree.DeleteItem(nullptr));
    EXPECT_FALSE(tree.DeleteItem(tree.GetRootItem()));
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(tree.visibleCount, 0);
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
    TestTree tree;
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
    TestTree tree;
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
    TestTree tree;
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
    TestTree tree;
    EXPECT_EQ(tree.InsertColumn(0, 100, "Name"), -1);
    EXPECT_TRUE(tree.columns.empty());
}

} // namespace
