// The companion's text layout: its line ending and the aligned tables of its commands.
#pragma once

#include <string>
#include <vector>

namespace qs {

// The line ending of everything the companion writes. Output goes out in binary mode, so that
// names reach it byte for byte.
extern const char* const kEol;

// A text table: column widths from the widest cell (in bytes), numbers right-aligned, two
// spaces between columns, no trailing blanks.
std::string FormatTable(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& rightAligned);

} // namespace qs
