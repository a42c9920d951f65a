// The files tree-list as screen readers see it: the rows' states, actions and navigation as
// plain functions, a small tree walked through AccessibleObjectFromWindow before and after
// checking and expanding rows, the events that announce changes, and the object's references.
#include "TreeListHost.h"

#include "controls/TreeListAccessible.h"
#include "framework/ComHandle.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using qs::AccessibleRow;
using qs::Bstr;
using qs::ComPtr;
using qs::kChecked;
using qs::kNoCheckBox;
using qs::kPartlyChecked;
using qs::kUnchecked;
using qs::test::TreeListHost;

// ---- the plain functions -------------------------------------------------------------------

AccessibleRow Row(std::uint32_t check, bool children, bool expanded, bool focused, bool onPage) {
    AccessibleRow row;
    row.checkState = check;
    row.hasChildren = children;
    row.expanded = expanded;
    row.focused = focused;
    row.onPage = onPage;
    return row;
}

constexpr long kAlways = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;

TEST(AccessibleRows, StatesAndDefaultActions) {
    const struct {
        AccessibleRow row;
        bool listHasFocus;
        long state;
        const wchar_t* action;
    } cases[] = {
        {Row(kUnchecked, false, false, false, true), false, kAlways, L"Check"},
        {Row(kChecked, false, false, false, true), false, kAlways | STATE_SYSTEM_CHECKED, L"Uncheck"},
        {Row(kPartlyChecked, true, true, false, true), false, kAlways | STATE_SYSTEM_MIXED | STATE_SYSTEM_EXPANDED,
         L"Check"},
        {Row(kUnchecked, true, false, false, true), false, kAlways | STATE_SYSTEM_COLLAPSED, L"Check"},
        // The focus row is the selected row; focused only while the list has the keyboard focus.
        {Row(kUnchecked, false, false, true, true), false, kAlways | STATE_SYSTEM_SELECTED, L"Check"},
        {Row(kUnchecked, false, false, true, true), true, kAlways | STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED,
         L"Check"},
        {Row(kUnchecked, false, false, false, false), true, kAlways | STATE_SYSTEM_OFFSCREEN, L"Check"},
        // Without a box the action is the expansion; a bare leaf has none.
        {Row(kNoCheckBox, true, false, false, true), false, kAlways | STATE_SYSTEM_COLLAPSED, L"Expand"},
        {Row(kNoCheckBox, true, true, false, true), false, kAlways | STATE_SYSTEM_EXPANDED, L"Collapse"},
        {Row(kNoCheckBox, false, false, false, true), false, kAlways, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qs::AccessibleRowState(c.row, c.listHasFocus), c.state) << &c - cases;
        EXPECT_EQ(qs::AccessibleRowAction(c.row), c.action) << &c - cases;
    }
}

TEST(AccessibleRows, Navigation) {
    const struct {
        long direction, from, count, to;
    } cases[] = {
        {NAVDIR_FIRSTCHILD, 0, 4, 1}, {NAVDIR_LASTCHILD, 0, 4, 4}, {NAVDIR_FIRSTCHILD, 0, 0, 0},
        {NAVDIR_NEXT, 1, 4, 2},       {NAVDIR_DOWN, 3, 4, 4},      {NAVDIR_NEXT, 4, 4, 0},
        {NAVDIR_PREVIOUS, 2, 4, 1},   {NAVDIR_UP, 1, 4, 0},        {NAVDIR_LEFT, 2, 4, 0},
        {NAVDIR_FIRSTCHILD, 2, 4, 0}, {NAVDIR_NEXT, 0, 4, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qs::NavigateRows(c.direction, c.from, c.count), c.to) << &c - cases;
}

// ---- a small tree through the platform -------------------------------------------------------

struct Job {
    const char* name;
    const char* size;
    const char* files;
};
// Row data n is kJobs[n].
const Job kJobs[] = {{"Temporary files", "12 KB", "5"}, {"Logs", "4 KB", "3"},       {"Dumps", "8 KB", "2"},
                     {"Caches", "1 KB", "4"},           {"Thumbnails", "1 KB", "4"}, {"Recent list", "", "1"}};

// The tree-list with names and columns for the reader: column 0 the name, 1 the size, 2 the count.
class JobTree : private qs::test::ModelHolder<qs::CTlxFilesTreeModel<int>>, public qs::CTlxFilesTreeCtrlImpl<int> {
public:
    JobTree() : CTlxFilesTreeCtrlImpl(ownModel) {}
    using CTlxFilesTreeCtrlImpl::focus;
    using CTlxFilesTreeCtrlImpl::header;
    using CTlxFilesTreeCtrlImpl::headerHeight;
    using CTlxFilesTreeCtrlImpl::rowHeight;

    void GetItemText(Node* node, int column, std::string& text) override {
        const Job& job = kJobs[node->userData];
        text = column == 0 ? job.name : column == 1 ? job.size : column == 2 ? job.files : "";
    }
    bool SortItems(int, bool) override {
        // Reverses the top level, as a descending sort by name would.
        Node* root = GetRootItem();
        root->firstChild->SwapContents(root->lastChild);
        return true;
    }
};
using Node = JobTree::Node;

// "Temporary files" (Logs, Dumps), "Caches" (Thumbnails), "Recent list"; categories collapsed.
class AccessibleTree : public ::testing::Test {
protected:
    void SetUp() override {
        ::SetWindowTextA(host.list, "Jobs");
        ASSERT_TRUE(tree.SubclassWindow(host.list));
        tree.InsertColumn(0, 200, "Name");
        tree.InsertColumn(1, 80, "Size On Drive");
        tree.InsertColumn(2, 60, "Files");
        temp = tree.InsertItem(0, -1, kUnchecked, 1, nullptr);
        logs = tree.InsertItem(1, -1, kUnchecked, 0, temp);
        dumps = tree.InsertItem(2, -1, kUnchecked, 0, temp);
        caches = tree.InsertItem(3, -1, kUnchecked, 1, nullptr);
        tree.InsertItem(4, -1, kUnchecked, 0, caches);
        recent = tree.InsertItem(5, -1, kUnchecked, 0, nullptr);
        ASSERT_EQ(::AccessibleObjectFromWindow(host.list, OBJID_CLIENT, __uuidof(IAccessible),
                                               reinterpret_cast<void**>(list.Put())),
                  S_OK);
        host.Pump();
    }

    static VARIANT Child(long id) {
        VARIANT v;
        V_VT(&v) = VT_I4;
        V_I4(&v) = id;
        return v;
    }
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), long id) {
        Bstr text;
        const HRESULT hr = (list.Get()->*get)(Child(id), text.Put());
        EXPECT_TRUE(hr == S_OK || hr == S_FALSE) << std::hex << hr;
        return text ? std::wstring(text.Get()) : L"(none)";
    }
    long Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), long id) {
        VARIANT v;
        ::VariantInit(&v);
        EXPECT_EQ((list.Get()->*get)(Child(id), &v), S_OK);
        return V_VT(&v) == VT_I4 ? V_I4(&v) : -1;
    }
    long Count() {
        long count = -1;
        EXPECT_EQ(list.Get()->get_accChildCount(&count), S_OK);
        return count;
    }

    // What a reader hears of each row, in order: name, level, state and description.
    struct Heard {
        std::wstring name;
        std::wstring level;
        long state;
        std::wstring description;
        bool operator==(const Heard& o) const {
            return name == o.name && level == o.level && state == o.state && description == o.description;
        }
    };
    std::vector<Heard> Walk() {
        std::vector<VARIANT> children(static_cast<std::size_t>(Count()) + 1);
        long got = 0;
        ::AccessibleChildren(list.Get(), 0, static_cast<long>(children.size()), children.data(), &got);
        std::vector<Heard> heard;
        for (long i = 0; i < got; ++i) {
            EXPECT_EQ(V_VT(&children[i]), VT_I4) << "rows are simple children";
            const long id = V_I4(&children[i]);
            EXPECT_EQ(Number(&IAccessible::get_accRole, id), ROLE_SYSTEM_OUTLINEITEM);
            heard.push_back({Text(&IAccessible::get_accName, id), Text(&IAccessible::get_accValue, id),
                             Number(&IAccessible::get_accState, id), Text(&IAccessible::get_accDescription, id)});
        }
        return heard;
    }

    TreeListHost host{360, 240};
    JobTree tree;
    ComPtr<IAccessible> list;
    Node *temp = nullptr, *logs = nullptr, *dumps = nullptr, *caches = nullptr, *recent = nullptr;
};

constexpr long kCollapsed = kAlways | STATE_SYSTEM_COLLAPSED;
constexpr long kExpanded = kAlways | STATE_SYSTEM_EXPANDED;

TEST_F(AccessibleTree, ReadsRowsBeforeAndAfterCheckingAndExpanding) {
    EXPECT_EQ(Text(&IAccessible::get_accName, CHILDID_SELF), L"Jobs");
    EXPECT_EQ(Number(&IAccessible::get_accRole, CHILDID_SELF), ROLE_SYSTEM_OUTLINE);
    EXPECT_EQ(Walk(), (std::vector<Heard>{
                          {L"Temporary files", L"0", kCollapsed, L"Size On Drive: 12 KB, Files: 5"},
                          {L"Caches", L"0", kCollapsed, L"Size On Drive: 1 KB, Files: 4"},
                          {L"Recent list", L"0", kAlways, L"Files: 1"}, // an empty cell is left out
                      }));

    tree.SetCheck(caches, kChecked, true, true);
    tree.ToggleExpand(temp);
    tree.SetCheck(dumps, kChecked, true, true);
    EXPECT_EQ(Walk(), (std::vector<Heard>{
                          {L"Temporary files", L"0", kExpanded | STATE_SYSTEM_MIXED, L"Size On Drive: 12 KB, Files: 5"},
                          {L"Logs", L"1", kAlways, L"Size On Drive: 4 KB, Files: 3"},
                          {L"Dumps", L"1", kAlways | STATE_SYSTEM_CHECKED, L"Size On Drive: 8 KB, Files: 2"},
                          {L"Caches", L"0", kCollapsed | STATE_SYSTEM_CHECKED, L"Size On Drive: 1 KB, Files: 4"},
                          {L"Recent list", L"0", kAlways, L"Files: 1"},
                      }));

    // A hidden column is not read; a row past the list is refused.
    tree.HideColumn(1);
    EXPECT_EQ(Text(&IAccessible::get_accDescription, 2), L"Files: 3");
    Bstr none;
    EXPECT_EQ(list.Get()->get_accName(Child(6), none.Put()), E_INVALIDARG);
}

TEST_F(AccessibleTree, FocusSelectionActionsAndPlaces) {
    tree.ToggleExpand(temp);
    ::SetFocus(host.window); // the list does not have the keyboard focus yet

    // Selecting with the focus moves the focus row and the keyboard focus into the list.
    EXPECT_EQ(list.Get()->accSelect(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION, Child(3)), S_OK);
    EXPECT_EQ(tree.focus, dumps);
    EXPECT_EQ(::GetFocus(), host.list);
    EXPECT_EQ(host.focusChanges, (std::vector<void*>{dumps}));
    VARIANT v;
    ASSERT_EQ(list.Get()->get_accFocus(&v), S_OK);
    EXPECT_EQ(V_I4(&v), 3);
    ASSERT_EQ(list.Get()->get_accSelection(&v), S_OK);
    EXPECT_EQ(V_I4(&v), 3);
    EXPECT_EQ(Number(&IAccessible::get_accState, 3), kAlways | STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED);
    EXPECT_EQ(list.Get()->accSelect(SELFLAG_EXTENDSELECTION, Child(2)), E_INVALIDARG) << "one row at most";

    // The default action is the box's, as Space; the parent hears the change.
    EXPECT_EQ(Text(&IAccessible::get_accDefaultAction, 3), L"Check");
    EXPECT_EQ(list.Get()->accDoDefaultAction(Child(3)), S_OK);
    EXPECT_EQ(dumps->checkState, kChecked);
    EXPECT_EQ(temp->checkState, kPartlyChecked);
    EXPECT_FALSE(host.checks.empty());
    EXPECT_EQ(Text(&IAccessible::get_accDefaultAction, 3), L"Uncheck");

    // Rows lie one below the other from the header down; a point finds its row.
    long x = 0, y = 0, w = 0, h = 0;
    POINT origin{0, tree.headerHeight};
    ::ClientToScreen(host.list, &origin);
    for (long id = 1; id <= 5; ++id) {
        ASSERT_EQ(list.Get()->accLocation(&x, &y, &w, &h, Child(id)), S_OK);
        EXPECT_EQ(y, origin.y + (id - 1) * static_cast<long>(tree.rowHeight)) << id;
        EXPECT_EQ(h, static_cast<long>(tree.rowHeight));
        EXPECT_EQ(x, origin.x);
        ASSERT_EQ(list.Get()->accHitTest(x + 30, y + h / 2, &v), S_OK);
        EXPECT_EQ(V_VT(&v), VT_I4);
        EXPECT_EQ(V_I4(&v), id);
    }
    ASSERT_EQ(list.Get()->accNavigate(NAVDIR_LASTCHILD, Child(CHILDID_SELF), &v), S_OK);
    EXPECT_EQ(V_I4(&v), 5);
}

// ---- events ----------------------------------------------------------------------------------

struct Event {
    DWORD event;
    long child;
    bool checkedThen; // the row read as checked when the event came
    bool operator==(const Event& o) const {
        return event == o.event && child == o.child && checkedThen == o.checkedThen;
    }
};

void PrintTo(const Event& e, std::ostream* os) {
    *os << std::hex << e.event << std::dec << "/" << e.child << "/" << e.checkedThen;
}

HWND g_watched = nullptr;
std::vector<Event>* g_events = nullptr;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (g_events == nullptr || hwnd != g_watched || object != OBJID_CLIENT)
        return;
    if (event == EVENT_OBJECT_FOCUS && child == CHILDID_SELF)
        return; // the platform's own, for the window
    // Reads the row as a reader would on hearing of it.
    ComPtr<IAccessible> acc;
    VARIANT state;
    ::VariantInit(&state);
    bool checked = false;
    if (child > 0 && SUCCEEDED(::AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                            reinterpret_cast<void**>(acc.Put())))) {
        VARIANT id;
        V_VT(&id) = VT_I4;
        V_I4(&id) = child;
        checked = SUCCEEDED(acc.Get()->get_accState(id, &state)) && (V_I4(&state) & STATE_SYSTEM_CHECKED) != 0;
    }
    g_events->push_back({event, child, checked});
}

TEST_F(AccessibleTree, ChangesAreAnnouncedOnceTheyAreInPlace) {
    std::vector<Event> events;
    g_events = &events;
    g_watched = host.list;
    const HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_REORDER, EVENT_OBJECT_NAMECHANGE, nullptr, &OnEvent,
                                                 ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    // The events go out from a timer of the list, once the thread has nothing else to do.
    auto step = [&](const std::function<void()>& change) {
        events.clear();
        change();
        const DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < 100) {
            host.Pump();
            ::Sleep(5);
        }
        return events;
    };
    // What building the tree announced is heard and dropped first: its timer may not have run yet.
    step([&] { ::SetFocus(host.window); });

    // The keyboard focus arrives: the first row takes the focus and is selected.
    EXPECT_EQ(step([&] { ::SetFocus(host.list); }),
              (std::vector<Event>{{EVENT_OBJECT_SELECTION, 1, false}, {EVENT_OBJECT_FOCUS, 1, false}}));
    // Space: the row is checked by the time it is announced (its children are not shown).
    EXPECT_EQ(step([&] { SendMessageA(host.list, WM_KEYDOWN, VK_SPACE, 0); }),
              (std::vector<Event>{{EVENT_OBJECT_STATECHANGE, 1, true}}));
    // Expanding changes the row's state and the list's children.
    EXPECT_EQ(step([&] { SendMessageA(host.list, WM_KEYDOWN, VK_ADD, 0); }),
              (std::vector<Event>{{EVENT_OBJECT_STATECHANGE, 1, true}, {EVENT_OBJECT_REORDER, CHILDID_SELF, false}}));
    EXPECT_EQ(step([&] { SendMessageA(host.list, WM_KEYDOWN, VK_DOWN, 0); }),
              (std::vector<Event>{{EVENT_OBJECT_SELECTION, 2, true}, {EVENT_OBJECT_FOCUS, 2, true}}));
    // Unchecking a child: the child, then its parent, now partly checked.
    EXPECT_EQ(step([&] { SendMessageA(host.list, WM_KEYDOWN, VK_SPACE, 0); }),
              (std::vector<Event>{{EVENT_OBJECT_STATECHANGE, 2, false}, {EVENT_OBJECT_STATECHANGE, 1, false}}));
    // A sort moves rows (here the focus row's category goes last, the focus row with it): the
    // focus row may show another name, or stand elsewhere.
    const std::vector<Event> sorted = step([&] { qs::test::ClickHeader(tree.header.m_hWnd, 0); });
    VARIANT focused;
    ASSERT_EQ(list.Get()->get_accFocus(&focused), S_OK);
    EXPECT_EQ(V_I4(&focused), 4);
    EXPECT_EQ(sorted, (std::vector<Event>{{EVENT_OBJECT_REORDER, CHILDID_SELF, false},
                                          {EVENT_OBJECT_NAMECHANGE, V_I4(&focused), false}}));
    // Rows that go take their pending events with them.
    EXPECT_EQ(step([&] {
                  tree.SetCheck(recent, kChecked, true, true);
                  tree.DeleteItem(recent);
              }),
              (std::vector<Event>{{EVENT_OBJECT_REORDER, CHILDID_SELF, false}}));

    ::UnhookWinEvent(hook);
    g_events = nullptr;
}

// ---- references --------------------------------------------------------------------------------

ULONG References(IAccessible* object) {
    object->AddRef();
    return object->Release();
}

TEST(AccessibleTreeObject, HeldOnceByTheListAndLeftDisconnectedWhenTheListGoes) {
    TreeListHost host(200, 100);
    auto tree = std::make_unique<JobTree>();
    ASSERT_TRUE(tree->SubclassWindow(host.list));
    tree->InsertItem(5, -1, kUnchecked, 0, nullptr);

    ComPtr<IAccessible> first;
    ASSERT_EQ(::AccessibleObjectFromWindow(host.list, OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(first.Put())),
              S_OK);
    EXPECT_EQ(References(first.Get()), 2u) << "the list's own and this one";
    {
        ComPtr<IAccessible> second;
        ASSERT_EQ(::AccessibleObjectFromWindow(host.list, OBJID_CLIENT, __uuidof(IAccessible),
                                               reinterpret_cast<void**>(second.Put())),
                  S_OK);
        EXPECT_EQ(second.Get(), first.Get()) << "one object per list";
        EXPECT_EQ(References(first.Get()), 3u);
    }
    EXPECT_EQ(References(first.Get()), 2u);

    // The control goes while a client still holds its object: the object answers, with an
    // error, and goes with the client's last reference.
    tree.reset();
    long count = 7;
    EXPECT_EQ(first.Get()->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    Bstr name;
    VARIANT self;
    V_VT(&self) = VT_I4;
    V_I4(&self) = CHILDID_SELF;
    EXPECT_EQ(first.Get()->get_accName(self, name.Put()), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(first.Release()->Release(), 0u);
}

} // namespace
