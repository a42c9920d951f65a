// Reading version resources: the fixed record and the string table chosen by language.
#include "app/FileVersionInfo.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace qs {
namespace {

// The keys of the string table, in the order of the stored strings.
const char* const kStringKeys[12] = {"CompanyName",    "FileDescription",  "FileVersion",  "InternalName",
                                     "LegalCopyright", "OriginalFileName", "ProductName",  "ProductVersion",
                                     "Comments",       "LegalTrademarks",  "PrivateBuild", "SpecialBuild"};

enum StringIndex { kCompanyName = 0, kFileVersion = 2, kLegalCopyright = 4, kProductName = 6 };

// String tables tried, in order, when a resource lists no translations: US English and neutral,
// each in the Unicode and in the Western code page.
const VersionTranslation kFallbackTables[] = {{0x0409, 1200}, {0x0409, 1252}, {0x0000, 1200}, {0x0000, 1252}};

WORD PrimaryLanguage(WORD language) {
    return language & 0xFF;
}

int FirstWhere(const VersionTranslation* entries, std::size_t count, bool (*match)(WORD, WORD), WORD wanted) {
    for (std::size_t i = 0; i < count; ++i)
        if (match(entries[i].language, wanted))
            return static_cast<int>(i);
    return -1;
}

bool SameLanguage(WORD a, WORD b) {
    return a == b;
}
bool SamePrimary(WORD a, WORD b) {
    return PrimaryLanguage(a) == PrimaryLanguage(b);
}

// Reads the twelve strings of one table; answers whether any of them was there.
bool ReadStrings(const void* block, VersionTranslation table, std::string (&strings)[12]) {
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", table.language, table.codePage);
    bool any = false;
    for (int i = 0; i < 12; ++i) {
        const std::string query = std::string(prefix) + kStringKeys[i];
        char* value = nullptr;
        UINT length = 0;
        if (::VerQueryValueA(block, query.c_str(), reinterpret_cast<void**>(&value), &length) && value != nullptr) {
            // The length counts the terminating zero when there is one; stop at the first zero.
            strings[i].assign(value, ::strnlen(value, length));
            any = true;
        }
    }
    return any;
}

} // namespace

int ChooseVersionTranslation(const VersionTranslation* entries, std::size_t count, WORD userLanguage) {
    if (count == 0)
        return -1;
    int i = FirstWhere(entries, count, SameLanguage, userLanguage);
    if (i < 0)
        i = FirstWhere(entries, count, SamePrimary, userLanguage);
    if (i < 0)
        i = FirstWhere(entries, count, SameLanguage, 0);
    if (i < 0)
        i = FirstWhere(entries, count, SamePrimary, 0);
    if (i < 0)
        i = FirstWhere(entries, count, SameLanguage, 9);
    if (i < 0)
        i = FirstWhere(entries, count, SamePrimary, 9);
    return i < 0 ? 0 : i;
}

void CFileVersionInfo::Reset() {
    std::memset(&m_fixed, 0, sizeof m_fixed);
    for (std::string& s : m_strings)
        s.clear();
}

bool CFileVersionInfo::Create(HMODULE module) {
    char path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) // a cut-off name would name another file
        return false;
    return Create(path);
}

bool CFileVersionInfo::Create(const char* fileName) {
    Reset();
    if (fileName == nullptr)
        return false;
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(fileName, &handle);
    if (size == 0)
        return false;
    std::vector<char> block(size);
    if (!::GetFileVersionInfoA(fileName, 0, size, block.data()))
        return false;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    if (::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength) && fixed != nullptr &&
        fixedLength == sizeof(VS_FIXEDFILEINFO))
        m_fixed = *fixed;

    VersionTranslation* list = nullptr;
    UINT listLength = 0;
    std::size_t count = 0;
    if (::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&list), &listLength) &&
        list != nullptr)
        count = listLength / sizeof(VersionTranslation);

    if (count > 0) {
        ReadStrings(block.data(), list[ChooseVersionTranslation(list, count, ::GetUserDefaultLangID())], m_strings);
    } else {
        // No translation list: take the first of the usual tables that exists.
        for (const VersionTranslation& table : kFallbackTables)
            if (ReadStrings(block.data(), table, m_strings))
                break;
    }
    return true;
}

std::string CFileVersionInfo::GetCompanyName() const {
    return m_strings[kCompanyName];
}
std::string CFileVersionInfo::GetFileVersion() const {
    return m_strings[kFileVersion];
}
std::string CFileVersionInfo::GetLegalCopyright() const {
    return m_strings[kLegalCopyright];
}
std::string CFileVersionInfo::GetProductName() const {
    return m_strings[kProductName];
}

} // namespace qs
