// The version resource of an executable, read in the table that best fits the user's language.
#pragma once

#include <windows.h>

#include <string>

namespace qs {

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
