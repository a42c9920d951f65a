// The companion's documents: which form each command prints, and the figures both forms share.
#include "cli/Report.h"

#include <set>

namespace qs {

bool Freed(const CPluginOutcome& outcome, std::uint64_t& size, std::uint64_t& count) {
    size = count = 0;
    if (!outcome.measured || !outcome.measuredBefore)
        return false;
    // What grew while the plugin ran (new files in a cache) counts as nothing freed.
    size = outcome.sizeBefore > outcome.size ? outcome.sizeBefore - outcome.size : 0;
    count = outcome.countBefore > outcome.count ? outcome.countBefore - outcome.count : 0;
    return true;
}

CFigures PreviewTotal(const std::vector<CPluginOutcome>& plugins) {
    CFigures total;
    for (const CPluginOutcome& p : plugins)
        if (p.measured) {
            total.size += p.size;
            total.count += p.count;
        }
    return total;
}

CFigures CleanTotal(const std::vector<CPluginOutcome>& plugins) {
    CFigures total;
    for (const CPluginOutcome& p : plugins) {
        std::uint64_t size = 0;
        std::uint64_t count = 0;
        if (Freed(p, size, count)) {
            total.size += size;
            total.count += count;
        }
    }
    return total;
}

std::size_t BrokenFileCount(const std::vector<CScriptIssue>& issues) {
    std::set<std::string> brokenFiles;
    for (const CScriptIssue& issue : issues)
        if (issue.broken)
            brokenFiles.insert(issue.file);
    return brokenFiles.size();
}

const char* StatusWord(CPluginOutcome::Status status) {
    switch (status) {
    case CPluginOutcome::kOk:
        return "ok";
    case CPluginOutcome::kFailed:
        return "failed";
    case CPluginOutcome::kCancelled:
        return "cancelled";
    case CPluginOutcome::kSkipped:
        return "skipped";
    case CPluginOutcome::kNotRun:
        break;
    }
    return "not run";
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

std::string FormatList(const std::vector<CListRow>& rows, const std::vector<CScriptIssue>& issues, bool json,
                       const std::vector<std::string>& notDetected) {
    return json ? ListJson(rows, issues, notDetected) : ListText(rows, issues, notDetected);
}

std::string FormatPreview(const std::vector<CPluginOutcome>& plugins, bool cancelled, bool json) {
    return json ? PreviewJson(plugins, cancelled) : PreviewText(plugins, cancelled);
}

std::string FormatClean(const std::vector<CPluginOutcome>& plugins, bool cancelled, bool json) {
    return json ? CleanJson(plugins, cancelled) : CleanText(plugins, cancelled);
}

std::string FormatCheck(const std::vector<CScriptIssue>& issues, unsigned plugins, unsigned categories, bool cancelled,
                        bool json) {
    return json ? CheckJson(issues, plugins, categories, cancelled) : CheckText(issues, plugins, categories, cancelled);
}

std::string FormatFiles(const std::vector<CPluginFiles>& plugins, bool cancelled, bool json) {
    return json ? FilesJson(plugins, cancelled) : FilesText(plugins, cancelled);
}

std::string FormatKeepList(const std::vector<std::string>& kept, const std::string& settingsPath, bool json) {
    return json ? KeepListJson(kept, settingsPath) : KeepListText(kept, settingsPath);
}

} // namespace qs
