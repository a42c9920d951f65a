// The version resource of an executable, read in the table that best fits the user's language.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace qs {

// One entry of a version resource's translation list.
struct VersionTranslation {
    WORD language;
    WORD codePage;
};

// Index of the entry whose string table fits `userLanguage` best: the first exact language
// match, else the first with the same primary language (low 8 bits), else the first neutral one
// (language 0, then primary language 0), else the first English one (language 9, then primary
// language 9), else the first entry. -1 for an empty list.
int ChooseVersionTranslation(const VersionTranslation* entries, std::size_t count, WORD userLanguage);

class CFileVersionInfo {
public:
    CFileVersionInfo() { Reset(); }
    virtual ~CFileVersionInfo() = default;

    // Zeroes the fixed information and empties the twelve strings.
    virtual void Reset();

    // Reads the version resource of a module's file (the executable when null).
    bool Create(HMODULE module = nullptr);
    // Reads the version resource of a file; false (and reset) when it has none.
    bool Create(const char* fileName);

    std::string GetCompanyName() const;
    std::string GetFileVersion() const;
    std::string GetLegalCopyright() const;
    std::string GetProductName() const;
    const VS_FIXEDFILEINFO& FixedInfo() const { return m_fixed; }

private:
    VS_FIXEDFILEINFO m_fixed;
    std::string m_strings[12];
};

} // namespace qs
