// The tree of checkable rows without any window: links, check states and both propagations,
// expansion and row counts, and the notices a view or a listener hears. Portable: no platform
// header, so that the engine (which owns the scripts' rows) and the controls (which show them)
// both build on it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

namespace qs {

// Check states of a row.
enum : std::uint32_t {
    kNoCheckBox = 0,
    kUnchecked = 1,
    kChecked = 2,
    kPartlyChecked = 3,
};

// A rectangle in a view's drawing coordinates. The model keeps one per row for the view that
// draws it (where the row's button and box were drawn last) and never reads it.
struct CRowRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// One row. A node owns its children (destroying it destroys its whole subtree) and its payload
// (`userData`: a plain value, or an owning pointer, which then goes with the row).
template <typename T> class CTlxFilesTreeNode {
public:
    using Node = CTlxFilesTreeNode<T>;

    CTlxFilesTreeNode() = default;
    explicit CTlxFilesTreeNode(T data) : userData(std::move(data)) {}
    virtual ~CTlxFilesTreeNode() { RemoveAllChildren(); }
    CTlxFilesTreeNode(const CTlxFilesTreeNode&) = delete;
    CTlxFilesTreeNode& operator=(const CTlxFilesTreeNode&) = delete;

    // Appends a new node carrying `data` as the last child and answers it.
    Node* AddChild(T data) {
        Node* child = new Node(std::move(data));
        child->parent = this;
        child->prevSibling = lastChild;
        if (lastChild != nullptr)
            lastChild->nextSibling = child;
        else
            firstChild = child;
        lastChild = child;
        ++childCount;
        CountChild(child->checkState, +1);
        return child;
    }

    // Unlinks and destroys `child` with its subtree; ignored unless it is a child of this node.
    void RemoveChild(Node* child) {
        if (child == nullptr || child->parent != this)
            return;
        if (child->prevSibling != nullptr)
            child->prevSibling->nextSibling = child->nextSibling;
        else
            firstChild = child->nextSibling;
        if (child->nextSibling != nullptr)
            child->nextSibling->prevSibling = child->prevSibling;
        else
            lastChild = child->prevSibling;
        --childCount;
        CountChild(child->checkState, -1);
        delete child;
    }

    void RemoveAllChildren() {
        Node* child = firstChild;
        firstChild = lastChild = nullptr;
        childCount = 0;
        std::fill(std::begin(childStates), std::end(childStates), 0u);
        while (child != nullptr) {
            Node* next = child->nextSibling;
            delete child;
            child = next;
        }
    }

    // Nodes below this one at every level, expanded or not.
    std::uint32_t CountDescendants() const {
        std::uint32_t n = childCount;
        for (const Node* c = firstChild; c != nullptr; c = c->nextSibling)
            if (c->firstChild != nullptr)
                n += c->CountDescendants();
        return n;
    }

    // Rows below this one that show while this node is shown: 0 when it is collapsed.
    std::uint32_t CountVisibleDescendants() const {
        if (!expanded)
            return 0;
        std::uint32_t n = childCount;
        for (const Node* c = firstChild; c != nullptr; c = c->nextSibling)
            if (c->firstChild != nullptr && c->expanded)
                n += c->CountVisibleDescendants();
        return n;
    }

    // The next row in display order (a pre-order walk that enters expanded nodes only); null
    // after the last row. With `skipChildren` the node's own children are passed over.
    Node* NextVisible(bool skipChildren) {
        if (!skipChildren && firstChild != nullptr && expanded)
            return firstChild;
        for (Node* n = this; n != nullptr; n = n->parent)
            if (n->nextSibling != nullptr)
                return n->nextSibling;
        return nullptr;
    }

    // The previous row in display order; for a top-level row that is the root, which callers
    // treat as "none".
    Node* PrevVisible() {
        if (prevSibling == nullptr)
            return parent;
        return prevSibling->LastVisibleDescendant();
    }

    // The last row shown inside this node's subtree (the node itself when it is collapsed).
    Node* LastVisibleDescendant() {
        Node* n = this;
        while (n->lastChild != nullptr && n->expanded)
            n = n->lastChild;
        return n;
    }

    // Exchanges the payload of two node positions: user data, children, icon, expansion and
    // check state. Parent and sibling links, the group flag and the rectangles stay in place,
    // so sorting rearranges payloads without relinking.
    void SwapContents(Node* other) {
        if (other == nullptr || other == this)
            return;
        // Between a node and one of its descendants the exchange of child lists would link a
        // node below itself and cut the subtree loose: such a pair is left alone.
        if (IsAncestorOf(other) || other->IsAncestorOf(this))
            return;
        std::swap(userData, other->userData);
        std::swap(firstChild, other->firstChild);
        std::swap(lastChild, other->lastChild);
        std::swap(imageIndex, other->imageIndex);
        std::swap(expanded, other->expanded);
        // Between rows of two parents, each parent's counts follow the state it now holds.
        if (parent != other->parent) {
            if (parent != nullptr) {
                parent->CountChild(checkState, -1);
                parent->CountChild(other->checkState, +1);
            }
            if (other->parent != nullptr) {
                other->parent->CountChild(other->checkState, -1);
                other->parent->CountChild(checkState, +1);
            }
        }
        std::swap(checkState, other->checkState);
        ReparentChildren();
        other->ReparentChildren();
    }

    // Sets the row's check state and keeps its parent's counts in step. The model's way of
    // changing a state; it tells no one (SetCheck of the model does).
    void SetCheckState(std::uint32_t state) {
        if (parent != nullptr) {
            parent->CountChild(checkState, -1);
            parent->CountChild(state, +1);
        }
        checkState = state;
    }

    // How many children have `state` (0 to 3), kept in step by the operations above.
    std::uint32_t ChildrenIn(std::uint32_t state) const { return state < 4 ? childStates[state] : 0; }

    bool IsAncestorOf(const Node* node) const {
        for (const Node* n = node != nullptr ? node->parent : nullptr; n != nullptr; n = n->parent)
            if (n == this)
                return true;
        return false;
    }

    std::int32_t imageIndex = -1; // icon in the view's item image list; -1 none
    // 0 no box, 1 unchecked, 2 checked, 3 partly checked. Changed through SetCheckState (or the
    // model's SetCheck), which keeps the parent's counts in step.
    std::uint32_t checkState = kUnchecked;
    Node* parent = nullptr;
    Node* prevSibling = nullptr;
    Node* nextSibling = nullptr;
    Node* firstChild = nullptr;
    Node* lastChild = nullptr;
    std::uint32_t childCount = 0;
    CRowRect buttonRect; // where a view drew the expand button last
    CRowRect checkRect;  // where a view drew the check box last
    T userData{};
    std::int32_t expanded = 0;
    std::int32_t isGroup = 0; // category rows; the model itself never reads it

private:
    void CountChild(std::uint32_t state, int change) {
        if (state < 4)
            childStates[state] += static_cast<std::uint32_t>(change);
    }

    void ReparentChildren() {
        childCount = 0;
        std::fill(std::begin(childStates), std::end(childStates), 0u);
        for (Node* c = firstChild; c != nullptr; c = c->nextSibling) {
            c->parent = this;
            ++childCount;
            CountChild(c->checkState, +1);
        }
    }

    std::uint32_t childStates[4] = {}; // children per check state
};

// What a model tells its listeners. Every notice comes on the thread that changed the model.
template <typename Node> class CTreeModelObserver {
public:
    virtual ~CTreeModelObserver() = default;
    // Before `row` takes `state`: the row still holds its old state. Null `row` asks for a
    // recount of whatever the listener sums over the rows.
    virtual void OnCheckChanging(Node* row, std::uint32_t state) = 0;
    // After `row` was appended; `shown`: it is a displayed row; `repaint`: what is displayed
    // changed (the row itself, or its parent's new expand button).
    virtual void OnRowInserted(Node*, bool /*shown*/, bool /*repaint*/) {}
    // Before `row` and its subtree go; the root stands for every row.
    virtual void OnRowRemoving(Node*) {}
    // After rows went.
    virtual void OnRowsRemoved() {}
    // After `row` was expanded or collapsed.
    virtual void OnExpansionChanged(Node*) {}
};

// The rows under a hidden root that is always expanded and never a row. Owns every row and so
// every payload. Listeners are not owned; each must leave (RemoveObserver) before it goes.
template <typename T> class CTlxFilesTreeModel {
public:
    using Node = CTlxFilesTreeNode<T>;
    using Observer = CTreeModelObserver<Node>;

    CTlxFilesTreeModel() { root.expanded = 1; }
    CTlxFilesTreeModel(const CTlxFilesTreeModel&) = delete;
    CTlxFilesTreeModel& operator=(const CTlxFilesTreeModel&) = delete;

    void AddObserver(Observer* observer) { observers.push_back(observer); }
    void RemoveObserver(Observer* observer) {
        observers.erase(std::remove(observers.begin(), observers.end(), observer), observers.end());
    }

    Node* GetRootItem() { return &root; }
    const Node* GetRootItem() const { return &root; }

    // Rows in display order: the rows whose ancestors are all expanded.
    std::int32_t VisibleCount() const { return visibleCount; }

    // A row is shown when every node above it, up to the root, is expanded.
    bool IsVisible(const Node* node) const {
        if (node == nullptr || node == &root)
            return false;
        for (const Node* p = node->parent; p != nullptr; p = p->parent)
            if (!p->expanded)
                return false;
        return true;
    }

    // Appends a row under `parent` (the root when null). Under a checked parent the row starts
    // checked, and the listeners hear it; the parent is not re-aggregated.
    Node* InsertItem(T userData, int imageIndex, std::uint32_t checkState, int isGroup, Node* parent) {
        if (parent == nullptr)
            parent = &root;
        Node* node = parent->AddChild(std::move(userData));
        const bool parentShown = parent == &root || IsVisible(parent);
        const bool shown = parentShown && parent->expanded;
        if (shown)
            visibleCount += 1;
        node->imageIndex = imageIndex;
        node->SetCheckState(checkState);
        node->isGroup = isGroup;
        // A parent that gains its first child gains an expand button.
        const bool repaint = shown || (parent != &root && parentShown && parent->firstChild == node);
        for (Observer* o : observers)
            o->OnRowInserted(node, shown, repaint);
        if (parent->checkState == kChecked && checkState != kChecked) {
            NotifyCheckChanging(node, kChecked);
            node->SetCheckState(kChecked);
        }
        return node;
    }

    // Sets a row's check state; answers 1 when it already had it (nothing happens), else 0.
    // Notices go out in this order: the row, its descendants depth first (each before its own
    // children), then its ancestors upwards.
    int SetCheck(Node* node, std::uint32_t state, bool propagateUp, bool propagateDown) {
        if (node == nullptr)
            return 0;
        if (node->checkState == state)
            return 1;
        NotifyCheckChanging(node, state);
        node->SetCheckState(state);
        if (state == kNoCheckBox)
            return 0;
        if ((state == kUnchecked || state == kChecked) && propagateDown) {
            for (Node* c = node->firstChild; c != nullptr; c = c->nextSibling)
                if (c->checkState != kNoCheckBox && c->checkState != state)
                    SetCheck(c, state, false, true);
        }
        Node* parent = node->parent;
        if (propagateUp && parent != nullptr && parent != &root && parent->checkState != kNoCheckBox) {
            const std::uint32_t target =
                state == kPartlyChecked || !AllChildrenHave(parent, state) ? kPartlyChecked : state;
            if (target != parent->checkState)
                SetCheck(parent, target, true, false);
        }
        return 0;
    }

    // Expands a collapsed row or collapses an expanded one. Ignored for null and the root.
    void ToggleExpand(Node* node) {
        if (node == nullptr || node == &root)
            return;
        // The row count changes only when the node is shown; a node inside a collapsed branch
        // just flips its flag.
        const bool shown = IsVisible(node);
        if (node->expanded) {
            if (shown)
                visibleCount -= static_cast<std::int32_t>(node->CountVisibleDescendants());
            node->expanded = 0;
        } else {
            node->expanded = 1;
            if (shown)
                visibleCount += static_cast<std::int32_t>(node->CountVisibleDescendants());
        }
        for (Observer* o : observers)
            o->OnExpansionChanged(node);
    }

    // Removes a row and its subtree; the listeners hear every checked row of it go unchecked
    // first. False for null or the root.
    bool DeleteItem(Node* node) {
        if (node == nullptr || node == &root || node->parent == nullptr)
            return false;
        for (Observer* o : observers)
            o->OnRowRemoving(node);
        if (IsVisible(node)) {
            visibleCount -= 1;
            if (node->firstChild != nullptr && node->expanded)
                visibleCount -= static_cast<std::int32_t>(node->CountVisibleDescendants());
        }
        node->expanded = 0;
        SetCheck(node, kUnchecked, true, true);
        Node* parent = node->parent;
        parent->RemoveChild(node);
        // The parent was re-aggregated while the row still counted as one of its children;
        // judged on the children that remain, it may be wholly checked again.
        Reaggregate(parent);
        for (Observer* o : observers)
            o->OnRowsRemoved();
        return true;
    }

    // Removes every row; false when there were none.
    bool DeleteAllItems() {
        if (root.firstChild == nullptr)
            return false;
        for (Observer* o : observers)
            o->OnRowRemoving(&root);
        root.RemoveAllChildren();
        visibleCount = 0;
        for (Observer* o : observers)
            o->OnRowsRemoved();
        return true;
    }

    // Tells the listeners to count again whatever they sum over the rows (a null row notice).
    void RequestRecount() { NotifyCheckChanging(nullptr, 0); }

private:
    void NotifyCheckChanging(Node* node, std::uint32_t state) {
        for (Observer* o : observers)
            o->OnCheckChanging(node, state);
    }

    // True when every child of `parent` has exactly `state`; a child without a box differs.
    // Answered from the parent's counts, so that checking the rows of a level one by one, in
    // whatever order, stays linear.
    static bool AllChildrenHave(const Node* parent, std::uint32_t state) {
        return parent->ChildrenIn(state) == parent->childCount;
    }

    // Brings a row with a check box in line with its remaining children.
    void Reaggregate(Node* node) {
        if (node == nullptr || node == &root || node->checkState == kNoCheckBox || node->lastChild == nullptr)
            return;
        const std::uint32_t state = node->lastChild->checkState;
        const std::uint32_t target =
            (state == kUnchecked || state == kChecked) && AllChildrenHave(node, state) ? state : kPartlyChecked;
        if (target != node->checkState)
            SetCheck(node, target, true, false);
    }

    Node root; // hidden, always expanded, never a row
    std::int32_t visibleCount = 0;
    std::vector<Observer*> observers;
};

} // namespace qs
