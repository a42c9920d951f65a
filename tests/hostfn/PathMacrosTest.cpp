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
                 {"%MYDOCUMENTS%", CSIDL_MYDOCUMENTS},
                 {"%PERSONAL%", CSIDL_PERSONAL},
                 {"%MYMUSIC%", CSIDL_MYMUSIC},
                 {"%MYPICTURES%", CSIDL_MYPICTURES},
                 {"%MYVIDEO%", CSIDL_MYVIDEO}};
    for (const auto& m : table) {
        // A folder the platform cannot name leaves the macro as it is, so the path names nothing
        // (the documents folder is such a case under Wine).
        const std::string folder = SpecialFolder(m.csidl);
        EXPECT_EQ(Expand(std::string(m.macro) + "\\f"), (folder.empty() ? m.macro : folder) + "\\F") << m.macro;
    }
}

TEST(PathMacros, LocalLowIsTheSiblingOfLocalAppData) {
    // The known folder of low-integrity programs: ...\AppData\LocalLow beside ...\AppData\Local.
    const std::string local = SpecialFolder(CSIDL_LOCAL_APPDATA);
    ASSERT_FALSE(local.empty());
    const std::string parent = local.substr(0, local.find_last_of('\\'));
    EXPECT_EQ(Upper(Expand("%LocalLow_AppData%\\x")), Upper(parent + "\\LocalLow\\x"));
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
    std::string full;
    EXPECT_TRUE(qs::ExpandPathMacrosFull("%QS_LONG%\\x", full));
    EXPECT_EQ(full.size(), 3002u);
    EXPECT_FALSE(qs::ExpandPathMacros("%QS_LONG%", out));
    SetEnvironmentVariableA("QS_LONG", nullptr);
}

TEST(PathMacros, TextThatCannotBeTakenWholeNamesNothingAtAnyStage) {
    SetEnvironmentVariableA("QS_HALF", std::string(20000, 'h').c_str());
    SetEnvironmentVariableA("QS_S", "s");
    std::string recents;
    for (int i = 0; i < 1500; ++i)
        recents += "%RECENT%";
    std::string shrinking = "C:\\";
    for (int i = 0; i < 100; ++i)
        shrinking += "%QS_S%";
    const struct {
        std::string source;
        size_t fullSize; // 0: refused
        bool path;
    } cases[] = {
        // 65,546 characters: the platform's 16-bit count once wrapped this to "C:\t\tree\".
        {"C:\\t\\tree\\" + std::string(65536, 'A'), 0, false},
        {"C:\\" + std::string(65533, 'A'), 0, false},
        {std::string(32767, 'a'), 0, false},
        {std::string(32766, 'a'), 32766, false},
        {"%QS_HALF%%QS_HALF%", 0, false},    // too long after the environment
        {"%QS_HALF%" + recents, 0, false},   // too long after the folder macros
        {"%QS_HALF%\\x", 20002, false},      // long in between, whole
        {std::string("C:\\a\0b", 6), 0, false},
        {shrinking, 103, true},              // longer than a path before the environment only
    };
    for (const auto& c : cases) {
        std::string out = "unset";
        EXPECT_EQ(qs::ExpandPathMacrosFull(c.source, out), c.fullSize != 0) << c.source.size();
        EXPECT_EQ(out.size(), c.fullSize) << c.source.size();
        EXPECT_EQ(qs::ExpandPathMacros(c.source, out), c.path) << c.source.size();
        EXPECT_EQ(out.size(), c.path ? c.fullSize : 0u) << c.source.size();
    }
    SetEnvironmentVariableA("QS_HALF", nullptr);
    SetEnvironmentVariableA("QS_S", nullptr);
}

TEST(PathMacros, OnlyPathsRootedAtADriveOrAShareStandOnTheirOwn) {
    const struct {
        const char* path;
        bool rooted;
    } cases[] = {
        {"C:\\", true},           {"c:\\x", true},         {"C:/x", true},
        {"\\\\srv\\share", true}, {"\\\\srv\\share\\x", true},
        {"", false},               {"x", false},             {"x\\y", false},
        {"C:", false},             {"C:x", false},           {"\\x", false},
        {"/x", false},             {"1:\\x", false},        {"%NOSUCH%\\x", false},
        {"\\\\.\\C:", false},     {"\\\\?\\C:\\x", false},  {"\\\\srv", false},
        {"\\\\srv\\", false},     {"\\\\\\x", false},       {"\\\\srv\\\\x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qs::IsRootedPath(c.path), c.rooted) << c.path;
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
