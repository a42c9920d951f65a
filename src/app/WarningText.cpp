// The texts around plugins' warnings, as plain functions of their parts.
#include "app/WarningText.h"

#include "engine/ScriptValues.h"

namespace qs {

std::string RowTipText(const std::string& description, const std::string& warning) {
    std::string text = description;
    if (!warning.empty())
        text += (text.empty() ? "" : "\r\n\r\n") + std::string("Warning: ") + warning;
    return text;
}

std::string WarningStatusText(const std::string& warning) { return "Warning: " + OneLine(warning); }

std::string CleanQuestionText(const std::vector<CWarnedJob>& jobs) {
    std::string text =
        jobs.size() == 1 ? "A selected job warns before it runs:\r\n" : "Selected jobs warn before they run:\r\n";
    for (const CWarnedJob& job : jobs)
        text += "\r\n" + job.name + ":\r\n" + job.warning + "\r\n";
    return text + "\r\nClean the selected jobs now? No cleans nothing.";
}

} // namespace qs
