// What the window says about plugins' warnings and descriptions: the row tooltip, the status
// line of a focused row, and the one question before a clean.
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

// The question Clean Selected asks when jobs it would clean have warnings: each job's name and
// warning, in the order they would run.
std::string CleanQuestionText(const std::vector<CWarnedJob>& jobs);

} // namespace qs
