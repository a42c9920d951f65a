// Matching command-line names against the rows, and the message for those that fail.
#include "cli/NameCheck.h"

#include "engine/Settings.h"
#include "cli/TextTable.h"

#include <algorithm>

namespace qs {

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

} // namespace qs
