// Calls into scripts under their budget: GetSize and Clear have no time limit, and every call
// stops at the count hook's next check once the run is cancelled.
#include "engine/PluginScript.h"
#include "hostfn/Cancellation.h"
#include "support/ScriptHost.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace {

using qs::CCallInterrupt;
using qs::CPluginScript;

// Milliseconds that `call` took.
DWORD Timed(const std::function<void()>& call) {
    const DWORD start = GetTickCount();
    call();
    return GetTickCount() - start;
}

// Sets the cancellation flag `afterMs` from now; clears it when the scope ends.
class CancelLater {
public:
    explicit CancelLater(DWORD afterMs)
        : m_thread([afterMs] {
              Sleep(afterMs);
              qs::CancelledFlag().store(true);
          }) {}
    ~CancelLater() {
        m_thread.join();
        qs::CancelledFlag().store(false);
    }
    CancelLater(const CancelLater&) = delete;
    CancelLater& operator=(const CancelLater&) = delete;

private:
    std::thread m_thread;
};

const char kLongButFinite[] = "local n = 0\n"
                              "for i = 1, 40000000 do n = n + i % 7 end\n";

TEST(ScriptBudget, GetSizeAndClearRunPastTheQuickBudget) {
    qs::test::ScriptHost host;
    host.Vm().SetQuickBudget(20);
    auto plugin = host.Load(std::string("function this:GetPluginName() return 'P' end\n"
                                        "function this:GetSize()\n") +
                            kLongButFinite + "  return 1234, 5\nend\nfunction this:Clear()\n" + kLongButFinite +
                            "  done = true\nend\n");
    ASSERT_NE(plugin, nullptr);
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    bool measured = false, cleared = false;
    const DWORD measuring = Timed([&] { measured = plugin->GetSize(size, count); });
    const DWORD clearing = Timed([&] { cleared = plugin->Clear(); });
    EXPECT_TRUE(measured) << host.Vm().LastError();
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(count, 5u);
    EXPECT_TRUE(cleared) << host.Vm().LastError();
    // Meaningful only where the loop outlasts the budget several times, as it does here.
    EXPECT_GT(measuring, 60u);
    EXPECT_GT(clearing, 60u);
}

struct EndlessCase {
    const char* entry;
    const char* body;
};

class ScriptCancelTest : public ::testing::TestWithParam<EndlessCase> {};

// An endless GetSize or Clear stops soon after Cancel, with a script error that says so; a
// script's own pcall cannot hold it. The machine works normally once the flag is cleared.
TEST_P(ScriptCancelTest, StopsSoonAfterCancel) {
    const EndlessCase& c = GetParam();
    qs::test::ScriptHost host;
    auto plugin = host.Load(std::string("function this:GetPluginName() return 'P' end\n") + "function this:" + c.entry +
                            "()\n" + c.body + "\nend\n");
    ASSERT_NE(plugin, nullptr);
    const std::size_t errors = host.Vm().ErrorCount();
    bool answered = true;
    DWORD elapsed = 0;
    // Timed from before the flag's thread starts: a busy machine may start the call late, but
    // never sets the flag early.
    const DWORD start = GetTickCount();
    {
        CancelLater cancel(300);
        std::uint64_t size = 0;
        std::uint32_t count = 0;
        answered = std::string(c.entry) == "GetSize" ? plugin->GetSize(size, count) : plugin->Clear();
        elapsed = GetTickCount() - start;
    }
    EXPECT_FALSE(answered);
    EXPECT_GE(elapsed, 250u);
    EXPECT_LT(elapsed, 3000u);
    EXPECT_EQ(host.Vm().ErrorCount(), errors + 1);
    EXPECT_EQ(host.Vm().LastInterrupt(), CCallInterrupt::kCancelled);
    EXPECT_NE(host.Vm().LastError().find("stopped: the run was cancelled"), std::string::npos) << host.Vm().LastError();
    std::string name;
    EXPECT_TRUE(plugin->GetPluginName(name));
    EXPECT_EQ(name, "P");
}

INSTANTIATE_TEST_SUITE_P(
    Loops, ScriptCancelTest,
    ::testing::Values(EndlessCase{"GetSize", "while true do end"}, EndlessCase{"Clear", "while true do end"},
                      EndlessCase{"GetSize", "while true do pcall(function() while true do end end) end"},
                      EndlessCase{"Clear", "local function f() return f() end\nf()"},
                      EndlessCase{"GetSize", "while true do self:GetFileSize('C:\\\\nothing-here') end"}),
    [](const ::testing::TestParamInfo<EndlessCase>& info) {
        return std::string(info.param.entry) + std::to_string(info.index);
    });

} // namespace
