// Sorting a level of rows by exchanging payloads: every order of small inputs, ranges inside a
// level, payloads travelling with their children, and n log n work on ordered input.
#include "framework/TreeModel.h"
#include "controls/FilesTreeSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using Node = qs::CTlxFilesTreeNode<int>;

std::vector<int> Values(const Node& parent) {
    std::vector<int> out;
    for (const Node* n = parent.firstChild; n != nullptr; n = n->nextSibling)
        out.push_back(n->userData);
    return out;
}

void Fill(Node& parent, const std::vector<int>& values) {
    parent.RemoveAllChildren();
    for (int v : values)
        parent.AddChild(v);
}

bool Ascending(const Node* a, const Node* b) { return a->userData > b->userData; }

TEST(FilesTreeSort, EveryArrangementOfSmallLevelsEndsSorted) {
    // All sequences of 1 to 7 rows over three values: duplicates, runs, all equal, two rows.
    Node parent;
    for (int length = 1; length <= 7; ++length) {
        int total = 1;
        for (int i = 0; i < length; ++i)
            total *= 3;
        for (int code = 0; code < total; ++code) {
            std::vector<int> values;
            for (int i = 0, c = code; i < length; ++i, c /= 3)
                values.push_back(c % 3);
            Fill(parent, values);
            qs::tlx::SortSiblings(parent.firstChild, parent.lastChild, Ascending);
            std::vector<int> expected = values;
            std::sort(expected.begin(), expected.end());
            ASSERT_EQ(Values(parent), expected) << "input code " << code << " length " << length;
        }
    }
}

TEST(FilesTreeSort, SortsOnlyTheGivenRangeAndPayloadsKeepTheirChildren) {
    Node parent;
    Fill(parent, {9, 5, 3, 4, 1, 0});
    Node* second = parent.firstChild->nextSibling;
    Node* fifth = parent.lastChild->prevSibling;
    second->AddChild(50); // row 5 is a checked group with a child
    second->checkState = qs::kChecked;
    second->isGroup = 1;
    qs::tlx::SortSiblings(second, fifth, [](const Node* a, const Node* b) { return a->userData < b->userData; });
    EXPECT_EQ(Values(parent), (std::vector<int>{9, 5, 4, 3, 1, 0}));
    qs::tlx::SortSiblings(second, fifth, Ascending);
    EXPECT_EQ(Values(parent), (std::vector<int>{9, 1, 3, 4, 5, 0}));
    Node* five = fifth;
    ASSERT_EQ(five->userData, 5);
    ASSERT_NE(five->firstChild, nullptr);
    EXPECT_EQ(five->firstChild->userData, 50);
    EXPECT_EQ(five->firstChild->parent, five);
    EXPECT_EQ(five->checkState, qs::kChecked);
    EXPECT_EQ(five->isGroup, 1) << "a category stays a category wherever it goes";
    EXPECT_EQ(second->firstChild, nullptr);
    EXPECT_EQ(second->isGroup, 0);
    // Degenerate ranges: one row, null ends, an end before the start.
    qs::tlx::SortSiblings(second, second, Ascending);
    qs::tlx::SortSiblings<Node>(nullptr, fifth, Ascending);
    qs::tlx::SortSiblings(fifth, second, Ascending);
    EXPECT_EQ(Values(parent), (std::vector<int>{9, 1, 3, 4, 5, 0}));
}

// Ordered input is what the key pass meets after a sort by a column whose values were all
// equal; a pivot that drifts with the first exchange made that quadratic.
TEST(FilesTreeSort, OrderedAndEqualInputTakeNLogNComparisons) {
    const int n = 20000;
    struct Shape {
        const char* name;
        int (*value)(int i, int n);
    };
    const Shape shapes[] = {
        {"ascending", [](int i, int) { return i; }},
        {"descending", [](int i, int n) { return n - i; }},
        {"all equal", [](int, int) { return 7; }},
        {"organ pipe", [](int i, int n) { return i < n / 2 ? i : n - i; }},
        {"two values", [](int i, int) { return i % 2; }},
    };
    Node parent;
    for (const Shape& shape : shapes) {
        std::vector<int> values;
        for (int i = 0; i < n; ++i)
            values.push_back(shape.value(i, n));
        Fill(parent, values);
        long long comparisons = 0;
        qs::tlx::SortSiblings(parent.firstChild, parent.lastChild, [&](const Node* a, const Node* b) {
            ++comparisons;
            return a->userData > b->userData;
        });
        std::sort(values.begin(), values.end());
        EXPECT_EQ(Values(parent), values) << shape.name;
        EXPECT_LT(comparisons, 5 * n * std::log2(n)) << shape.name;
    }
}

} // namespace
