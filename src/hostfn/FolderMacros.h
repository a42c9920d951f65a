// The host's folder macros (%RECENT%, %COOKIES%, ...): the one table that path expansion and the
// rule file translator both read, so that a macro added here is known to both.
#pragma once

namespace qs {

// The folder a macro stands for; the path expansion asks the platform for it.
enum class MacroFolderId {
    Recent,
    Cookies,
    ProgramFiles,
    System,
    MyDocuments,
    LocalAppData,
    InternetCache,
    History,
    Favorites,
    DesktopDirectory,
    Scripts, // the folder that holds the plugin scripts
    LocalLowAppData,
    Personal,
    MyMusic,
    MyPictures,
    MyVideo,
};

struct FolderMacro {
    const char* name; // between the two % signs, in capitals
    MacroFolderId folder;
};

// Replaced in this order.
inline constexpr FolderMacro kFolderMacros[] = {
    {"RECENT", MacroFolderId::Recent},
    {"COOKIES", MacroFolderId::Cookies},
    {"PROGRAM_FILES", MacroFolderId::ProgramFiles},
    {"SYSTEM", MacroFolderId::System},
    {"MYDOCUMENTS", MacroFolderId::MyDocuments},
    {"LOCAL_APPDATA", MacroFolderId::LocalAppData},
    {"INTERNET_CACHE", MacroFolderId::InternetCache},
    {"HISTORY", MacroFolderId::History},
    {"FAVORITES", MacroFolderId::Favorites},
    {"DESKTOPDIRECTORY", MacroFolderId::DesktopDirectory},
    {"SCRIPTS", MacroFolderId::Scripts},
    // The folders of rule files' variables that no environment variable names.
    {"LOCALLOW_APPDATA", MacroFolderId::LocalLowAppData},
    {"PERSONAL", MacroFolderId::Personal},
    {"MYMUSIC", MacroFolderId::MyMusic},
    {"MYPICTURES", MacroFolderId::MyPictures},
    {"MYVIDEO", MacroFolderId::MyVideo},
};

} // namespace qs
