// Script problems, name matching, tables and JSON documents of the companion's commands.
#include "cli/Report.h"

#include "engine/Settings.h"
#include "framework/ByteSize.h"
#include "hostfn/PathLimits.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace qs {

const char* const kEol = "\r\n";

namespace {

bool SamePath(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

bool IsCategoryScript(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return SamePath(slash == std::string::npos ? path : path.substr(slash + 1), "category.lua");
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

const char* StatusWord(CPluginOutcome::Status status) {
    switch (status) {
    case CPluginOutcome::kOk:
        return "ok";
    case CPluginOutcome::kFailed:
        return "failed";
    case CPluginOutcome::kCancelled:
        return "cancelled";
    case CPluginOutcome::kNotRun:
        break;
    }
    return "not run";
}

// The status as the text tables show it: nothing for a plugin that ran through.
std::string StatusNote(CPluginOutcome::Status status) {
    switch (status) {
    case CPluginOutcome::kOk:
        return std::string();
    case CPluginOutcome::kCancelled:
        return "cancelled, may fall short";
    default:
        return StatusWord(status);
    }
}

const char* CheckWord(std::uint32_t state) {
    switch (state) {
    case 2:
        return "yes";
    case 3:
        return "partly";
    default:
        return "no";
    }
}

void WriteIssue(CJsonWriter& json, const CScriptIssue& issue) {
    json.BeginObject().Key("file").String(issue.file).Key("line");
    if (issue.line != 0)
        json.Number(issue.line);
    else
        json.Null();
    json.Key("problem").String(issue.what).Key("effect");
    if (issue.effect.empty())
        json.Null();
    else
        json.String(issue.effect);
    json.Key("message");
    if (issue.message.empty())
        json.Null();
    else
        json.String(issue.message);
    json.Key("broken").Bool(issue.broken).EndObject();
}

void WriteIssues(CJsonWriter& json, const std::vector<CScriptIssue>& issues) {
    json.BeginArray();
    for (const CScriptIssue& issue : issues)
        WriteIssue(json, issue);
    json.EndArray();
}

void WriteSize(CJsonWriter& json, std::uint64_t size, std::uint64_t count) {
    json.BeginObject()
        .Key("size")
        .Number(size)
        .Key("sizeText")
        .String(FormatByteSize(size))
        .Key("count")
        .Number(count)
        .EndObject();
}

// A figure that may be missing (a plugin not measured): the figure, or null.
void WriteSizeOrNull(CJsonWriter& json, bool known, std::uint64_t size, std::uint64_t count) {
    if (known)
        WriteSize(json, size, count);
    else
        json.Null();
}

// A table row of a plugin: its figures in bytes, in the shell's wording and as a count, or dashes.
std::vector<std::string> FigureRow(const CPluginOutcome& p, bool known, std::uint64_t size, std::uint64_t count) {
    if (!known)
        return {p.name, "-", "-", "-", StatusNote(p.status)};
    return {p.name, std::to_string(size), FormatByteSize(size), std::to_string(count), StatusNote(p.status)};
}

void WritePluginHead(CJsonWriter& json, const CPluginOutcome& p) {
    json.Key("name").String(p.name).Key("category");
    if (p.topLevel)
        json.Null();
    else
        json.String(p.category);
    json.Key("status").String(StatusWord(p.status));
}

std::string IssueLines(const std::vector<CPluginOutcome>& plugins) {
    std::string out;
    for (const CPluginOutcome& p : plugins)
        for (const CScriptIssue& issue : p.errors)
            out += issue.Text() + kEol;
    return out;
}

std::string CancelNote(const std::vector<CPluginOutcome>& plugins, bool cancelled) {
    if (!cancelled)
        return std::string();
    std::size_t notRun = 0;
    for (const CPluginOutcome& p : plugins)
        if (p.status == CPluginOutcome::kNotRun)
            ++notRun;
    return "Cancelled: " + std::to_string(notRun) + " of " + std::to_string(plugins.size()) + " plugins did not run." +
           kEol;
}

} // namespace

// ---- issues -------------------------------------------------------------------------------

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
        issue.what = "GetPluginName gave no name";
        issue.effect = "not listed";
        issue.broken = false;
        break;
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

// ---- names --------------------------------------------------------------------------------

CNameProblems CheckNames(const std::vector<std::string>& names, const std::vector<CNamedRow>& rows) {
    CNameProblems problems;
    std::vector<std::string> seen;
    for (const std::string& name : names) {
        // A name given twice is reported once.
        if (std::any_of(seen.begin(), seen.end(), [&](const std::string& s) { return s == name; }))
            continue;
        seen.push_back(name);
        std::vector<std::size_t> matches;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (CompareSelectedNames(rows[i].name, name) == 0)
                matches.push_back(i);
        if (matches.empty())
            problems.unknown.push_back(name);
        else if (matches.size() > 1)
            problems.ambiguous.emplace_back(name, std::move(matches));
    }
    return problems;
}

std::string FormatNameProblems(const CNameProblems& problems, const std::vector<CNamedRow>& rows) {
    std::string out;
    for (const std::string& name : problems.unknown)
        out += "No row is named \"" + name + "\"." + kEol;
    for (const auto& [name, matches] : problems.ambiguous) {
        out += "\"" + name + "\" names " + std::to_string(matches.size()) + " rows:";
        for (std::size_t i = 0; i < matches.size(); ++i) {
            const CNamedRow& row = rows[matches[i]];
            out += i == 0 ? " " : ", ";
            for (const std::string& parent : row.parents)
                out += "\"" + parent + "\" > ";
            out += "\"" + row.name + "\" (" + (row.category ? "category" : "plugin") + ")";
        }
        out += std::string(".") + kEol;
    }
    out += std::string("Nothing was run.") + kEol;
    return out;
}

// ---- commands -----------------------------------------------------------------------------

std::string FormatList(const std::vector<CListRow>& rows, const std::vector<CScriptIssue>& issues, bool json) {
    if (json) {
        CJsonWriter w;
        w.BeginObject().Key("rows").BeginArray();
        for (const CListRow& row : rows)
            w.BeginObject()
                .Key("depth")
                .Number(row.depth)
                .Key("type")
                .String(row.category ? "category" : "plugin")
                .Key("checked")
                .String(CheckWord(row.checkState))
                .Key("name")
                .String(row.name)
                .Key("file")
                .String(row.file)
                .EndObject();
        w.EndArray().Key("problems");
        WriteIssues(w, issues);
        w.EndObject();
        return w.Text() + kEol;
    }
    std::string out;
    if (rows.empty()) {
        out += std::string("The scripts folder gives no rows.") + kEol;
    } else {
        std::vector<std::vector<std::string>> table = {{"Depth", "Type", "Checked", "Name"}};
        for (const CListRow& row : rows)
            table.push_back({std::to_string(row.depth), row.category ? "category" : "plugin", CheckWord(row.checkState),
                             std::string(2 * row.depth, ' ') + row.name});
        out += FormatTable(table, {false, false, false, false});
    }
    if (!issues.empty()) {
        out += std::string(kEol) + "Problems:" + kEol;
        for (const CScriptIssue& issue : issues)
            out += issue.Text() + kEol;
    }
    return out;
}

bool Freed(const CPluginOutcome& outcome, std::uint64_t& size, std::uint64_t& count) {
    size = count = 0;
    if (!outcome.measured || !outcome.measuredBefore)
        return false;
    // What grew while the plugin ran (new files in a cache) counts as nothing freed.
    size = outcome.sizeBefore > outcome.size ? outcome.sizeBefore - outcome.size : 0;
    count = outcome.countBefore > outcome.count ? outcome.countBefore - outcome.count : 0;
    return true;
}

std::string FormatPreview(const std::vector<CPluginOutcome>& plugins, bool cancelled, bool json) {
    std::uint64_t totalSize = 0;
    std::uint64_t totalCount = 0;
    for (const CPluginOutcome& p : plugins)
        if (p.measured) {
            totalSize += p.size;
            totalCount += p.count;
        }
    if (json) {
        CJsonWriter w;
        w.BeginObject().Key("plugins").BeginArray();
        for (const CPluginOutcome& p : plugins) {
            w.BeginObject();
            WritePluginHead(w, p);
            w.Key("measured");
            WriteSizeOrNull(w, p.measured, p.size, p.count);
            w.Key("errors");
            WriteIssues(w, p.errors);
            w.EndObject();
        }
        w.EndArray().Key("total");
        WriteSize(w, totalSize, totalCount);
        w.Key("cancelled").Bool(cancelled).EndObject();
        return w.Text() + kEol;
    }
    std::vector<std::vector<std::string>> table = {{"Name", "Bytes", "Size On Drive", "Files", ""}};
    for (const CPluginOutcome& p : plugins)
        table.push_back(FigureRow(p, p.measured, p.size, p.count));
    table.push_back({"Total", std::to_string(totalSize), FormatByteSize(totalSize), std::to_string(totalCount), ""});
    return FormatTable(table, {false, true, true, true, false}) + IssueLines(plugins) + CancelNote(plugins, cancelled);
}

std::string FormatClean(const std::vector<CPluginOutcome>& plugins, bool cancelled, bool json) {
    std::uint64_t totalSize = 0;
    std::uint64_t totalCount = 0;
    for (const CPluginOutcome& p : plugins) {
        std::uint64_t size = 0;
        std::uint64_t count = 0;
        if (Freed(p, size, count)) {
            totalSize += size;
            totalCount += count;
        }
    }
    if (json) {
        CJsonWriter w;
        w.BeginObject().Key("plugins").BeginArray();
        for (const CPluginOutcome& p : plugins) {
            w.BeginObject();
            WritePluginHead(w, p);
            w.Key("before");
            WriteSizeOrNull(w, p.measuredBefore, p.sizeBefore, p.countBefore);
            w.Key("after");
            WriteSizeOrNull(w, p.measured, p.size, p.count);
            w.Key("freed");
            std::uint64_t size = 0;
            std::uint64_t count = 0;
            const bool freed = Freed(p, size, count);
            WriteSizeOrNull(w, freed, size, count);
            w.Key("errors");
            WriteIssues(w, p.errors);
            w.EndObject();
        }
        w.EndArray().Key("freed");
        WriteSize(w, totalSize, totalCount);
        w.Key("cancelled").Bool(cancelled).EndObject();
        return w.Text() + kEol;
    }
    std::vector<std::vector<std::string>> table = {{"Name", "Bytes Freed", "Freed", "Files Freed", ""}};
    for (const CPluginOutcome& p : plugins) {
        std::uint64_t size = 0;
        std::uint64_t count = 0;
        const bool freed = Freed(p, size, count);
        table.push_back(FigureRow(p, freed, size, count));
    }
    table.push_back({"Total", std::to_string(totalSize), FormatByteSize(totalSize), std::to_string(totalCount), ""});
    return FormatTable(table, {false, true, true, true, false}) + IssueLines(plugins) + CancelNote(plugins, cancelled);
}

std::string FormatCheck(const std::vector<CScriptIssue>& issues, unsigned plugins, unsigned categories, bool cancelled,
                        bool json) {
    std::set<std::string> brokenFiles;
    for (const CScriptIssue& issue : issues)
        if (issue.broken)
            brokenFiles.insert(issue.file);
    if (json) {
        CJsonWriter w;
        w.BeginObject()
            .Key("plugins")
            .Number(plugins)
            .Key("categories")
            .Number(categories)
            .Key("broken")
            .Number(brokenFiles.size())
            .Key("cancelled")
            .Bool(cancelled)
            .Key("problems");
        WriteIssues(w, issues);
        w.EndObject();
        return w.Text() + kEol;
    }
    std::string out;
    for (const CScriptIssue& issue : issues)
        out += issue.Text() + kEol;
    out += "Checked " + std::to_string(plugins) + (plugins == 1 ? " plugin" : " plugins") + " and " +
           std::to_string(categories) + (categories == 1 ? " category" : " categories") + ": ";
    if (brokenFiles.empty())
        out += "no broken script.";
    else
        out += std::to_string(brokenFiles.size()) + (brokenFiles.size() == 1 ? " broken script." : " broken scripts.");
    out += kEol;
    if (cancelled)
        out += std::string("Cancelled: not every plugin was measured.") + kEol;
    return out;
}

// ---- building blocks ----------------------------------------------------------------------

std::string FormatTable(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& rightAligned) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c)
                widths.push_back(0);
            widths[c] = std::max(widths[c], row[c].size());
        }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                line += "  ";
            const std::size_t pad = widths[c] - row[c].size();
            const bool right = c < rightAligned.size() && rightAligned[c];
            if (right)
                line.append(pad, ' ');
            line += row[c];
            if (!right)
                line.append(pad, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out += line + kEol;
    }
    return out;
}

void CJsonWriter::BeforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back())
            m_text += ',';
        m_first.back() = false;
    }
}

CJsonWriter& CJsonWriter::BeginObject() {
    BeforeValue();
    m_text += '{';
    m_first.push_back(true);
    return *this;
}

CJsonWriter& CJsonWriter::EndObject() {
    m_text += '}';
    m_first.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::BeginArray() {
    BeforeValue();
    m_text += '[';
    m_first.push_back(true);
    return *this;
}

CJsonWriter& CJsonWriter::EndArray() {
    m_text += ']';
    m_first.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::Key(const std::string& key) {
    String(key);
    m_text += ':';
    m_afterKey = true;
    return *this;
}

CJsonWriter& CJsonWriter::String(const std::string& value) {
    BeforeValue();
    m_text += '"';
    for (const char ch : value) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            m_text += "\\\"";
            break;
        case '\\':
            m_text += "\\\\";
            break;
        case '\b':
            m_text += "\\b";
            break;
        case '\f':
            m_text += "\\f";
            break;
        case '\n':
            m_text += "\\n";
            break;
        case '\r':
            m_text += "\\r";
            break;
        case '\t':
            m_text += "\\t";
            break;
        default:
            if (c < 0x20) {
                static const char hex[] = "0123456789abcdef";
                m_text += "\\u00";
                m_text += hex[c >> 4];
                m_text += hex[c & 15];
            } else {
                m_text += ch;
            }
        }
    }
    m_text += '"';
    return *this;
}

CJsonWriter& CJsonWriter::Number(std::uint64_t value) {
    BeforeValue();
    m_text += std::to_string(value);
    return *this;
}

CJsonWriter& CJsonWriter::Bool(bool value) {
    BeforeValue();
    m_text += value ? "true" : "false";
    return *this;
}

CJsonWriter& CJsonWriter::Null() {
    BeforeValue();
    m_text += "null";
    return *this;
}

} // namespace qs
