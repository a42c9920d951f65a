// Aligned text tables with the companion's line ending.
#include "cli/TextTable.h"

#include <algorithm>

namespace qs {

const char* const kEol = "\r\n";

std::string FormatTable(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& rightAligned) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c)
                widths.push_back(0);
            widths[c] = std::max(widths[c], row[c].size());
        }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                line += "  ";
            const std::size_t pad = widths[c] - row[c].size();
            const bool right = c < rightAligned.size() && rightAligned[c];
            if (right)
                line.append(pad, ' ');
            line += row[c];
            if (!right)
                line.append(pad, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out += line + kEol;
    }
    return out;
}

} // namespace qs
