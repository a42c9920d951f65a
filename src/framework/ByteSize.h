// Byte sizes as the shell words them ("1.50 KB", "13.9 GB"), for the size column and status line.
#pragma once

#include <cstdint>
#include <string>

namespace qs {

std::string FormatByteSize(std::uint64_t bytes);

} // namespace qs
