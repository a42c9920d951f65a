// Environment variables and folder macros in script paths, on the real platform.
#include "hostfn/PathMacros.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

namespace {

std::string Upper(std::string s) {
    CharUpperBuffA(&s[0], static_cast<DWORD>(s.size()));
    return s;
}

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    return SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? path : "";
}

std::string Expand(const std::string& source) {
    std::string out = "unset";
    EXPECT_TRUE(qs::ExpandPathMacros(source, out)) << source;
    return out;
}

TEST(PathMacros, EnvironmentFirstThenUpperCase) {
    char temp[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableA("TEMP", temp, MAX_PATH), 0u);
    EXPECT_EQ(Expand("%temp%\\*.tmp"), Upper(temp) + "\\*.TMP");
    EXPECT_EQ(Expand("%QS_NOT_DEFINED%\\a"), "%QS_NOT_DEFINED%\\A");
    EXPECT_EQ(Expand(""), "");
    EXPECT_EQ(Expand("c:\\no\\macro"), "C:\\NO\\MACRO");
}

TEST(PathMacros, FolderMacrosAnywhereAnyCaseAnyNumberOfTimes) {
    const std::string recent = SpecialFolder(CSIDL_RECENT);
    ASSERT_FALSE(recent.empty());
    EXPECT_EQ(Expand("%RECENT%\\%recent%"), recent + "\\" + recent);
    EXPECT_EQ(Expand("x%History%y"), "X" + SpecialFolder(CSIDL_HISTORY) + "Y");
    EXPECT_EQ(Expand("%sCrIpTs%\\Browsers\\a.lua"), qs::ScriptsFolderPath() + "\\BROWSERS\\A.LUA");
    struct {
        const char* macro;
        int csidl;
    } table[] = {{"%COOKIES%", CSIDL_COOKIES},
                 {"%PROGRAM_FILES%", CSIDL_PROGRAM_FILES},
                 {"%SYSTEM%", CSIDL_SYSTEM},
                 {"%LOCAL_APPDATA%", CSIDL_LOCAL_APPDATA},
                 {"%INTERNET_CACHE%", CSIDL_INTERNET_CACHE},
                 {"%FAVORITES%", CSIDL_FAVORITES},
                 {"%DESKTOPDIRECTORY%", CSIDL_DESKTOPDIRECTORY},
                 {"%MYDOCUMENTS%", CSIDL_MYDOCUMENTS}};
    for (const auto& m : table) {
        // A folder the platform cannot name leaves the macro as it is, so the path names nothing
        // (the documents folder is such a case under Wine).
        const std::string folder = SpecialFolder(m.csidl);
        EXPECT_EQ(Expand(std::string(m.macro) + "\\f"), (folder.empty() ? m.macro : folder) + "\\F") << m.macro;
    }
}

TEST(PathMacros, EnvironmentVariableOfTheSameNameWins) {
    SetEnvironmentVariableA("SYSTEM", "c:\\from-env");
    EXPECT_EQ(Expand("%SYSTEM%\\a"), "C:\\FROM-ENV\\A");
    SetEnvironmentVariableA("SYSTEM", nullptr);
}

TEST(PathMacros, OverlongPathsAreRefusedNotCut) {
    std::string out = "unset";
    const std::string fits = "C:\\" + std::string(256, 'a');
    EXPECT_TRUE(qs::ExpandPathMacros(fits, out));
    EXPECT_EQ(out.size(), 259u);
    EXPECT_FALSE(qs::ExpandPathMacros(fits + "b", out));
    EXPECT_EQ(out, "");
    // The expansion may grow well past the classic 1024 characters; it is never cut either.
    SetEnvironmentVariableA("QS_LONG", std::string(3000, 'z').c_str());
    EXPECT_EQ(qs::ExpandPathMacrosFull("%QS_LONG%\\x").size(), 3002u);
    EXPECT_FALSE(qs::ExpandPathMacros("%QS_LONG%", out));
    SetEnvironmentVariableA("QS_LONG", nullptr);
}

TEST(PathMacros, ScriptsFolderCanBeRedirected) {
    const std::string original = qs::ScriptsFolderPath();
    EXPECT_EQ(original.substr(original.size() - 8), "\\scripts");
    qs::SetScriptsFolder("C:\\elsewhere\\");
    EXPECT_EQ(Expand("%SCRIPTS%\\a"), "C:\\elsewhere\\A");
    qs::SetScriptsFolder("");
    EXPECT_EQ(qs::ScriptsFolderPath(), original);
}

} // namespace
