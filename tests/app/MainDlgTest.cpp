// The main window's select commands on the top-level rows, and its caption.
#include "app/MainDlg.h"

#include "resource.h"
#include "support/WindowSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace qs;

// A window whose child is the list, as dialog item 1000 is; it counts the check notices.
class SelectHost {
public:
    SelectHost() {
        parent = test::CreatePlainWindow();
        ::SetWindowLongPtrA(parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        previous = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SelectHost::Proc)));
        HWND child = ::CreateWindowExA(0, test::PlainWindowClass(), "", WS_CHILD, 0, 0, 300, 200, parent,
                                       reinterpret_cast<HMENU>(IDC_SCRIPTS_LIST), nullptr, nullptr);
        list.SubclassWindow(child);
    }
    ~SelectHost() { ::DestroyWindow(parent); }
    SelectHost(const SelectHost&) = delete;
    SelectHost& operator=(const SelectHost&) = delete;

    // Categories A (plugins a1, a2) and B (b1), and a top-level plugin p, in states given as
    // "a1 a2 b1 p" with 1 unchecked and 2 checked.
    void Build(const std::vector<std::uint32_t>& states) {
        CScriptRow* a = list.InsertItem(nullptr, -1, kUnchecked, 1, nullptr);
        CScriptRow* a1 = list.InsertItem(nullptr, -1, kUnchecked, 0, a);
        CScriptRow* a2 = list.InsertItem(nullptr, -1, kUnchecked, 0, a);
        CScriptRow* b = list.InsertItem(nullptr, -1, kUnchecked, 1, nullptr);
        CScriptRow* b1 = list.InsertItem(nullptr, -1, kUnchecked, 0, b);
        CScriptRow* p = list.InsertItem(nullptr, -1, kUnchecked, 0, nullptr);
        rows = {a1, a2, b1, p};
        for (std::size_t i = 0; i < rows.size(); ++i)
            list.SetCheck(rows[i], states[i], true, true);
        notices = 0;
    }
    std::vector<std::uint32_t> States() const {
        std::vector<std::uint32_t> states;
        for (const CScriptRow* c = list.GetRootItem()->firstChild; c != nullptr; c = c->nextSibling) {
            states.push_back(c->checkState);
            for (const CScriptRow* g = c->firstChild; g != nullptr; g = g->nextSibling)
                states.push_back(g->checkState);
        }
        return states; // A a1 a2 B b1 p
    }

    CScriptsModel model;
    CScriptsListCtrl list{model};
    std::vector<CScriptRow*> rows;
    int notices = 0;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<SelectHost*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_ITEMCHECKCHANGING) {
            ++self->notices;
            return 0;
        }
        return ::CallWindowProcA(self->previous, hwnd, msg, wp, lp);
    }

    HWND parent = nullptr;
    WNDPROC previous = nullptr;
};

constexpr std::uint32_t U = kUnchecked, C = kChecked, P = kPartlyChecked;

TEST(MainDlgTest, SelectCommandsChangeTopLevelRowsAndTheRowsBelowFollow) {
    const struct {
        UINT command;
        std::vector<std::uint32_t> before; // a1 a2 b1 p
        std::vector<std::uint32_t> after;  // A a1 a2 B b1 p
        int notices;
    } cases[] = {
        {ID_SELECT_ALL, {C, U, U, U}, {C, C, C, C, C, C}, 5},
        {ID_SELECT_ALL, {C, C, C, C}, {C, C, C, C, C, C}, 0}, // nothing to change: no notice
        {ID_SELECT_NONE, {C, U, C, C}, {U, U, U, U, U, U}, 5},
        {ID_SELECT_NONE, {U, U, U, U}, {U, U, U, U, U, U}, 0},
        // A partly checked category keeps its state and its plugins theirs.
        {ID_INVERT_SELECTION, {C, U, U, C}, {P, C, U, C, C, U}, 3},
        {ID_INVERT_SELECTION, {C, C, C, U}, {U, U, U, U, U, C}, 6},
    };
    for (const auto& c : cases) {
        SelectHost host;
        host.Build(c.before);
        EXPECT_TRUE(ApplySelectCommand(host.list, c.command));
        EXPECT_EQ(host.States(), c.after) << "command " << c.command;
        EXPECT_EQ(host.notices, c.notices) << "command " << c.command;
    }
}

TEST(MainDlgTest, OtherCommandsAndAnEmptyListChangeNothing) {
    SelectHost host;
    EXPECT_TRUE(ApplySelectCommand(host.list, ID_SELECT_ALL));
    EXPECT_FALSE(ApplySelectCommand(host.list, ID_REFRESH_ALL));
    EXPECT_EQ(host.notices, 0);
}

TEST(MainDlgTest, CaptionNamesProductVersionAndCompany) {
    EXPECT_EQ(MainCaption("Quillsweep", "1.2.3.48", "Kestrilo"), "Quillsweep 1.2.3.48 - Kestrilo");
    EXPECT_EQ(MainCaption("", "", ""), "  - "); // no version resource: a blank and " - "
}

} // namespace
