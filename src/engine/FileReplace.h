// Replacing a small file so that at every moment either its old or its new content is whole.
#pragma once

#include <cstddef>
#include <limits>
#include <string>

namespace qs {

// Writes `bytes` to a new file beside `path`, flushes it to the disk and then puts it in place
// of `path` in one rename. False, with `path` as it was and no new file left behind, when any
// step fails. A read-only `path` is left alone, as writing it in place would be refused.
// `breakAfter` lets tests stop the write after that many bytes, as a full disk would.
bool ReplaceFileContents(const std::string& path, const std::string& bytes,
                         std::size_t breakAfter = std::numeric_limits<std::size_t>::max());

} // namespace qs
