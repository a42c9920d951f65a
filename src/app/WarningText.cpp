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

std::string CleanQuestionText(const std::vector<CWarnedJob>& jobs, const std::string& unreadSettings) {
    std::string text;
    if (!unreadSettings.empty())
        text = "The settings file could not be read, so the keep list is not known: files and folders you "
               "asked to keep may be cleaned.\r\n" +
               unreadSettings + "\r\n" + (jobs.empty() ? "" : "\r\n");
    if (!jobs.empty())
        text += jobs.size() == 1 ? "A selected job warns before it runs:\r\n" : "Selected jobs warn before they run:\r\n";
    for (const CWarnedJob& job : jobs)
        text += "\r\n" + job.name + ":\r\n" + job.warning + "\r\n";
    return text + "\r\nClean the selected jobs now? No cleans nothing.";
}

std::string UnreadSettingsText(const std::string& path, const std::string& problem, const std::string& setAside) {
    return "The settings file could not be read (" + problem + "):\r\n" + path +
           "\r\n\r\nNo job is checked and the keep list is not known, so Clean Selected asks before it cleans. " +
           (setAside.empty() ? "The file cannot be kept aside, so it is left as it is and the settings are not saved."
                             : "Before the settings are saved, the file is kept under this name:\r\n" +
                                   setAside);
}

} // namespace qs
