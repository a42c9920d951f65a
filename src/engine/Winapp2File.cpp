// The winapp2.ini reader: one pass over the lines, hash sets for the duplicate checks.
#include "engine/Winapp2File.h"

#include <string_view>
#include <unordered_map>

namespace qs {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameAscii(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::string LowerCopy(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

class CReader {
public:
    Winapp2File Read(const char* data, std::size_t size) {
        std::string_view text(data, size);
        if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
            text.remove_prefix(3);
        unsigned lineNumber = 0;
        while (!text.empty() && !m_stopped) {
            const std::size_t end = text.find('\n');
            std::string_view line = text.substr(0, end);
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
            ++lineNumber;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            ReadLine(line, lineNumber);
        }
        return std::move(m_file);
    }

private:
    void ReadLine(std::string_view line, unsigned number) {
        if (line.size() > kWinapp2MaxLineBytes) {
            Problem(number, "the line is longer than " + std::to_string(kWinapp2MaxLineBytes) + " bytes");
            return;
        }
        for (const char c : line)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                Problem(number, "the line holds a control character");
                return;
            }
        line = Trim(line);
        if (line.empty() || line.front() == ';')
            return;
        if (line.front() == '[') {
            Section(line, number);
            return;
        }
        if (m_entry == nullptr) {
            Problem(number, "a line before the first entry");
            return;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            Problem(number, "not a comment, an entry or key=value");
            return;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        std::size_t letters = 0;
        while (letters < key.size() && IsLetter(key[letters]))
            ++letters;
        std::size_t digits = letters;
        while (digits < key.size() && IsDigit(key[digits]))
            ++digits;
        const std::string_view numberText = key.substr(letters);
        if (letters == 0 || digits != key.size() || numberText.size() > 4 ||
            (!numberText.empty() && numberText.front() == '0')) {
            Problem(number, "not a key name: " + std::string(key.substr(0, 64)));
            return;
        }
        Winapp2Key k;
        k.name.assign(key.substr(0, letters));
        for (const char c : numberText)
            k.number = k.number * 10 + static_cast<unsigned>(c - '0');
        k.value.assign(Trim(line.substr(equals + 1)));
        k.line = number;
        if (m_entry->keys.size() >= kWinapp2MaxKeysPerEntry) {
            if (m_entry->broken.empty()) // reported once; the entry is broken from here on
                Problem(number, "more than " + std::to_string(kWinapp2MaxKeysPerEntry) + " keys");
            return;
        }
        // A scan of the entry's keys so far: at most kWinapp2MaxKeysPerEntry per line, so the
        // time stays linear in the file's size, and no allocation per key.
        for (const Winapp2Key& earlier : m_entry->keys)
            if (earlier.number == k.number && SameAscii(earlier.name, k.name)) {
                Problem(number, "the key " + std::string(key) + " appears twice");
                return;
            }
        m_entry->keys.push_back(std::move(k));
    }

    void Section(std::string_view line, unsigned number) {
        m_entry = nullptr;
        if (m_file.entries.size() >= kWinapp2MaxEntries) {
            Problem(number, "more than " + std::to_string(kWinapp2MaxEntries) + " entries: the rest is not read");
            m_stopped = true;
            return;
        }
        m_file.entries.emplace_back();
        m_entry = &m_file.entries.back();
        m_entry->line = number;
        if (line.back() != ']') {
            m_entry->name.assign(line.substr(1, 64));
            Problem(number, "the entry's name has no closing bracket");
            return;
        }
        std::string_view name = line.substr(1, line.size() - 2);
        if (name.size() >= 2 && name.compare(name.size() - 2, 2, " *") == 0)
            name.remove_suffix(2);
        name = Trim(name);
        m_entry->name.assign(name);
        if (name.empty()) {
            Problem(number, "the entry has no name");
            return;
        }
        const auto first = m_names.emplace(LowerCopy(name), number);
        if (!first.second)
            Problem(number, "an entry of this name is at line " + std::to_string(first.first->second) +
                                "; only the first is used");
    }

    // Breaks the current entry, if any, and records the problem under its name.
    void Problem(unsigned line, const std::string& what) {
        if (m_entry != nullptr && m_entry->broken.empty())
            m_entry->broken = "line " + std::to_string(line) + ": " + what;
        if (m_file.problems.size() >= kWinapp2MaxProblems) {
            ++m_file.problemsNotKept;
            return;
        }
        m_file.problems.push_back({m_entry != nullptr ? m_entry->name : std::string(), line, what});
    }

    Winapp2File m_file;
    Winapp2Entry* m_entry = nullptr; // the entry being read; the vector only grows at a section
    std::unordered_map<std::string, unsigned> m_names;    // entry names, lower case, to first line
    bool m_stopped = false;
};

} // namespace

Winapp2File ReadWinapp2(const char* data, std::size_t size) { return CReader().Read(data, size); }

} // namespace qs
