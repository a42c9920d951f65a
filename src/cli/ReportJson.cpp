// The JSON forms of the companion's documents: one compact object per command.
#include "cli/Report.h"

#include "framework/ByteSize.h"

namespace qs {
namespace {

void WriteIssue(CJsonWriter& json, const CScriptIssue& issue) {
    json.BeginObject().Key("file").FileName(issue.file).Key("line");
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

void WritePluginHead(CJsonWriter& json, const CPluginOutcome& p) {
    json.Key("name").String(p.name).Key("category");
    if (p.topLevel)
        json.Null();
    else
        json.String(p.category);
    json.Key("status").String(StatusWord(p.status));
}

} // namespace

std::string ListJson(const std::vector<CListRow>& rows, const std::vector<CScriptIssue>& issues,
                     const std::vector<std::string>& notDetected) {
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
            .FileName(row.file)
            .Key("description")
            .String(row.description)
            .Key("warning")
            .String(row.warning)
            .EndObject();
    w.EndArray().Key("notDetected").BeginArray();
    for (const std::string& file : notDetected)
        w.FileName(file);
    w.EndArray().Key("problems");
    WriteIssues(w, issues);
    w.EndObject();
    return w.Text() + kEol;
}

std::string PreviewJson(const std::vector<CPluginOutcome>& plugins, bool cancelled) {
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
    const CFigures total = PreviewTotal(plugins);
    w.EndArray().Key("total");
    WriteSize(w, total.size, total.count);
    w.Key("cancelled").Bool(cancelled).EndObject();
    return w.Text() + kEol;
}

std::string CleanJson(const std::vector<CPluginOutcome>& plugins, bool cancelled) {
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
        w.Key("skipped");
        if (p.status == CPluginOutcome::kSkipped)
            w.String(p.skipped);
        else
            w.Null();
        w.Key("errors");
        WriteIssues(w, p.errors);
        w.EndObject();
    }
    const CFigures total = CleanTotal(plugins);
    w.EndArray().Key("freed");
    WriteSize(w, total.size, total.count);
    w.Key("cancelled").Bool(cancelled).EndObject();
    return w.Text() + kEol;
}

std::string CheckJson(const std::vector<CScriptIssue>& issues, unsigned plugins, unsigned categories, bool cancelled) {
    CJsonWriter w;
    w.BeginObject()
        .Key("plugins")
        .Number(plugins)
        .Key("categories")
        .Number(categories)
        .Key("broken")
        .Number(BrokenFileCount(issues))
        .Key("cancelled")
        .Bool(cancelled)
        .Key("problems");
    WriteIssues(w, issues);
    w.EndObject();
    return w.Text() + kEol;
}

std::string FilesJson(const std::vector<CPluginFiles>& plugins, bool cancelled) {
    CJsonWriter w;
    w.BeginObject().Key("plugins").BeginArray();
    for (const CPluginFiles& p : plugins) {
        w.BeginObject();
        WritePluginHead(w, p.outcome);
        w.Key("measured");
        WriteSizeOrNull(w, p.outcome.measured, p.outcome.size, p.outcome.count);
        w.Key("listed");
        WriteSize(w, ListedSize(p.files), p.files.size());
        w.Key("files").BeginArray();
        for (const CListedFile& f : p.files)
            w.BeginObject().Key("path").WideText(f.path).Key("sizeOnDrive").Number(f.sizeOnDrive).EndObject();
        w.EndArray().Key("errors");
        WriteIssues(w, p.outcome.errors);
        w.EndObject();
    }
    w.EndArray().Key("cancelled").Bool(cancelled).EndObject();
    return w.Text() + kEol;
}

std::string KeepListJson(const std::vector<std::string>& kept, const std::string& settingsPath) {
    CJsonWriter w;
    w.BeginObject().Key("settings");
    if (settingsPath.empty())
        w.Null();
    else
        w.String(settingsPath);
    w.Key("keep").BeginArray();
    for (const std::string& path : kept)
        w.String(path);
    w.EndArray().EndObject();
    return w.Text() + kEol;
}

} // namespace qs
