// Translating winapp2.ini entries: one table row per feature of the format with the job tables,
// keys, detection and warning it must become, or the refusal it must get; and the script text.
#include "engine/Winapp2Script.h"

#include "engine/LuaVirtualMachine.h"
#include "engine/PluginScript.h"
#include "hostfn/FolderMacros.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

using qs::Winapp2Plugin;
using Strings = std::vector<std::string>;

// The first entry of `text`, translated.
Winapp2Plugin Translate(const std::string& text, bool dangerousFile = false) {
    const qs::Winapp2File file = qs::ReadWinapp2(text.data(), text.size());
    EXPECT_FALSE(file.entries.empty());
    return file.entries.empty() ? Winapp2Plugin() : qs::TranslateWinapp2(file.entries[0], dangerousFile);
}

// The jobs as "folder | files | flags" lines.
Strings Jobs(const Winapp2Plugin& p) {
    Strings out;
    for (const qs::Winapp2Job& j : p.jobs)
        out.push_back(j.folder + " | " + j.files + " |" + (j.recurse ? " recurse" : "") +
                      (j.removeSelf ? " removeSelf" : ""));
    return out;
}

struct FileKeyCase {
    const char* key; // the FileKey1 value
    Strings jobs;    // expected, or empty with `refused`
    const char* refused;
};

TEST(Winapp2Script, FileKeysVariablesWildcardsAndFlags) {
    const FileKeyCase cases[] = {
        {"%AppData%\\A|*.log", {"%APPDATA%\\A | *.log |"}, nullptr},
        {"%LocalAppData%\\A|index.dat", {"%LOCALAPPDATA%\\A | index.dat |"}, nullptr},
        {"%LocalLowAppData%\\A|*.tmp;x.db", {"%LOCALLOW_APPDATA%\\A | *.tmp;x.db |"}, nullptr},
        {"%ProgramData%\\A|*.*", {"%PROGRAMDATA%\\A | * |"}, nullptr},
        {"%CommonAppData%\\A|*", {"%PROGRAMDATA%\\A | * |"}, nullptr},
        // Both program folders of 64-bit Windows, each its own job.
        {"%ProgramFiles%\\A|*.log", {"%PROGRAMFILES%\\A | *.log |", "%PROGRAMFILES(X86)%\\A | *.log |"}, nullptr},
        {"%CommonProgramFiles%\\A|*.log",
         {"%COMMONPROGRAMFILES%\\A | *.log |", "%COMMONPROGRAMFILES(X86)%\\A | *.log |"}, nullptr},
        {"%UserProfile%\\A|*.log", {"%USERPROFILE%\\A | *.log |"}, nullptr},
        {"%Documents%\\A|*.log", {"%PERSONAL%\\A | *.log |"}, nullptr},
        {"%Music%\\A|*.log", {"%MYMUSIC%\\A | *.log |"}, nullptr},
        {"%Pictures%\\A|*.log", {"%MYPICTURES%\\A | *.log |"}, nullptr},
        {"%Video%\\A|*.log", {"%MYVIDEO%\\A | *.log |"}, nullptr},
        {"%Public%\\A|*.log", {"%PUBLIC%\\A | *.log |"}, nullptr},
        {"%SystemDrive%\\A|*.log", {"%SYSTEMDRIVE%\\A | *.log |"}, nullptr},
        {"%WinDir%\\Temp|*.log", {"%WINDIR%\\Temp | *.log |"}, nullptr},
        {"%Temp%\\A\\|*.log", {"%TEMP%\\A | *.log |"}, nullptr}, // any environment variable; trailing \ dropped
        {"C:\\Data\\A|*.log", {"C:\\Data\\A | *.log |"}, nullptr},
        // Folder wildcards stay within their level; the job table matches them.
        {"%LocalAppData%\\Foo*\\User Data\\*\\Cache|*.*|RECURSE",
         {"%LOCALAPPDATA%\\Foo*\\User Data\\*\\Cache | * | recurse"}, nullptr},
        // REMOVESELF: every file, every subfolder, and the folder once empty.
        {"%AppData%\\A|*.*|REMOVESELF", {"%APPDATA%\\A | * | recurse removeSelf"}, nullptr},
        {"%AppData%\\A|*.log;*.*", {"%APPDATA%\\A | * |"}, nullptr},
        // Patterns on bare file names, as the job's files: any wildcards, several at once, at
        // every depth, and with the folders emptied removed.
        {"%AppData%\\A|f_*", {"%APPDATA%\\A | f_* |"}, nullptr},
        {"%AppData%\\A|a.txt;*.log;x?.dat", {"%APPDATA%\\A | a.txt;*.log;x?.dat |"}, nullptr},
        {"%AppData%\\A|*.log|RECURSE", {"%APPDATA%\\A | *.log | recurse"}, nullptr},
        {"%AppData%\\A|index.dat|REMOVESELF", {"%APPDATA%\\A | index.dat | recurse removeSelf"}, nullptr},
        {"%AppData%\\A*\\B|data_?.bin;*.tmp|REMOVESELF", {"%APPDATA%\\A*\\B | data_?.bin;*.tmp | recurse removeSelf"},
         nullptr},
        // What no mask on bare names says.
        {"%AppData%\\A|sub\\*.log", {}, "not a file name"},
        {"%AppData%\\A|a:b", {}, "not a file name"},
        {"%AppData%\\A|*.", {}, "ending in ."},
        {"%AppData%\\A|x.log;readme.|RECURSE", {}, "ending in ."},
        {"%AppData%\\A|*.log;", {}, "empty pattern"},
        {"%AppData%\\A|", {}, "empty pattern"},
        {"%AppData%\\A|*.log|RECURSIVE", {}, "unknown flag"},
        {"%AppData%\\A", {}, "folder|patterns"},
        {"%AppData%\\A|*.log|RECURSE|REMOVESELF", {}, "folder|patterns"},
        // Paths that could name anything.
        {"Temp\\A|*.log", {}, "does not start at a drive or a variable"},
        {"%AppData%\\..\\A|*.log", {}, ". or .."},
        {"%AppData%\\\\A|*.log", {}, ". or .."},
        {"*\\A|*.log", {}, "does not start"},
        {"%AppData|*.log", {}, "opens no variable"},
        {"%System%\\A|*.log", {}, "this program's own folder"},
        {"%AppData%\\\xC3\xA4|*.log", {}, "not taken"},
        {"%AppData%\\a;b|*.log", {}, "not taken"},
        // Each program folder doubles the paths: one per path at most (a fuzzer's finding, where
        // a line of them grew into millions of paths).
        {"%ProgramFiles%\\%ProgramFiles%\\A|*.log", {}, "more than one program folder"},
    };
    for (const FileKeyCase& c : cases) {
        const Winapp2Plugin p = Translate(std::string("[E *]\nFileKey1=") + c.key + "\n");
        if (c.refused != nullptr) {
            EXPECT_NE(p.refused.find(c.refused), std::string::npos) << c.key << ": " << p.refused;
            EXPECT_TRUE(p.text.empty()) << c.key;
            continue;
        }
        EXPECT_EQ(p.refused, "") << c.key;
        EXPECT_EQ(Jobs(p), c.jobs) << c.key;
        // The script holds each job table as written.
        for (const qs::Winapp2Job& j : p.jobs) {
            std::string folder;
            for (const char ch : j.folder)
                folder += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
            EXPECT_NE(p.text.find("{ folder = \"" + folder + "\""), std::string::npos) << c.key << "\n" << p.text;
        }
    }
}

// A variable of one of the host's own folder macro names would be read as the host's folder: every
// macro the host expands is refused, in any letter case, from the one table both read.
TEST(Winapp2Script, TheHostsFolderMacrosAreRefused) {
    for (const qs::FolderMacro& macro : qs::kFolderMacros) {
        std::string lower = macro.name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const std::string& name : {std::string(macro.name), lower}) {
            const Winapp2Plugin p = Translate("[E *]\nFileKey1=%" + name + "%\\A|*.log\n");
            EXPECT_NE(p.refused.find("this program's own folder"), std::string::npos) << name << ": " << p.refused;
        }
    }
}

TEST(Winapp2Script, ExcludeKeysKeepFilesOfEveryJob) {
    const struct {
        const char* exclude;
        const char* keep; // the job tables' exclude
    } cases[] = {
        {"FILE|%LocalAppData%\\Foo\\|keep.dat;a*.txt", "*\\Foo\\keep.dat;*\\Foo\\a*.txt"},
        {"FILE|%LocalAppData%\\Foo\\keep.dat", "*\\Foo\\keep.dat"},
        {"PATH|%LocalAppData%\\Foo\\Saved\\|*.log", "*\\Foo\\Saved\\*.log;*\\Foo\\Saved\\*\\*.log"},
        {"PATH|%LocalAppData%\\Foo\\Saved\\", "*\\Foo\\Saved\\*;*\\Foo\\Saved"},
        // Both program folders are kept, each under its own tail.
        {"FILE|%ProgramFiles%\\Foo\\|a.txt", "*\\Foo\\a.txt;*\\Foo\\a.txt"},
        {"FILE|%AppData%\\|a.txt", "*\\a.txt"},
    };
    for (const auto& c : cases) {
        const Winapp2Plugin p = Translate(std::string("[E *]\nFileKey1=%LocalAppData%\\Foo|*.*|RECURSE\n"
                                                      "FileKey2=%AppData%\\Bar|*.tmp\nExcludeKey1=") +
                                          c.exclude + "\n");
        ASSERT_EQ(p.refused, "") << c.exclude;
        EXPECT_EQ(p.exclude, c.keep) << c.exclude;
        ASSERT_EQ(p.jobs.size(), 2u);
        EXPECT_NE(p.text.find("exclude = keep },\n    { folder = \"%APPDATA%\\\\Bar\""), std::string::npos) << p.text;
    }
    for (const char* bad : {"FILE|%AppData%\\A\\|", "DIR|%AppData%\\A\\|x", "PATH|Temp\\|x", "REG|HKXX\\Software\\A"}) {
        const Winapp2Plugin p = Translate(std::string("[E *]\nFileKey1=%AppData%\\A|*.tmp\nExcludeKey1=") + bad + "\n");
        EXPECT_NE(p.refused, "") << bad;
    }
}

TEST(Winapp2Script, RegistryKeysValuesAndTheirExclusions) {
    const struct {
        const char* keys;
        Strings trees;
        Strings values; // key|value
        const char* refused;
    } cases[] = {
        {"RegKey1=HKCU\\Software\\Foo\\MRU\nRegKey2=HKLM\\Software\\Foo|LastFile\n",
         {"HKEY_CURRENT_USER\\Software\\Foo\\MRU"}, {"HKEY_LOCAL_MACHINE\\Software\\Foo|LastFile"}, nullptr},
        {"RegKey1=HKCR\\a\\b\nRegKey2=HKU\\S\\a\nRegKey3=HKCC\\a\\b\n",
         {"HKEY_CLASSES_ROOT\\a\\b", "HKEY_USERS\\S\\a", "HKEY_CURRENT_CONFIG\\a\\b"}, {}, nullptr},
        {"RegKey1=HKCU\\Software\\Foo|*\n", {}, {}, "cannot be named exactly"},
        {"RegKey1=HKCU\\Software\\Foo|a;b\n", {}, {}, "cannot be named exactly"},
        {"RegKey1=HKCU\\Software\\Foo|\n", {}, {}, "cannot be named exactly"},
        {"RegKey1=HKCU\n", {}, {}, "not a key below a hive"},
        {"RegKey1=HKXX\\Software\n", {}, {}, "no known hive"},
        // A kept value of a value RegKey: that RegKey goes, the others stay.
        {"RegKey1=HKCU\\Software\\Foo|A\nRegKey2=HKCU\\Software\\Foo|B\nExcludeKey1=REG|HKCU\\Software\\Foo|a\n", {},
         {"HKEY_CURRENT_USER\\Software\\Foo|B"}, nullptr},
        // A tree inside a kept key is not deleted at all.
        {"RegKey1=HKCU\\Software\\Foo\\Sub\nRegKey2=HKCU\\Software\\Bar\\X\nExcludeKey1=REG|HKCU\\Software\\Foo\n",
         {"HKEY_CURRENT_USER\\Software\\Bar\\X"}, {}, nullptr},
        // A kept key inside a tree deleted whole cannot be honoured.
        {"RegKey1=HKCU\\Software\\Foo\nExcludeKey1=REG|HKCU\\Software\\Foo\\Keep\n", {}, {}, "deletes whole"},
        {"RegKey1=HKCU\\Software\\Foo\nExcludeKey1=REG|HKCU\\Software\\Foo|Keep\n", {}, {}, "deletes whole"},
        {"RegKey1=HKCU\\Software\\Foo|A\nExcludeKey1=REG|HKCU\\Software\\Foo\n", {}, {}, "keep everything"},
    };
    for (const auto& c : cases) {
        const Winapp2Plugin p = Translate(std::string("[E *]\n") + c.keys);
        if (c.refused != nullptr) {
            EXPECT_NE(p.refused.find(c.refused), std::string::npos) << c.keys << ": " << p.refused;
            continue;
        }
        ASSERT_EQ(p.refused, "") << c.keys;
        EXPECT_EQ(p.registryTrees, c.trees) << c.keys;
        Strings values;
        for (const qs::Winapp2RegValue& v : p.registryValues)
            values.push_back(v.key + "|" + v.value);
        EXPECT_EQ(values, c.values) << c.keys;
    }
}

TEST(Winapp2Script, DetectionCategoryWarningAndRefusals) {
    Winapp2Plugin p = Translate("[E *]\nLangSecRef=3029\nDetect=HKCU\\Software\\A\nDetect2=HKLM\\Software\\B\n"
                                "DetectFile=%ProgramFiles%\\A\\a.exe\nDetectFile2=%AppData%\\A*\nDetectOS=6.2|10.0\n"
                                "FileKey1=%AppData%\\A|*.tmp\n");
    ASSERT_EQ(p.refused, "");
    EXPECT_EQ(p.category, "Google Chrome");
    EXPECT_EQ(p.detection.keys, (Strings{"HKEY_CURRENT_USER\\Software\\A", "HKEY_LOCAL_MACHINE\\Software\\B"}));
    EXPECT_EQ(p.detection.files,
              (Strings{"%PROGRAMFILES%\\A\\a.exe", "%PROGRAMFILES(X86)%\\A\\a.exe", "%APPDATA%\\A*"}));
    EXPECT_EQ(p.detection.osFrom, "6.2");
    EXPECT_EQ(p.detection.osTo, "10.0");
    EXPECT_EQ(p.warning, "");
    EXPECT_NE(p.text.find("local windowsFrom, windowsTo = \"6.2\", \"10.0\""), std::string::npos);

    const struct {
        const char* keys;
        const char* category;
    } categories[] = {{"Section=My own\nLangSecRef=3021\n", "My own"},
                      {"LangSecRef=3022\n", "Internet"},
                      {"LangSecRef=4711\n", "4711"},
                      {"", "Other"}};
    for (const auto& c : categories)
        EXPECT_EQ(Translate(std::string("[E *]\n") + c.keys + "FileKey1=%Temp%|*.tmp\n").category, c.category)
            << c.keys;

    p = Translate("[E *]\nSpecialDetect=DET_MOZILLA\nFileKey1=%Temp%|*.tmp\n");
    EXPECT_EQ(p.detection.files, Strings{"%APPDATA%\\Mozilla\\Firefox"});

    // Warnings: the entry's own, and ours for what the community names as consequential.
    EXPECT_EQ(Translate("[E *]\nWarning=Signs you out.\nFileKey1=%Temp%|*.tmp\n").warning, "Signs you out.");
    for (const char* dangerous :
         {"[Windows Prefetch *]\nFileKey1=%WinDir%\\Prefetch|*.pf\n", "[Word *]\nFileKey1=%AppData%\\Word|*.asd\n"
                                                                      "FileKey2=%AppData%\\Templates|Normal.dotm\n",
          "[Office *]\nFileKey1=%AppData%\\Office\\AutoRecover|*.tmp\n",
          "[Logs *]\nFileKey1=%WinDir%\\System32\\winevt\\Logs|*.evtx\n",
          "[Assoc *]\nRegKey1=HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\n"}) {
        p = Translate(dangerous);
        ASSERT_EQ(p.refused, "") << dangerous;
        EXPECT_NE(p.warning, "") << dangerous;
        EXPECT_NE(p.text.find("local warning = \"This entry removes"), std::string::npos) << dangerous;
    }
    EXPECT_NE(Translate("[E *]\nFileKey1=%Temp%|*.tmp\n", true).warning, "");
    EXPECT_EQ(Translate("[E *]\nFileKey1=%Temp%|*.tmp\n").warning, "");

    for (const char* refused : {"[E *]\nLangSecRef=3021\n", "[E *]\nFileKey1=%Temp%|*.tmp\nFileKeys1=x\n",
                                "[E *]\nFileKey=%Temp%|*.tmp\n", "[E *]\nDetectOS=6.2\nFileKey1=%Temp%|*.tmp\n",
                                "[E *]\nDetectOS=6.x|\nFileKey1=%Temp%|*.tmp\n",
                                "[E *]\nSpecialDetect=DET_NOTHING\nFileKey1=%Temp%|*.tmp\n",
                                "[E *]\nWarning2=x\nFileKey1=%Temp%|*.tmp\n", "[E *]\nFileKey1=%Temp%|*.tmp\nbroken\n"})
        EXPECT_NE(Translate(refused).refused, "") << refused;
}

TEST(Winapp2Script, SystemVersionBounds) {
    const struct {
        const char* version;
        const char* from;
        const char* to;
        bool within;
    } cases[] = {
        {"6.1.7601", "6.2", "", false}, {"6.2.9200", "6.2", "", true},  {"10.0.19045", "6.2", "", true},
        {"6.1.7601", "", "6.1", true},  {"6.2.9200", "", "6.1", false}, {"10.0.22631", "10.0", "10.0", true},
        {"10.0.22631", "", "", true},   {"6.3.9600", "6.1", "6.3", true}, {"10.0.22000", "10.0.22000", "", true},
        {"10.0.19045", "10.0.22000", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qs::WithinWinapp2Os(c.version, c.from, c.to), c.within) << c.version << " " << c.from << "|" << c.to;
}

// The generated text is a script the host loads: its detection answers as the native check
// does, its warning is read, and its name is the entry's.
TEST(Winapp2Script, TheTextLoadsAndDetectsAsTheEntrySays) {
    qs::CLuaVirtualMachine vm;
    ASSERT_TRUE(vm.Open());
    const struct {
        const char* entry;
        const char* name; // nil when it does not apply here
    } cases[] = {
        {"[Always \"quoted\" \\ *]\nFileKey1=%Temp%|*.tmp\n", "Always \"quoted\" \\"},
        {"[No key *]\nDetect=HKCU\\Software\\QuillsweepTests\\NoSuchKey\nFileKey1=%Temp%|*.tmp\n", nullptr},
        {"[Key *]\nDetect=HKCU\\Software\\NoSuchKey\nDetect2=HKCU\\Software\nFileKey1=%Temp%|*.tmp\n", "Key"},
        {"[Old system *]\nDetectOS=|5.1\nFileKey1=%Temp%|*.tmp\n", nullptr},
        {"[New system *]\nDetectOS=5.1|\nWarning=Careful.\nFileKey1=%Temp%|*.tmp\n", "New system"},
    };
    for (const auto& c : cases) {
        const Winapp2Plugin p = Translate(c.entry);
        ASSERT_EQ(p.refused, "") << c.entry;
        qs::CPluginScript script(vm);
        ASSERT_TRUE(script.LoadText(p.text, "=test")) << vm.LastError() << "\n" << p.text;
        std::string name;
        ASSERT_TRUE(script.GetPluginName(name)) << vm.LastError();
        EXPECT_EQ(name, c.name != nullptr ? c.name : "") << c.entry;
        script.ReadPluginTexts();
        EXPECT_EQ(script.Warning(), p.warning);
    }
}

} // namespace
