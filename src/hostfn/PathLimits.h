// The classic path limit that every path of the host functions must respect.
#pragma once

#include <cstddef>

namespace qs {

// Paths are at most 259 characters (MAX_PATH less the terminator). A path that would be longer is
// never cut down to fit, since the cut path names another object: such paths are left alone.
constexpr std::size_t kMaxPathChars = 259;

} // namespace qs
