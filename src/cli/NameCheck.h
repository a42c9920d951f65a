// Plugin and category names given on the command line, matched against the rows: a name that
// matches no row or several ends the run before anything runs (exit code 3).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace qs {

// A row as names see it: its display name, kind and the names of the rows above it.
struct CNamedRow {
    std::string name;
    bool category = false;
    std::vector<std::string> parents; // outermost first
};

struct CNameProblems {
    std::vector<std::string> unknown;                                        // match no row
    std::vector<std::pair<std::string, std::vector<std::size_t>>> ambiguous; // name, the rows it matches
    bool Any() const { return !unknown.empty() || !ambiguous.empty(); }
};

// Matches the given names against the rows the way the stored selection does (letter case
// ignored); each name must match exactly one row.
CNameProblems CheckNames(const std::vector<std::string>& names, const std::vector<CNamedRow>& rows);

// The message for names that match no row or several, one line each, ending with the note that
// nothing ran.
std::string FormatNameProblems(const CNameProblems& problems, const std::vector<CNamedRow>& rows);

} // namespace qs
