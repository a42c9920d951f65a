// Reading a winapp2.ini rule file into entries and keys, every problem located; portable code.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qs {

// Limits on what one file may make the reader keep; past them the rest is reported, not read.
constexpr std::size_t kWinapp2MaxLineBytes = 4096;   // a longer line is broken
constexpr std::size_t kWinapp2MaxKeysPerEntry = 500; // more keys break the entry
constexpr std::size_t kWinapp2MaxEntries = 20000;    // later entries are not read
constexpr std::size_t kWinapp2MaxProblems = 1000;    // later problems are only counted
constexpr unsigned kWinapp2MaxKeyNumber = 9999;      // FileKey10000 is broken

// One "Name[N]=value" line of an entry. `name` as written (letters only), `number` 0 when the
// key carries none; name and value trimmed of spaces and tabs.
struct Winapp2Key {
    std::string name;
    unsigned number = 0;
    std::string value;
    unsigned line = 0;
};

// One "[Name *]" section. `name` is the text between the brackets without the trailing " *".
// `broken` says why the entry must not be used (its first problem), empty when it is sound: a
// broken line inside an entry breaks the whole entry, since a lost ExcludeKey would widen it.
struct Winapp2Entry {
    std::string name;
    unsigned line = 0;
    std::vector<Winapp2Key> keys;
    std::string broken;
};

// Something wrong in the file: the entry it belongs to (empty before the first section) and
// the line (1-based).
struct Winapp2Problem {
    std::string entry;
    unsigned line = 0;
    std::string what;
};

struct Winapp2File {
    std::vector<Winapp2Entry> entries; // in file order, broken ones included
    std::vector<Winapp2Problem> problems;
    std::size_t problemsNotKept = 0; // past kWinapp2MaxProblems
};

// Reads the file's bytes (UTF-8 or ANSI; a UTF-8 byte order mark is skipped; lines end in LF or
// CR LF). Never fails: whatever cannot be read is a problem, and everything else is read. Time
// and memory are linear in `size`. Broken entries: a line that is no comment, section or
// "key=value"; a key name that is not letters with an optional number (no leading zero, at most
// kWinapp2MaxKeyNumber); the same key twice; a control character or a line over
// kWinapp2MaxLineBytes; more than kWinapp2MaxKeysPerEntry keys; an empty name; a name that an
// earlier entry has (compared without ASCII case: the first one is used).
Winapp2File ReadWinapp2(const char* data, std::size_t size);

} // namespace qs
