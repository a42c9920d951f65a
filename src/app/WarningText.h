// What the window says about plugins' warnings and descriptions (the row tooltip, the status
// line of a focused row), the one question before a clean, and a settings file it could not read.
#pragma once

#include <string>
#include <vector>

namespace qs {

// A row's tooltip: its description, then its warning; empty when it has neither.
std::string RowTipText(const std::string& description, const std::string& warning);

// The status line while a row with a warning has the focus: the warning on one line.
std::string WarningStatusText(const std::string& warning);

struct CWarnedJob {
    std::string name;
    std::string warning;
};

// The question Clean Selected asks when jobs it would clean have warnings, or when the keep list
// is not known: first, when `unreadSettings` names the settings file that could not be read, that
// kept files may be cleaned; then each warned job's name and warning, in the order they would run.
std::string CleanQuestionText(const std::vector<CWarnedJob>& jobs, const std::string& unreadSettings = "");

// What the window says at start-up of a settings file it could not read: `problem` as
// SettingsReadProblem words it, and `setAside`, where the file is kept before the settings are
// written ("" when it cannot be kept aside, and so is never written over).
std::string UnreadSettingsText(const std::string& path, const std::string& problem, const std::string& setAside);

} // namespace qs
