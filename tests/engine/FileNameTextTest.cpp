// The shown form of script file and folder names: which characters stay, which are escaped, and
// that the escapes turn back into the very name.
#include "engine/FileNameText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

TEST(FileNameText, ShowsWhatTheCodePageHoldsAndEscapesTheRest) {
    // The rows hold for Windows-1252, the code page of the test prefixes.
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const struct {
        const wchar_t* name;
        const char* shown;
    } cases[] = {
        {L"", ""},
        {L"C:\\scripts\\job.lua", "C:\\scripts\\job.lua"},
        {L"Caf\u00e9 \u20ac.lua", "Caf\xE9 \x80.lua"},                   // in the code page
        {L"\u65e5\u672c.lua", "<U+65E5><U+672C>.lua"},                   // CJK
        {L"\u03a9dir", "<U+03A9>dir"},                                   // Greek
        {L"\U0001F600.lua", "<U+1F600>.lua"},                            // a surrogate pair
        {L"\uff4a\uff4f\uff42.lua", "<U+FF4A><U+FF4F><U+FF42>.lua"},     // best fit would give "job"
        {L"\uff0e\uff0e\uff3cvictim", "<U+FF0E><U+FF0E><U+FF3C>victim"}, // ".." and "\" look-alikes
        {L"e\u0301", "e<U+0301>"},                                       // a combining mark
        {L"\xd800.lua", "<U+D800>.lua"},                                 // a lone surrogate
        {L"dot.", "dot."},                                               // trailing dot and space stay
        {L"space ", "space "},
        {L"\u65e5<U+0041>", "<U+65E5><U+003C>U+0041>"}, // '<' escaped beside an escape
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qs::ShownFileName(c.name), c.shown) << c.shown;
        if (std::wstring(c.name).find(L'\xd800') == std::wstring::npos) {
            EXPECT_EQ(qs::WideFromShownFileName(c.shown), c.name) << c.shown;
        }
    }
    // A lone surrogate comes back as the replacement character.
    EXPECT_EQ(qs::WideFromShownFileName("a<U+D800>b"), L"a\ufffdb");
}

TEST(FileNameText, TextThatIsNoEscapeStaysAsItIs) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const struct {
        const char* text;
        const wchar_t* wide;
    } cases[] = {
        {"<U+41", L"<U+41"},             // too few digits, no end
        {"<U+041>", L"<U+041>"},         // too few digits
        {"<U+0000041>", L"<U+0000041>"}, // too many
        {"<U+110000>", L"<U+110000>"},   // past Unicode
        {"<u+0041>", L"<u+0041>"},       // lower case is not the escape
        {"<U+0041", L"<U+0041"},
        {"x<U+<U+0041>", L"x<U+A"},
        {"Caf\xE9<U+00E9>", L"Caf\u00e9\u00e9"},
        {"<U+10FFFF>", L"\U0010FFFF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qs::WideFromShownFileName(c.text), c.wide) << c.text;
}

} // namespace
