// Sorting one level of tree rows in place: a quicksort over a sibling range that exchanges the
// rows' payloads and never relinks a node.
#pragma once

#include <cstddef>
#include <utility>

namespace qs::tlx {

// A node of a sibling range with its position in the range, so that lengths are known without
// walking.
template <typename Node> struct SiblingCursor {
    Node* node;
    std::size_t index;

    void Next() {
        node = node->nextSibling;
        ++index;
    }
    void Prev() {
        node = node->prevSibling;
        --index;
    }
};

// Exchanges the payloads of two rows of a level, the group flag included: the flag says what
// the payload is (a category's script with its rows, or a plugin's), and the refresh and clean
// passes trust it to tell the two apart, so it cannot stay behind at the old position.
template <typename Node> void SwapRows(Node* a, Node* b) {
    if (a == b || b == nullptr)
        return;
    a->SwapContents(b);
    std::swap(a->isGroup, b->isGroup);
}

namespace detail {

template <typename Node> Node* Advance(Node* node, std::size_t steps) {
    while (steps-- > 0)
        node = node->nextSibling;
    return node;
}

// Partitions lo..hi (at least two rows) around a pivot kept in lo's position for the whole
// pass: the median of the first, middle and last rows. Rows equal to the pivot stop both
// scans, so a range of equal rows splits in the middle. Answers the pivot's final place.
//
// The pivot stays put until the end: a pivot that changed with the first exchange made the
// sort quadratic (and its recursion as deep as the range) on rows already in order, which is
// what the key pass meets after a sort by a column whose values were all equal.
template <typename Node, typename GoesAfter>
SiblingCursor<Node> Partition(SiblingCursor<Node> lo, SiblingCursor<Node> hi, GoesAfter& goesAfter) {
    if (hi.index - lo.index >= 2) {
        Node* mid = Advance(lo.node, (hi.index - lo.index) / 2);
        // Order the three so that lo <= mid <= hi, then move the median to the front.
        if (goesAfter(lo.node, mid))
            SwapRows(lo.node, mid);
        if (goesAfter(mid, hi.node)) {
            SwapRows(mid, hi.node);
            if (goesAfter(lo.node, mid))
                SwapRows(lo.node, mid);
        }
        SwapRows(lo.node, mid);
    }
    Node* pivot = lo.node;
    SiblingCursor<Node> i = lo;
    SiblingCursor<Node> j = hi;
    bool jStarted = false;
    for (;;) {
        // i: first row from the left that does not go before the pivot.
        i.Next();
        while (i.index < hi.index && goesAfter(pivot, i.node))
            i.Next();
        // j: first row from the right that does not go after the pivot (the pivot stops it).
        if (jStarted)
            j.Prev();
        jStarted = true;
        while (goesAfter(j.node, pivot))
            j.Prev();
        if (i.index >= j.index)
            break;
        SwapRows(i.node, j.node);
    }
    SwapRows(pivot, j.node);
    return j;
}

template <typename Node, typename GoesAfter>
void SortRange(SiblingCursor<Node> lo, SiblingCursor<Node> hi, GoesAfter& goesAfter) {
    // Recursion goes into the shorter part and the loop carries on with the longer one, so
    // the stack stays logarithmic in the range's length.
    while (lo.index < hi.index) {
        const SiblingCursor<Node> m = Partition(lo, hi, goesAfter);
        const std::size_t left = m.index - lo.index;
        const std::size_t right = hi.index - m.index;
        if (left < right) {
            if (left > 1)
                SortRange(lo, SiblingCursor<Node>{m.node->prevSibling, m.index - 1}, goesAfter);
            lo = SiblingCursor<Node>{m.node->nextSibling, m.index + 1};
        } else {
            if (right > 1)
                SortRange(SiblingCursor<Node>{m.node->nextSibling, m.index + 1}, hi, goesAfter);
            hi = SiblingCursor<Node>{m.node->prevSibling, m.index - 1};
        }
    }
}

} // namespace detail

// Sorts the rows first..last (siblings, both included, first not after last) so that no row
// goes after the row that follows it. `goesAfter(a, b)` answers whether row a belongs after b.
// Rows keep their places in the tree; their payloads move (SwapRows).
template <typename Node, typename GoesAfter> void SortSiblings(Node* first, Node* last, GoesAfter goesAfter) {
    if (first == nullptr || last == nullptr || first == last)
        return;
    std::size_t length = 0;
    for (Node* n = first; n != last; n = n->nextSibling) {
        if (n == nullptr)
            return; // last is not after first: nothing to sort
        ++length;
    }
    detail::SortRange(SiblingCursor<Node>{first, 0}, SiblingCursor<Node>{last, length}, goesAfter);
}

} // namespace qs::tlx
