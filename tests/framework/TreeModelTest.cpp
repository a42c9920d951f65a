// The tree model without any window: links, display order, check propagation and the order of
// its notices, row counts, payload exchange and ownership.
#include "framework/TreeModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using qs::kChecked;
using qs::kNoCheckBox;
using qs::kPartlyChecked;
using qs::kUnchecked;

using Model = qs::CTlxFilesTreeModel<int>;
using Node = Model::Node;

struct Notice {
    Node* node;
    unsigned state;
    unsigned stateWhenSent; // what the listener reads in the row
};

// Records every notice of a model, in order.
class Recorder : public qs::CTreeModelObserver<Node> {
public:
    void OnCheckChanging(Node* row, std::uint32_t state) override {
        notices.push_back({row, state, row != nullptr ? row->checkState : 0u});
        events.push_back(row != nullptr ? "check " + std::to_string(row->userData) : "recount");
    }
    void OnRowInserted(Node* row, bool shown, bool repaint) override {
        events.push_back("insert " + std::to_string(row->userData) + (shown ? " shown" : "") +
                         (repaint ? " repaint" : ""));
    }
    void OnRowRemoving(Node* row) override {
        events.push_back(row->parent == nullptr ? "removing all" : "removing " + std::to_string(row->userData));
    }
    void OnRowsRemoved() override { events.push_back("removed"); }
    void OnExpansionChanged(Node* row) override { events.push_back("expansion " + std::to_string(row->userData)); }

    std::vector<Notice> notices;
    std::vector<std::string> events;
};

class TreeModelTest : public ::testing::Test {
protected:
    void SetUp() override { model.AddObserver(&recorder); }
    void TearDown() override { model.RemoveObserver(&recorder); }

    Node* Add(int data, Node* parent = nullptr, unsigned state = kUnchecked, int isGroup = 0) {
        return model.InsertItem(data, -1, state, isGroup, parent);
    }
    // (row data, state) of every check notice since the last call.
    std::vector<std::pair<int, unsigned>> TakeNotices() {
        std::vector<std::pair<int, unsigned>> out;
        for (const Notice& n : recorder.notices) {
            EXPECT_NE(n.stateWhenSent, n.state) << "notice sent after the state was stored";
            out.emplace_back(n.node->userData, n.state);
        }
        recorder.notices.clear();
        return out;
    }

    Model model;
    Recorder recorder;
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
    a->buttonRect = qs::CRowRect{1, 2, 3, 4};
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

TEST_F(TreeModelTest, CheckingACategoryNotifiesRowThenDescendantsThenAncestors) {
    Node* top = Add(1);
    Node* cat = Add(10, top);
    Node* p1 = Add(11, cat);
    Node* sub = Add(12, cat);
    Add(121, sub);
    Node* p3 = Add(13, cat, kNoCheckBox);
    Node* other = Add(2, top);
    TakeNotices();

    EXPECT_EQ(model.SetCheck(cat, kChecked, true, true), 0);
    EXPECT_EQ(TakeNotices(), (Notices{{10, 2}, {11, 2}, {12, 2}, {121, 2}, {1, 3}}));
    EXPECT_EQ(p1->checkState, kChecked);
    EXPECT_EQ(p3->checkState, kNoCheckBox); // rows without a box stay without one
    EXPECT_EQ(top->checkState, kPartlyChecked);
    EXPECT_EQ(other->checkState, kUnchecked);

    // Checking the last unchecked sibling makes the parent wholly checked.
    model.SetCheck(other, kChecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{2, 2}, {1, 2}}));

    // Unchecking one plugin: its category and the top row become partly checked.
    model.SetCheck(p1, kUnchecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{11, 1}, {10, 3}, {1, 3}}));

    // Setting the state a row already has: answer 1, no notice.
    EXPECT_EQ(model.SetCheck(p1, kUnchecked, true, true), 1);
    EXPECT_TRUE(TakeNotices().empty());

    // Unchecking the partly checked category unchecks its checked rows only.
    model.SetCheck(cat, kUnchecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{10, 1}, {12, 1}, {121, 1}})); // the top row stays partly checked
    EXPECT_EQ(p3->checkState, kNoCheckBox);
    // The top row never pushes a state to the root.
    model.SetCheck(other, kUnchecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{2, 1}, {1, 1}}));
    EXPECT_EQ(model.GetRootItem()->checkState, kUnchecked);
}

TEST_F(TreeModelTest, PropagationRules) {
    Node* cat = Add(1);
    Node* a = Add(11, cat);
    Node* b = Add(12, cat);
    Node* box = Add(13, cat, kNoCheckBox);

    // A child without a box keeps its category partly checked.
    model.SetCheck(a, kChecked, true, true);
    model.SetCheck(b, kChecked, true, true);
    EXPECT_EQ(cat->checkState, kPartlyChecked);
    cat->RemoveChild(box); // a node operation: no notice, no re-aggregation
    TakeNotices();

    // Partly checked goes up as such, never down; without propagation nothing else moves.
    model.SetCheck(a, kPartlyChecked, true, true);
    EXPECT_EQ(TakeNotices(), (Notices{{11, 3}}));
    model.SetCheck(b, kUnchecked, false, false);
    EXPECT_EQ(cat->checkState, kPartlyChecked);
    EXPECT_EQ(TakeNotices(), (Notices{{12, 1}}));

    // Removing the box: no propagation at all.
    model.SetCheck(cat, kChecked, true, true);
    TakeNotices();
    EXPECT_EQ(model.SetCheck(cat, kNoCheckBox, true, true), 0);
    EXPECT_EQ(TakeNotices(), (Notices{{1, 0}}));
    EXPECT_EQ(a->checkState, kChecked);

    // A parent without a box is not re-aggregated.
    model.SetCheck(a, kUnchecked, true, true);
    EXPECT_EQ(cat->checkState, kNoCheckBox);
}

TEST_F(TreeModelTest, RowInsertedUnderCheckedParentStartsChecked) {
    Node* checkedCat = Add(1);
    model.SetCheck(checkedCat, kChecked, true, true);
    Node* partlyCat = Add(2);
    Add(21, partlyCat);
    Add(22, partlyCat);
    model.SetCheck(partlyCat->firstChild, kChecked, true, true);
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

TEST_F(TreeModelTest, VisibleCountFollowsExpandAndCollapse) {
    Node* cat = Add(1);
    Add(11, cat);
    Node* sub = Add(12, cat);
    Add(121, sub);
    Add(122, sub);
    Add(13, cat);
    Add(2);
    EXPECT_EQ(model.VisibleCount(), 2); // rows under collapsed categories do not show

    model.ToggleExpand(cat);
    EXPECT_EQ(model.VisibleCount(), 5);
    model.ToggleExpand(sub);
    EXPECT_EQ(model.VisibleCount(), 7);
    Add(123, sub);
    EXPECT_EQ(model.VisibleCount(), 8);
    // Collapsing the category takes the expanded subcategory's rows along.
    model.ToggleExpand(cat);
    EXPECT_EQ(model.VisibleCount(), 2);
    EXPECT_EQ(sub->expanded, 1);
    // A node inside a collapsed branch only flips its flag.
    model.ToggleExpand(sub);
    EXPECT_EQ(model.VisibleCount(), 2);
    model.ToggleExpand(cat);
    EXPECT_EQ(model.VisibleCount(), 5);
    model.ToggleExpand(model.GetRootItem());
    EXPECT_EQ(model.GetRootItem()->expanded, 1);
    EXPECT_EQ(model.VisibleCount(), 5);
}

// ---- notices of structure changes, and ownership --------------------------------------

TEST_F(TreeModelTest, StructureNoticesComeInOrder) {
    Node* cat = Add(1);
    Add(11, cat); // under a collapsed row: not shown, but its parent gains a button
    Add(12, cat); // nothing to repaint
    model.ToggleExpand(cat);
    Add(13, cat); // shown now
    model.ToggleExpand(nullptr);
    model.ToggleExpand(model.GetRootItem());
    EXPECT_TRUE(model.DeleteItem(cat->firstChild));
    EXPECT_TRUE(model.DeleteAllItems());
    EXPECT_FALSE(model.DeleteAllItems());
    model.RequestRecount();
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"insert 1 shown repaint", "insert 11 repaint", "insert 12",
                                                         "expansion 1", "insert 13 shown repaint", "removing 11",
                                                         "removed", "removing all", "removed", "recount"}));
    // A listener that left hears nothing more.
    model.RemoveObserver(&recorder);
    Add(2);
    EXPECT_EQ(recorder.events.size(), 10u);
}

// A payload that counts the live instances of its kind.
struct Counted {
    explicit Counted(int& live) : live(live) { ++live; }
    ~Counted() { --live; }
    int& live;
};

TEST(TreeModelOwnership, RowsOwnTheirPayloadsWhereverTheyGo) {
    int live = 0;
    {
        qs::CTlxFilesTreeModel<std::unique_ptr<Counted>> model;
        auto* a = model.InsertItem(std::make_unique<Counted>(live), -1, kUnchecked, 1, nullptr);
        auto* b = model.InsertItem(std::make_unique<Counted>(live), -1, kUnchecked, 0, nullptr);
        model.InsertItem(std::make_unique<Counted>(live), -1, kUnchecked, 0, a);
        model.InsertItem(nullptr, -1, kUnchecked, 0, a); // a row may carry none
        EXPECT_EQ(live, 3);
        const Counted* first = a->userData.get();
        a->SwapContents(b); // exchanges ownership along with the payload
        EXPECT_EQ(b->userData.get(), first);
        EXPECT_EQ(live, 3);
        model.DeleteItem(b); // b now holds the category's payload and its two children
        EXPECT_EQ(live, 1);
        model.InsertItem(std::make_unique<Counted>(live), -1, kUnchecked, 0, nullptr);
        model.DeleteAllItems();
        EXPECT_EQ(live, 0);
        model.InsertItem(std::make_unique<Counted>(live), -1, kUnchecked, 0, nullptr);
    }
    EXPECT_EQ(live, 0) << "the model's end takes the rows' payloads along";
}

// ---- per-node counts ----------------------------------------------------------------------

// The counts a node keeps of its children per state, against a walk over the children.
void ExpectCountsInStep(const Node* node, std::string& where) {
    unsigned walked[4] = {};
    for (const Node* c = node->firstChild; c != nullptr; c = c->nextSibling) {
        if (c->checkState < 4)
            ++walked[c->checkState];
        ExpectCountsInStep(c, where);
    }
    for (std::uint32_t state = 0; state < 4; ++state)
        EXPECT_EQ(node->ChildrenIn(state), walked[state]) << "row " << node->userData << " state " << state << where;
}

TEST(TreeModelCounts, StayInStepThroughChecksSwapsInsertsAndRemovals) {
    Model model;
    std::vector<Node*> rows;
    for (int c = 1; c <= 3; ++c) {
        Node* cat = model.InsertItem(c, -1, kUnchecked, 1, nullptr);
        rows.push_back(cat);
        for (int i = 1; i <= 5; ++i)
            rows.push_back(model.InsertItem(c * 10 + i, -1, i == 5 ? kNoCheckBox : kUnchecked, 0, cat));
        rows.push_back(model.InsertItem(c * 10 + 9, -1, kUnchecked, 1, cat));
        for (int i = 1; i <= 3; ++i)
            rows.push_back(model.InsertItem(c * 100 + i, -1, kUnchecked, 0, rows.back()));
    }
    unsigned seed = 12345;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int step = 0; step < 2000; ++step) {
        Node* row = rows[next(static_cast<unsigned>(rows.size()))];
        std::string where = " after step " + std::to_string(step);
        switch (next(8)) {
        case 0: // a payload exchange, between siblings as a sort makes them or across parents
            row->SwapContents(rows[next(static_cast<unsigned>(rows.size()))]);
            break;
        case 1:
            if (rows.size() > 20 && row->firstChild == nullptr) {
                model.DeleteItem(row);
                rows.erase(std::find(rows.begin(), rows.end(), row));
            }
            break;
        case 2:
            rows.push_back(model.InsertItem(1000 + step, -1, next(4), 0, row));
            break;
        default:
            model.SetCheck(row, next(4), next(2) == 0, next(2) == 0);
            break;
        }
        ExpectCountsInStep(model.GetRootItem(), where);
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace
