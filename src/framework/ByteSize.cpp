// Byte sizes through the shell's formatter.
#include "framework/ByteSize.h"

#include <windows.h>
#include <shlwapi.h>

namespace qs {

std::string FormatByteSize(std::uint64_t bytes) {
    char text[1024] = {};
    ::StrFormatByteSize64A(static_cast<LONGLONG>(bytes), text, sizeof text);
    return text;
}

} // namespace qs
