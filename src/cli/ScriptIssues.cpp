// Script problems: splitting Lua errors, naming each problem the scan reports, the broken flag.
#include "cli/ScriptIssues.h"

#include "hostfn/PathLimits.h"

#include <cstring>

namespace qs {
namespace {

bool SamePath(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

bool IsCategoryScript(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return SamePath(slash == std::string::npos ? path : path.substr(slash + 1), "category.lua");
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::string CScriptIssue::Text() const {
    std::string out = file;
    if (line != 0)
        out += ":" + std::to_string(line);
    out += ": " + what;
    if (!effect.empty())
        out += " (" + effect + ")";
    if (!message.empty())
        out += ": " + message;
    return out;
}

void SplitScriptError(const std::string& file, const std::string& luaMessage, unsigned long& line,
                      std::string& message) {
    line = 0;
    message = luaMessage;
    // Every ":digits:" could end the location; the path itself holds colons ("C:\...").
    for (std::size_t colon = luaMessage.find(':'); colon != std::string::npos;
         colon = luaMessage.find(':', colon + 1)) {
        std::size_t end = colon + 1;
        while (end < luaMessage.size() && luaMessage[end] >= '0' && luaMessage[end] <= '9')
            ++end;
        if (end == colon + 1 || end >= luaMessage.size() || luaMessage[end] != ':' || end - colon > 10)
            continue;
        const std::string location = luaMessage.substr(0, colon);
        // Lua keeps the end of a long path behind "...".
        const bool ours = location == file || (location.size() > 3 && location.compare(0, 3, "...") == 0 &&
                                               EndsWith(file, location.substr(3)));
        if (!ours)
            continue;
        line = std::stoul(luaMessage.substr(colon + 1, end - colon - 1));
        std::size_t rest = end + 1;
        if (rest < luaMessage.size() && luaMessage[rest] == ' ')
            ++rest;
        message = luaMessage.substr(rest);
        return;
    }
}

CScriptIssue RaisedIssue(const std::string& file, const std::string& entryPoint, const std::string& luaMessage) {
    CScriptIssue issue;
    issue.file = file;
    issue.what = entryPoint + " raised";
    issue.broken = true;
    SplitScriptError(file, luaMessage, issue.line, issue.message);
    return issue;
}

void CIssueCollector::Add(const std::string& path, CCatalogueObserver::Problem problem, const std::string& luaMessage) {
    using P = CCatalogueObserver;
    if (problem == P::kCategoryLoadFailed)
        m_categoryLoadErrors.emplace_back(path, luaMessage);
    if (IsCategoryScript(path)) {
        if (problem == P::kNoPluginName)
            return;
        if (problem == P::kLoadFailed)
            for (const auto& [file, message] : m_categoryLoadErrors)
                if (SamePath(file, path) && message == luaMessage)
                    return;
    }

    if (problem == P::kEmptyPluginName) {
        m_notDetected.push_back(path);
        return;
    }

    CScriptIssue issue;
    issue.file = path;
    issue.broken = true;
    switch (problem) {
    case P::kLoadFailed:
        issue.what = "load error";
        issue.effect = "not listed";
        break;
    case P::kNoPluginName:
        issue.what = "no GetPluginName";
        issue.effect = "not listed";
        issue.broken = false;
        break;
    case P::kPluginNameRaised:
        issue.what = "GetPluginName raised";
        issue.effect = "not listed";
        break;
    case P::kEmptyPluginName:
        break; // kept apart above
    case P::kPathTooLong:
        issue.what = "path longer than " + std::to_string(kMaxPathChars) + " characters";
        issue.effect = "left alone";
        issue.broken = false;
        break;
    case P::kCategoryLoadFailed:
        issue.what = "load error";
        issue.effect = "category named after its folder";
        break;
    case P::kCategoryNameRaised:
        issue.what = "GetCategoryName raised";
        issue.effect = "category named after its folder";
        break;
    case P::kCategoryIconRaised:
        issue.what = "GetCategoryIcon raised";
        issue.effect = "no icon";
        break;
    case P::kPluginIconRaised:
        issue.what = "GetPluginIcon raised";
        issue.effect = "no icon";
        break;
    }
    SplitScriptError(path, luaMessage, issue.line, issue.message);
    m_issues.push_back(std::move(issue));
}

} // namespace qs
