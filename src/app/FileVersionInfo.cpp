// Reading version resources.
#include "app/FileVersionInfo.h"

#include <cstring>

namespace qs {

// The reading itself arrives with its own change; until then every string is empty.
void CFileVersionInfo::Reset() {
    std::memset(&m_fixed, 0, sizeof m_fixed);
    for (std::string& s : m_strings)
        s.clear();
}

bool CFileVersionInfo::Create(HMODULE) { return false; }
bool CFileVersionInfo::Create(const char*) { return false; }
std::string CFileVersionInfo::GetCompanyName() const { return m_strings[0]; }
std::string CFileVersionInfo::GetFileVersion() const { return m_strings[2]; }
std::string CFileVersionInfo::GetLegalCopyright() const { return m_strings[4]; }
std::string CFileVersionInfo::GetProductName() const { return m_strings[6]; }

} // namespace qs
