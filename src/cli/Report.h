// What the companion prints: script problems, name matching, and the tables and JSON documents
// of its commands. Plain functions over plain data, so that tests call them directly.
#pragma once

#include "engine/Catalogue.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// The line ending of everything the companion writes. Output goes out in binary mode, so that
// names reach it byte for byte.
extern const char* const kEol;

// One thing wrong with a script file, as the companion reports it:
// "file:line: what (effect): message".
struct CScriptIssue {
    std::string file;
    unsigned long line = 0; // 0: no line known
    std::string what;       // "load error", "GetSize raised", "no GetPluginName", ...
    std::string effect;     // what it means for the list ("not listed", "no icon"), or empty
    std::string message;    // the Lua message without its location, or empty
    bool broken = false;    // a load error or an entry point that raised

    std::string Text() const;
};

// Splits a Lua error into the line and the message when it begins with the location of `file`
// ("path:12: message", the path maybe shortened by Lua to "...tail of path"). Other messages
// (another file's location, no location at all) stay whole with line 0.
void SplitScriptError(const std::string& file, const std::string& luaMessage, unsigned long& line,
                      std::string& message);

// An issue for an entry point that raised (`entryPoint` "GetSize", "Clear", ...) in `file`.
CScriptIssue RaisedIssue(const std::string& file, const std::string& entryPoint, const std::string& luaMessage);

// Collects what a catalogue scan reports as issues. A category.lua is met twice by the scan, as
// its folder's script and again as a plugin candidate of the folder: the second meeting adds
// nothing when it only repeats the first (the same load error) or is the usual case of a
// category script (no GetPluginName).
class CIssueCollector {
public:
    void Add(const std::string& path, CCatalogueObserver::Problem problem, const std::string& luaMessage);
    void Add(CScriptIssue issue) { m_issues.push_back(std::move(issue)); }
    const std::vector<CScriptIssue>& Issues() const { return m_issues; }

private:
    std::vector<CScriptIssue> m_issues;
    std::vector<std::pair<std::string, std::string>> m_categoryLoadErrors; // path, Lua message
};

// ---- names --------------------------------------------------------------------------------

// A row as names see it: its display name, kind and the names of the rows above it.
struct CNamedRow {
    std::string name;
    bool category = false;
    std::vector<std::string> parents; // outermost first
};

struct CNameProblems {
    std::vector<std::string> unknown;                                        // match no row
    std::vector<std::pair<std::string, std::vector<std::size_t>>> ambiguous; // name, the rows it matches
    bool Any() const { return !unknown.empty() || !ambiguous.empty(); }
};

// Matches the given names against the rows the way the stored selection does (letter case
// ignored); each name must match exactly one row.
CNameProblems CheckNames(const std::vector<std::string>& names, const std::vector<CNamedRow>& rows);

// The message for names that match no row or several, one line each, ending with the note that
// nothing ran.
std::string FormatNameProblems(const CNameProblems& problems, const std::vector<CNamedRow>& rows);

// ---- commands -----------------------------------------------------------------------------

struct CListRow {
    unsigned depth = 0;
    bool category = false;
    std::uint32_t checkState = 1; // 1 unchecked, 2 checked, 3 partly checked
    std::string name;
    std::string file; // a category's folder, a plugin's script
};

std::string FormatList(const std::vector<CListRow>& rows, const std::vector<CScriptIssue>& issues, bool json);

// One plugin of a preview or a clean.
struct CPluginOutcome {
    enum Status {
        kOk,        // ran through (an entry point that is missing leaves the figures at 0)
        kFailed,    // an entry point raised; see `errors`
        kCancelled, // the run was stopped while this plugin worked: its figures may fall short
        kNotRun,    // the run was stopped before this plugin
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
    std::vector<CScriptIssue> errors;
};

// Bytes and items a clean freed: what was measured before less what is left, never below 0.
// False when either measurement is missing.
bool Freed(const CPluginOutcome& outcome, std::uint64_t& size, std::uint64_t& count);

std::string FormatPreview(const std::vector<CPluginOutcome>& plugins, bool cancelled, bool json);
std::string FormatClean(const std::vector<CPluginOutcome>& plugins, bool cancelled, bool json);
std::string FormatCheck(const std::vector<CScriptIssue>& issues, unsigned plugins, unsigned categories, bool cancelled,
                        bool json);

// ---- building blocks ----------------------------------------------------------------------

// A text table: column widths from the widest cell (in bytes), numbers right-aligned, two
// spaces between columns, no trailing blanks.
std::string FormatTable(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& rightAligned);

// A compact JSON document built value by value. Strings go out byte for byte, escaped only
// where JSON requires it (quote, backslash, control characters).
class CJsonWriter {
public:
    CJsonWriter& BeginObject();
    CJsonWriter& EndObject();
    CJsonWriter& BeginArray();
    CJsonWriter& EndArray();
    CJsonWriter& Key(const std::string& key);
    CJsonWriter& String(const std::string& value);
    CJsonWriter& Number(std::uint64_t value);
    CJsonWriter& Bool(bool value);
    CJsonWriter& Null();
    const std::string& Text() const { return m_text; }

private:
    void BeforeValue();
    std::string m_text;
    std::vector<bool> m_first; // per open object or array: nothing written in it yet
    bool m_afterKey = false;
};

} // namespace qs
