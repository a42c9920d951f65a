// Detection of running programs and the system version, against this test process itself.
#include "hostfn/SystemInfo.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <string>

namespace {

std::string OwnExeName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string full = path;
    return full.substr(full.find_last_of("\\/") + 1);
}

TEST(IsProcessRunning, FindsRunningExecutablesByWholeNameInAnyCase) {
    const std::string own = OwnExeName();
    ASSERT_FALSE(own.empty());
    std::string upper = own, mixed = own;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (size_t i = 0; i < mixed.size(); i += 2)
        mixed[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(mixed[i])));
    struct {
        std::string name;
        bool running;
    } cases[] = {
        {own, true},
        {upper, true},
        {mixed, true},
        {own.substr(0, own.size() - 4), false}, // without its extension
        {own.substr(1), false},                 // the end of the name alone
        {own + "x", false},
        {"C:\\" + own, false}, // a path is no file name
        {"quillsweep-no-such-program.exe", false},
        {"", false},
        {"*", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qs::IsProcessRunning(c.name), c.running) << c.name;
}

TEST(WindowsVersionText, IsThreeNumbersAsTheKernelReportsThem) {
    const std::string text = qs::WindowsVersionText();
    unsigned major = 0, minor = 0, build = 0;
    char rest = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), "%u.%u.%u%c", &major, &minor, &build, &rest), 3) << text;
    EXPECT_EQ(text, std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build));
    EXPECT_GE(major, 5u);
    EXPECT_GT(build, 0u);
}

} // namespace
