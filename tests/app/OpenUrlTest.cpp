// Opening addresses: the cutting of the browser's command line, and the fallback route with a
// browser registered in a test key. No test starts a real browser.
#include "app/OpenUrl.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CutCase {
    const char* registered;
    const char* expected;
};

class BrowserCommandLineTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(BrowserCommandLineTest, CutsAtThePlaceholderAndAppendsTheAddress) {
    EXPECT_EQ(qs::BrowserCommandLine(GetParam().registered, "http://a.example/x?y=1"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BrowserCommandLineTest,
    ::testing::Values(CutCase{R"("C:\B\b.exe" -url "%1")", R"("C:\B\b.exe" -url  http://a.example/x?y=1)"},
                      CutCase{R"("C:\B\b.exe" -url "%1" -extra)", R"("C:\B\b.exe" -url  http://a.example/x?y=1)"},
                      CutCase{R"(C:\B\b.exe %1 -nohome)", R"(C:\B\b.exe  http://a.example/x?y=1)"},
                      CutCase{R"(C:\B\b.exe)", R"(C:\B\b.exe http://a.example/x?y=1)"},
                      // The quoted placeholder is looked for first, wherever a bare one stands.
                      CutCase{R"(b.exe %1 "%1")", R"(b.exe %1  http://a.example/x?y=1)"},
                      CutCase{"", " http://a.example/x?y=1"}));

// A classes root of our own under HKEY_CURRENT_USER, removed afterwards.
class OpenUrlFallback : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_root, nullptr),
                  ERROR_SUCCESS);
        m_routes.classesRoot = m_root;
        m_routes.shellOpen = [this](const char* address, int show) {
            shellCalls.push_back(std::string(address) + "|" + std::to_string(show));
            return shellResult;
        };
        m_routes.exec = [this](const char* command, int show) {
            execCalls.push_back(std::string(command) + "|" + std::to_string(show));
            return UINT{33};
        };
    }
    void TearDown() override {
        ::RegCloseKey(m_root);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
    }
    void SetDefault(const char* subkey, const std::string& value) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(m_root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
        ::RegCloseKey(key);
    }
    INT_PTR Open(const char* address) { return qs::OpenUrlWith(m_routes, address, SW_SHOWNORMAL); }

    static constexpr const char* kRoot = "Software\\QuillsweepTests\\OpenUrl";
    HKEY m_root = nullptr;
    qs::OpenUrlRoutes m_routes;
    INT_PTR shellResult = SE_ERR_NOASSOC;
    std::vector<std::string> shellCalls, execCalls;
};

TEST_F(OpenUrlFallback, ShellThatOpensTheAddressIsAllThatRuns) {
    SetDefault(".htm", "QsTestHtml");
    SetDefault("QsTestHtml\\shell\\open\\command", R"("C:\fake\browser.exe" -url "%1")");
    shellResult = 42;
    EXPECT_EQ(Open("http://a.example/"), 42);
    EXPECT_EQ(shellCalls, std::vector<std::string>{"http://a.example/|1"});
    EXPECT_TRUE(execCalls.empty());
}

TEST_F(OpenUrlFallback, ShellFailureStartsTheRegisteredBrowser) {
    SetDefault(".htm", "QsTestHtml");
    SetDefault("QsTestHtml\\shell\\open\\command", R"("C:\fake\browser.exe" -url "%1")");
    EXPECT_EQ(Open("mailto:someone@a.example"), 33);
    EXPECT_EQ(execCalls, std::vector<std::string>{R"("C:\fake\browser.exe" -url  mailto:someone@a.example|1)"});
}

TEST_F(OpenUrlFallback, AMissingOrUnreadableRegistrationAnswersTheShellsResult) {
    EXPECT_EQ(Open("http://a.example/"), SE_ERR_NOASSOC) << "no .htm class";
    SetDefault(".htm", "QsTestHtml");
    EXPECT_EQ(Open("http://a.example/"), SE_ERR_NOASSOC) << "no open command";
    SetDefault("QsTestHtml\\shell\\open\\command", "C:\\" + std::string(300, 'b') + ".exe");
    EXPECT_EQ(Open("http://a.example/"), SE_ERR_NOASSOC) << "a command line longer than the buffer";
    SetDefault("QsTestHtml\\shell\\open\\command", "C:\\" + std::string(250, 'b') + ".exe");
    EXPECT_EQ(Open("http://a.example/"), 33) << "the longest that fits";
    EXPECT_EQ(execCalls.size(), 1u);
}

} // namespace
