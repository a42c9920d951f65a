// Writes history index files for tests and fuzz seeds: header, chained hash tables and records.
// Portable (no platform headers): the fuzz seed generator uses it natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qs::test {

class IndexFileBuilder {
public:
    // A file of `fileSize` bytes whose header gives that size and no hash table. Every byte the
    // builder does not write holds a pattern (never zero, never a signature), so that erased and
    // kept bytes tell apart.
    explicit IndexFileBuilder(std::uint32_t fileSize);

    // A hash table at `offset` with the sequence number given, appended to the chain: the header
    // or the previous table now points at it. All its entries start as not in use (3, 3).
    void AddTable(std::uint32_t offset, std::uint32_t sequence, const char* signature = "HASH");
    // A record of `blocks` blocks at `offset`: the signature, the length and `fill` bytes, cut at
    // the end of the file when the length claims more.
    void AddRecord(std::uint32_t offset, const char* signature, std::uint32_t blocks, std::uint8_t fill = 0xA5);
    // Entry `index` of the table at `table`.
    void SetEntry(std::uint32_t table, std::uint32_t index, std::uint32_t hash, std::uint32_t record);
    // Entry `index` of `table` pointing at `record` with an ordinary hash value.
    void Hash(std::uint32_t table, std::uint32_t index, std::uint32_t record) {
        SetEntry(table, index, 0x1234500 + index, record);
    }

    void Put32(std::uint32_t offset, std::uint32_t value);
    std::uint32_t Get32(std::uint32_t offset) const;

    std::vector<std::uint8_t>& Bytes() { return m_bytes; }
    std::string Text() const { return std::string(m_bytes.begin(), m_bytes.end()); }

    // The image after a record is erased (`bytes` of it, from its start) and after an entry is
    // marked as not in use: what a test expects the cleaner to leave.
    static void Zero(std::vector<std::uint8_t>& image, std::uint32_t offset, std::uint32_t bytes);
    static void MarkUnused(std::vector<std::uint8_t>& image, std::uint32_t table, std::uint32_t index);

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint32_t m_lastTable = 0;
};

// A sample file with three chained tables and records of every kind (URL, LEAK, other, hashed
// and unhashed, an entry marked free, an entry past the end, a record running past the end),
// and the images the cleaner must leave with and without the leak scan.
struct IndexSample {
    std::vector<std::uint8_t> original;
    std::vector<std::uint8_t> afterHashWalk;
    std::vector<std::uint8_t> afterLeakScan; // the hash walk and then the leak scan
};
IndexSample MakeIndexSample();

} // namespace qs::test
