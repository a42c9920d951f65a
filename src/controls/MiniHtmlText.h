// What the mini HTML label says in words: its markup reduced to the characters it shows.
#pragma once

#include <string>

namespace qs {

// The text the label paints, without tags, entities replaced by their characters; every line
// break (newline or BR) ends a line, and empty lines are left out. Read exactly as the label's
// own walk reads the markup.
std::string HtmlPlainText(const std::string& markup);

} // namespace qs
