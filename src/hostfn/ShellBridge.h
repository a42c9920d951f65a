// Recycle bin and shell icons.
#pragma once

#include <cstdint>
#include <string>

namespace qs {

// Size and item count of the recycle bin of `root` ("" for all drives); zeros when unknown.
void QueryRecycleBin(const std::string& root, std::uint64_t& size, std::uint32_t& count);

// Empties the bin without prompt, progress window or sound.
void EmptyRecycleBin(const std::string& root);

// System small-icon index for a path (expanded here) that exists, else -1.
int GetIconIndexOfPath(const std::string& path);

// System small-icon index for files with the extension, else -1.
int GetIconIndexOfExtension(const std::string& extension);

} // namespace qs
