// One row of the files tree-list: links, check state, expansion and the row's user data.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace qs {

// Check states of a row.
enum : std::uint32_t {
    kNoCheckBox = 0,
    kUnchecked = 1,
    kChecked = 2,
    kPartlyChecked = 3,
};

// A node owns its children (destroying it destroys its whole subtree) but never its user data.
template <typename T> class CTlxFilesTreeNode {
public:
    using Node = CTlxFilesTreeNode<T>;

    explicit CTlxFilesTreeNode(T data = T()) : userData(data) {}
    virtual ~CTlxFilesTreeNode() { RemoveAllChildren(); }
    CTlxFilesTreeNode(const CTlxFilesTreeNode&) = delete;
    CTlxFilesTreeNode& operator=(const CTlxFilesTreeNode&) = delete;

    // Appends a new node carrying `data` as the last child and answers it.
    Node* AddChild(T data) {
        Node* child = new Node(data);
        child->parent = this;
        child->prevSibling = lastChild;
        if (lastChild != nullptr)
            lastChild->nextSibling = child;
        else
            firstChild = child;
        lastChild = child;
        ++childCount;
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
        delete child;
    }

    void RemoveAllChildren() {
        Node* child = firstChild;
        firstChild = lastChild = nullptr;
        childCount = 0;
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
        std::swap(checkState, other->checkState);
        ReparentChildren();
        other->ReparentChildren();
    }

    bool IsAncestorOf(const Node* node) const {
        for (const Node* n = node != nullptr ? node->parent : nullptr; n != nullptr; n = n->parent)
            if (n == this)
                return true;
        return false;
    }

    std::int32_t imageIndex = -1;          // icon in the item image list; -1 none
    std::uint32_t checkState = kUnchecked; // 0 no box, 1 unchecked, 2 checked, 3 partly checked
    Node* parent = nullptr;
    Node* prevSibling = nullptr;
    Node* nextSibling = nullptr;
    Node* firstChild = nullptr;
    Node* lastChild = nullptr;
    std::uint32_t childCount = 0;
    RECT buttonRect{}; // where the expand button was last drawn
    RECT checkRect{};  // where the check box was last drawn
    T userData;
    std::int32_t expanded = 0;
    std::int32_t isGroup = 0; // category rows; the control itself never reads it

private:
    void ReparentChildren() {
        childCount = 0;
        for (Node* c = firstChild; c != nullptr; c = c->nextSibling) {
            c->parent = this;
            ++childCount;
        }
    }
};

} // namespace qs
