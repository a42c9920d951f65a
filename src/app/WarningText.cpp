// The texts around plugins' warnings, as plain functions of their parts.
#include "app/WarningText.h"

namespace qs {
namespace {

// Each run of line breaks as one space: a static control of one line shows no breaks.
std::string OneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != '\r' && c != '\n')
            out += c;
        else if (out.empty() || out.back() != ' ')
            out += ' ';
    }
    return out;
}

} // namespace

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
