// The text forms of the companion's documents: tables of rows and figures, then problem lines.
#include "cli/Report.h"

#include "engine/FileNameText.h"
#include "framework/ByteSize.h"

#include <algorithm>

namespace qs {
namespace {

// The status as the text tables show it: nothing for a plugin that ran through, the reason for
// one that skipped.
std::string StatusNote(const CPluginOutcome& p) {
    switch (p.status) {
    case CPluginOutcome::kOk:
        return std::string();
    case CPluginOutcome::kCancelled:
        return "cancelled, may fall short";
    case CPluginOutcome::kSkipped:
        return "skipped: " + OneLine(p.skipped);
    default:
        return StatusWord(p.status);
    }
}

// A table row of a plugin: its figures in bytes, in the shell's wording and as a count, or dashes.
std::vector<std::string> FigureRow(const CPluginOutcome& p, bool known, std::uint64_t size, std::uint64_t count) {
    if (!known)
        return {p.name, "-", "-", "-", StatusNote(p)};
    return {p.name, std::to_string(size), FormatByteSize(size), std::to_string(count), StatusNote(p)};
}

std::vector<std::string> TotalRow(const CFigures& total) {
    return {"Total", std::to_string(total.size), FormatByteSize(total.size), std::to_string(total.count), ""};
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

std::string ListText(const std::vector<CListRow>& rows, const std::vector<CScriptIssue>& issues,
                     const std::vector<std::string>& notDetected) {
    std::string out;
    if (rows.empty()) {
        out += std::string("The scripts folder gives no rows.") + kEol;
    } else {
        // The description column shows only when some row has one: a list without descriptions
        // reads as it always has.
        const bool described =
            std::any_of(rows.begin(), rows.end(), [](const CListRow& r) { return !r.description.empty(); });
        std::vector<std::vector<std::string>> table = {{"Depth", "Type", "Checked", "Name"}};
        if (described)
            table[0].push_back("Description");
        for (const CListRow& row : rows) {
            table.push_back({std::to_string(row.depth), row.category ? "category" : "plugin", CheckWord(row.checkState),
                             std::string(2 * row.depth, ' ') + row.name});
            if (described)
                table.back().push_back(row.description);
        }
        out += FormatTable(table, std::vector<bool>(table[0].size(), false));
        bool warningsHead = false;
        for (const CListRow& row : rows) {
            if (row.warning.empty())
                continue;
            if (!warningsHead)
                out += std::string(kEol) + "Warnings (clean asks for --accept-warnings):" + kEol;
            warningsHead = true;
            out += row.name + ": " + OneLine(row.warning) + kEol;
        }
    }
    if (!notDetected.empty()) {
        out += std::string(kEol) + "Not listed, their programs are not here (GetPluginName gave no name):" + kEol;
        for (const std::string& file : notDetected)
            out += file + kEol;
    }
    if (!issues.empty()) {
        out += std::string(kEol) + "Problems:" + kEol;
        for (const CScriptIssue& issue : issues)
            out += issue.Text() + kEol;
    }
    return out;
}

std::string PreviewText(const std::vector<CPluginOutcome>& plugins, bool cancelled) {
    std::vector<std::vector<std::string>> table = {{"Name", "Bytes", "Size On Drive", "Files", ""}};
    for (const CPluginOutcome& p : plugins)
        table.push_back(FigureRow(p, p.measured, p.size, p.count));
    table.push_back(TotalRow(PreviewTotal(plugins)));
    return FormatTable(table, {false, true, true, true, false}) + IssueLines(plugins) + CancelNote(plugins, cancelled);
}

std::string CleanText(const std::vector<CPluginOutcome>& plugins, bool cancelled) {
    std::vector<std::vector<std::string>> table = {{"Name", "Bytes Freed", "Freed", "Files Freed", ""}};
    for (const CPluginOutcome& p : plugins) {
        std::uint64_t size = 0;
        std::uint64_t count = 0;
        const bool freed = Freed(p, size, count);
        table.push_back(FigureRow(p, freed, size, count));
    }
    table.push_back(TotalRow(CleanTotal(plugins)));
    return FormatTable(table, {false, true, true, true, false}) + IssueLines(plugins) + CancelNote(plugins, cancelled);
}

std::string CheckText(const std::vector<CScriptIssue>& issues, unsigned plugins, unsigned categories, bool cancelled) {
    const std::size_t broken = BrokenFileCount(issues);
    std::string out;
    for (const CScriptIssue& issue : issues)
        out += issue.Text() + kEol;
    out += "Checked " + std::to_string(plugins) + (plugins == 1 ? " plugin" : " plugins") + " and " +
           std::to_string(categories) + (categories == 1 ? " category" : " categories") + ": ";
    if (broken == 0)
        out += "no broken script.";
    else
        out += std::to_string(broken) + (broken == 1 ? " broken script." : " broken scripts.");
    out += kEol;
    if (cancelled)
        out += std::string("Cancelled: not every plugin was measured.") + kEol;
    return out;
}

std::string FilesText(const std::vector<CPluginFiles>& plugins, bool cancelled) {
    std::string out;
    std::vector<CPluginOutcome> outcomes;
    for (const CPluginFiles& p : plugins) {
        const CPluginOutcome& o = p.outcome;
        outcomes.push_back(o);
        if (!out.empty())
            out += kEol;
        const std::uint64_t size = ListedSize(p.files);
        const std::string note = StatusNote(o);
        out += o.name + (o.topLevel ? "" : " (" + o.category + ")") + ": " + std::to_string(p.files.size()) +
               (p.files.size() == 1 ? " item, " : " items, ") + FormatByteSize(size) + " (" + std::to_string(size) +
               " bytes)" + (note.empty() ? "" : " - " + note) + kEol;
        if (p.files.empty())
            continue;
        std::vector<std::vector<std::string>> table = {{"Size On Drive", "Path"}};
        for (const CListedFile& f : p.files)
            table.push_back({std::to_string(f.sizeOnDrive), ShownFileName(f.path)});
        out += FormatTable(table, {true, false});
    }
    if (plugins.empty())
        out += std::string("No plugin was chosen.") + kEol;
    return out + IssueLines(outcomes) + CancelNote(outcomes, cancelled);
}

std::string KeepListText(const std::vector<std::string>& kept, const std::string& settingsPath) {
    if (kept.empty())
        return "The keep list is empty" +
               (settingsPath.empty() ? std::string(" (no settings file).") : " (" + settingsPath + ").") + kEol;
    std::string out;
    for (const std::string& path : kept)
        out += path + kEol;
    return out;
}

} // namespace qs
