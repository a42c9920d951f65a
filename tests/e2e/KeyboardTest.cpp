// The real program driven by the keyboard alone and read by a screen reader's calls: Tab into
// the list, move, check, expand, check a job inside, and clean through the Clean Selected
// button, with no mouse message sent; the list is followed through its accessible object from
// this process, as a screen reader follows it.
#include "app/PassHost.h"
#include "e2e/AppHarness.h"
#include "framework/ComHandle.h"
#include "hostfn/ComScope.h"
#include "resource.h"
#include "support/Snapshot.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <map>
#include <string>
#include <vector>

namespace {

using namespace qs;
using e2e::AppFolder;
using e2e::AppProcess;
using e2e::WaitUntil;

constexpr DWORD kNormalExit = 2;

// The list as a screen reader asks it, across the process boundary.
class ReaderView {
public:
    explicit ReaderView(HWND list) {
        ::AccessibleObjectFromWindow(list, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(m_list.Put()));
    }
    bool Valid() const { return static_cast<bool>(m_list); }

    long Count() const {
        long count = -1;
        m_list.Get()->get_accChildCount(&count);
        return count;
    }
    long Focus() const {
        VARIANT v;
        ::VariantInit(&v);
        return m_list.Get()->get_accFocus(&v) == S_OK && V_VT(&v) == VT_I4 ? V_I4(&v) : -1;
    }
    std::string Name(long child) const {
        Bstr name;
        m_list.Get()->get_accName(Child(child), name.Put());
        std::string narrow;
        for (const wchar_t* c = name.Get(); c != nullptr && *c != 0; ++c)
            narrow += static_cast<char>(*c);
        return narrow;
    }
    long State(long child) const {
        VARIANT v;
        ::VariantInit(&v);
        return m_list.Get()->get_accState(Child(child), &v) == S_OK ? V_I4(&v) : 0;
    }

private:
    static VARIANT Child(long id) {
        VARIANT v;
        V_VT(&v) = VT_I4;
        V_I4(&v) = id;
        return v;
    }
    ComPtr<IAccessible> m_list;
};

// Two categories of two jobs each; every job cleans a data folder of its own.
class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.AddCategory("Caches", "Caches");
        Add("Caches\\thumbs.lua", "Thumbnails", "thumbs", 4, 100);
        Add("Caches\\icons.lua", "Icons", "icons", 2, 700);
        app.AddCategory("Temp", "Temporary files");
        Add("Temp\\logs.lua", "Logs", "logs", 3, 1000);
        Add("Temp\\dumps.lua", "Dumps", "dumps", 2, 9000);
        jobsOf["Caches"] = {"thumbs", "icons"};
        jobsOf["Temporary files"] = {"logs", "dumps"};
    }

    void Add(const std::string& script, const std::string& name, const std::string& data, int files,
             std::uint32_t bytes) {
        app.AddPlugin(script, name, data);
        app.AddFiles(data, files, bytes);
        const std::uint64_t cluster = test::TempClusterSize();
        sizes[data] = files * ((bytes + cluster - 1) / cluster * cluster);
        counts[data] = static_cast<std::uint32_t>(files);
        jobsOf[name] = {data};
    }

    std::string TotalOf(const std::vector<std::string>& data) {
        std::uint64_t size = 0;
        std::uint32_t count = 0;
        for (const std::string& d : data) {
            size += sizes[d];
            count += counts[d];
        }
        return SelectionStatusText(size, count);
    }

    AppFolder app;
    std::map<std::string, std::uint64_t> sizes;
    std::map<std::string, std::uint32_t> counts;
    std::map<std::string, std::vector<std::string>> jobsOf; // a row's name: the data it cleans
};

TEST_F(KeyboardTest, TabDownSpaceExpandCheckAndCleanWithoutTheMouse) {
    const CComScope com;
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(6));
    HWND list = quillsweep.Item(IDC_SCRIPTS_LIST);

    // Tab into the list: its first row takes the focus at once.
    ASSERT_TRUE(quillsweep.TabTo(list));
    ReaderView reader(list);
    ASSERT_TRUE(reader.Valid());
    ASSERT_TRUE(WaitUntil([&] { return reader.Focus() == 1; }, 5000)) << reader.Focus();
    ASSERT_EQ(reader.Count(), 2) << "categories start collapsed";
    const std::string first = reader.Name(1), second = reader.Name(2);
    ASSERT_EQ(jobsOf[first].size() + jobsOf[second].size(), 4u) << first << " / " << second;

    // Down, Space: the second category is checked with its jobs.
    quillsweep.PressKey(VK_DOWN);
    quillsweep.PressKey(VK_SPACE);
    std::vector<std::string> checked = jobsOf[second];
    EXPECT_TRUE(WaitUntil([&] { return quillsweep.Status() == TotalOf(checked); }, 10000)) << quillsweep.Status();
    EXPECT_TRUE(WaitUntil([&] { return reader.Focus() == 2; }, 5000)) << reader.Focus();
    EXPECT_NE(reader.State(2) & STATE_SYSTEM_CHECKED, 0);

    // Up to the first category, the keypad's plus expands it, Down to its first job, Space.
    quillsweep.PressKey(VK_UP);
    quillsweep.PressKey(VK_ADD);
    quillsweep.PressKey(VK_DOWN);
    quillsweep.PressKey(VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return reader.Count() == 4 && reader.Focus() == 2; }, 5000))
        << reader.Count() << " rows, focus on " << reader.Focus();
    const std::string job = reader.Name(2);
    ASSERT_EQ(jobsOf[job].size(), 1u) << job;
    checked.push_back(jobsOf[job][0]);
    EXPECT_TRUE(WaitUntil([&] { return quillsweep.Status() == TotalOf(checked); }, 10000)) << quillsweep.Status();
    EXPECT_EQ(reader.State(1),
              STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_EXPANDED | STATE_SYSTEM_MIXED);
    EXPECT_EQ(reader.State(2), STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_CHECKED |
                                   STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED);
    {
        RECT r{};
        ::GetWindowRect(quillsweep.Main(), &r);
        test::PaintCanvas shot(r.right - r.left, r.bottom - r.top);
        test::CaptureWindow(quillsweep.Main(), shot);
        test::SavePng(shot, test::ShotPath("keyboard-focus-in-list"));
    }

    // Tab on to Clean Selected and press it with Space.
    ASSERT_TRUE(quillsweep.TabTo(quillsweep.Item(IDC_CLEAN_SELECTED)));
    quillsweep.MarkStatus();
    quillsweep.PressKey(VK_SPACE);
    ASSERT_TRUE(quillsweep.WaitPassEnd());
    EXPECT_EQ(quillsweep.Status(), SelectionStatusText(0, 0));
    for (const auto& [data, count] : counts) {
        const bool cleaned = std::find(checked.begin(), checked.end(), data) != checked.end();
        EXPECT_EQ(app.CountFiles(data), cleaned ? 0 : static_cast<int>(count)) << data;
    }

    quillsweep.PressEsc();
    EXPECT_EQ(quillsweep.WaitExit(), kNormalExit);
}

} // namespace
