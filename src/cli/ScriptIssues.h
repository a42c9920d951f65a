// Script problems as the companion reports them, and which of them count as broken scripts:
// a broken script makes check (and an entry point that raised makes any run) end with exit code 1.
#pragma once

#include "engine/Catalogue.h"

#include <string>
#include <utility>
#include <vector>

namespace qs {

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
    // The scripts whose GetPluginName gave no name: detection saying that their program is not
    // here, which is no problem of the script.
    const std::vector<std::string>& NotDetected() const { return m_notDetected; }

private:
    std::vector<CScriptIssue> m_issues;
    std::vector<std::string> m_notDetected;
    std::vector<std::pair<std::string, std::string>> m_categoryLoadErrors; // path, Lua message
};

} // namespace qs
