// What the companion's commands print: the list, preview, clean and check documents, each as a
// text table or as JSON. Plain functions over plain data, so that tests call them directly.
#pragma once

#include "cli/JsonWriter.h"
#include "cli/NameCheck.h"
#include "cli/ScriptIssues.h"
#include "cli/TextTable.h"
#include "engine/FileListing.h"
#include "engine/ScriptValues.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

struct CListRow {
    unsigned depth = 0;
    bool category = false;
    std::uint32_t checkState = 1; // 1 unchecked, 2 checked, 3 partly checked
    std::string name;
    std::string file;        // a category's folder, a plugin's script
    std::string description; // a plugin's one line on what it removes; may be empty
    std::string warning;     // what a plugin asks the user to accept before it cleans; may be empty
};

// One plugin of a preview or a clean.
struct CPluginOutcome {
    enum Status {
        kOk,        // ran through (an entry point that is missing leaves the figures at 0)
        kFailed,    // an entry point raised; see `errors`
        kCancelled, // the run was stopped while this plugin worked: its figures may fall short
        kNotRun,    // the run was stopped before this plugin
        kSkipped,   // clean: its Clear chose to clean nothing (what it cleans is in use); see `skipped`
    };
    std::string name;
    std::string category; // the row above it, empty for a top-level plugin
    bool topLevel = true;
    Status status = kNotRun;
    // Preview: the measurement. Clean: what the plugin measures after Clear.
    bool measured = false;
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    // Clean only: the measurement before Clear.
    bool measuredBefore = false;
    std::uint64_t sizeBefore = 0;
    std::uint32_t countBefore = 0;
    std::string skipped; // clean: the reason its Clear gave for cleaning nothing
    std::vector<CScriptIssue> errors;
};

// One plugin of preview --files: its measurement and every file it counted, in the listing's order.
struct CPluginFiles {
    CPluginOutcome outcome;
    std::vector<CListedFile> files;
};

// Bytes and items a clean freed: what was measured before less what is left, never below 0.
// False when either measurement is missing.
bool Freed(const CPluginOutcome& outcome, std::uint64_t& size, std::uint64_t& count);

// `notDetected`: the scripts that gave no name (their program is not here), in a note of their own.
std::string FormatList(const std::vector<CListRow>& rows, const std::vector<CScriptIssue>& issues, bool json,
                       const std::vector<std::string>& notDetected = {});
std::string FormatPreview(const std::vector<CPluginOutcome>& plugins, bool cancelled, bool json);
std::string FormatClean(const std::vector<CPluginOutcome>& plugins, bool cancelled, bool json);
std::string FormatCheck(const std::vector<CScriptIssue>& issues, unsigned plugins, unsigned categories, bool cancelled,
                        bool json);
std::string FormatFiles(const std::vector<CPluginFiles>& plugins, bool cancelled, bool json);
// The keep list as the settings file at `settingsPath` holds it ("" when there is none).
std::string FormatKeepList(const std::vector<std::string>& kept, const std::string& settingsPath, bool json);

// ---- shared by the two forms --------------------------------------------------------------

struct CFigures {
    std::uint64_t size = 0;
    std::uint64_t count = 0;
};

// What a preview measured and what a clean freed, over every plugin that has the figure.
CFigures PreviewTotal(const std::vector<CPluginOutcome>& plugins);
CFigures CleanTotal(const std::vector<CPluginOutcome>& plugins);
// Files with at least one broken issue, each counted once.
std::size_t BrokenFileCount(const std::vector<CScriptIssue>& issues);


// "ok", "failed", "cancelled", "not run", "skipped".
const char* StatusWord(CPluginOutcome::Status status);
// "no", "yes", "partly" for the check states 1, 2, 3.
const char* CheckWord(std::uint32_t state);

// The text forms (ReportText.cpp) and the JSON forms (ReportJson.cpp) of each document.
std::string ListText(const std::vector<CListRow>& rows, const std::vector<CScriptIssue>& issues,
                     const std::vector<std::string>& notDetected);
std::string ListJson(const std::vector<CListRow>& rows, const std::vector<CScriptIssue>& issues,
                     const std::vector<std::string>& notDetected);
std::string PreviewText(const std::vector<CPluginOutcome>& plugins, bool cancelled);
std::string PreviewJson(const std::vector<CPluginOutcome>& plugins, bool cancelled);
std::string CleanText(const std::vector<CPluginOutcome>& plugins, bool cancelled);
std::string CleanJson(const std::vector<CPluginOutcome>& plugins, bool cancelled);
std::string CheckText(const std::vector<CScriptIssue>& issues, unsigned plugins, unsigned categories, bool cancelled);
std::string CheckJson(const std::vector<CScriptIssue>& issues, unsigned plugins, unsigned categories, bool cancelled);
std::string FilesText(const std::vector<CPluginFiles>& plugins, bool cancelled);
std::string FilesJson(const std::vector<CPluginFiles>& plugins, bool cancelled);
std::string KeepListText(const std::vector<std::string>& kept, const std::string& settingsPath);
std::string KeepListJson(const std::vector<std::string>& kept, const std::string& settingsPath);

} // namespace qs
