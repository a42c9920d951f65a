// Index file generator for tests and fuzz seeds.
#include "support/IndexFileBuilder.h"

#include <algorithm>
#include <cstring>

namespace qs::test {
namespace {

constexpr std::uint32_t kFileSizeField = 0x1C;
constexpr std::uint32_t kFirstTableField = 0x20;
constexpr std::uint32_t kTableSize = 4096;
constexpr std::uint32_t kEntryCount = 448;

std::uint32_t EntryOffset(std::uint32_t table, std::uint32_t index) {
    return table + 16 + 8 * index;
}

void Write32(std::vector<std::uint8_t>& bytes, std::uint32_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

IndexFileBuilder::IndexFileBuilder(std::uint32_t fileSize) : m_bytes(fileSize) {
    // The high bit is always set: no zero byte, and no ASCII signature by accident.
    for (std::uint32_t i = 0; i < fileSize; ++i)
        m_bytes[i] = static_cast<std::uint8_t>(0x80 | (i * 7 % 127));
    Put32(kFileSizeField, fileSize);
    Put32(kFirstTableField, 0);
}

void IndexFileBuilder::Put32(std::uint32_t offset, std::uint32_t value) {
    Write32(m_bytes, offset, value);
}

std::uint32_t IndexFileBuilder::Get32(std::uint32_t offset) const {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | m_bytes.at(offset + i);
    return value;
}

void IndexFileBuilder::AddTable(std::uint32_t offset, std::uint32_t sequence, const char* signature) {
    std::memcpy(&m_bytes.at(offset), signature, 4);
    Put32(offset + 4, kTableSize / 128);
    Put32(offset + 8, 0);
    Put32(offset + 12, sequence);
    for (std::uint32_t i = 0; i < kEntryCount; ++i)
        SetEntry(offset, i, 3, 3);
    Put32(m_lastTable == 0 ? kFirstTableField : m_lastTable + 8, offset);
    m_lastTable = offset;
}

void IndexFileBuilder::AddRecord(std::uint32_t offset, const char* signature, std::uint32_t blocks, std::uint8_t fill) {
    const std::uint64_t end = std::min<std::uint64_t>(offset + std::uint64_t(blocks) * 128, m_bytes.size());
    std::fill(m_bytes.begin() + offset, m_bytes.begin() + static_cast<std::ptrdiff_t>(end), fill);
    std::memcpy(&m_bytes.at(offset), signature, 4);
    Put32(offset + 4, blocks);
}

void IndexFileBuilder::SetEntry(std::uint32_t table, std::uint32_t index, std::uint32_t hash, std::uint32_t record) {
    Put32(EntryOffset(table, index), hash);
    Put32(EntryOffset(table, index) + 4, record);
}

void IndexFileBuilder::Zero(std::vector<std::uint8_t>& image, std::uint32_t offset, std::uint32_t bytes) {
    std::fill(image.begin() + offset, image.begin() + offset + bytes, 0);
}

void IndexFileBuilder::MarkUnused(std::vector<std::uint8_t>& image, std::uint32_t table, std::uint32_t index) {
    Write32(image, EntryOffset(table, index), 3);
    Write32(image, EntryOffset(table, index) + 4, 3);
}

IndexSample MakeIndexSample() {
    const std::uint32_t t0 = 0x4000, t1 = 0x6000, t2 = 0x8000, size = 0xC000;
    IndexFileBuilder b(size);
    b.AddTable(t0, 0);
    b.AddTable(t1, 1);
    b.AddTable(t2, 2);

    struct Record {
        std::uint32_t offset;
        const char* signature;
        std::uint32_t blocks;
        std::uint32_t table; // 0: no entry points at it
        std::uint32_t index;
        std::uint32_t hash;
    };
    // Which of them go: hashed URL and LEAK records with an entry in use; unhashed LEAK records
    // only with the leak scan.
    const Record records[] = {
        {0x5000, "URL ", 2, t0, 0, 0x100},  // hashed: erased with its entry
        {0x5100, "LEAK", 1, t0, 1, 0x101},  // hashed leak: erased by the hash walk
        {0x5180, "REDR", 1, t0, 2, 0x102},  // another kind: stays, and so does its entry
        {0x5200, "LEAK", 3, 0, 0, 0},       // unhashed leak: only the leak scan erases it
        {0x5380, "URL ", 1, 0, 0, 0},       // unhashed URL: nothing reaches it
        {0x5400, "URL ", 1, t0, 3, 1},      // its entry is marked free: stays
        {0x5480, "URL ", 1, t0, 4, 3},      // its entry is marked not in use: stays
        {0x7000, "URL ", 1, t1, 10, 0x10a}, // second table
        {0x7080, "LEAK", 2, 0, 0, 0},        {0x7180, "LEAK", 1, t1, 11, 0x10b},
        {0x9000, "LEAK", 2, 0, 0, 0},        // behind the last table: scanned up to the end
        {0x9100, "URL ", 1, t2, 447, 0x1ff}, // the last entry of a table
        {0x9180, "LEAK", 1, t0, 7, 0x107},   // hashed from the first table
        {0xBF80, "URL ", 4, t2, 0, 0x200},   // claims blocks past the end: erased up to it
    };
    for (const Record& r : records) {
        b.AddRecord(r.offset, r.signature, r.blocks);
        if (r.table != 0)
            b.SetEntry(r.table, r.index, r.hash, r.offset);
    }
    b.SetEntry(t0, 5, 0x105, size);     // points at the end of the file: ignored
    b.SetEntry(t0, 6, 0x106, size - 4); // a record header that cannot fit: ignored
    b.SetEntry(t1, 12, 0x10c, 0x0);     // points at the header, which is no record

    IndexSample s;
    s.original = b.Bytes();
    s.afterHashWalk = s.original;
    for (const Record& r : records) {
        const bool erased = r.table != 0 && r.hash != 1 && r.hash != 3 &&
                            (std::strcmp(r.signature, "URL ") == 0 || std::strcmp(r.signature, "LEAK") == 0);
        if (erased) {
            IndexFileBuilder::Zero(s.afterHashWalk, r.offset, std::min(r.blocks * 128, size - r.offset));
            IndexFileBuilder::MarkUnused(s.afterHashWalk, r.table, r.index);
        }
    }
    s.afterLeakScan = s.afterHashWalk;
    for (const Record& r : records) {
        if (r.table == 0 && std::strcmp(r.signature, "LEAK") == 0)
            IndexFileBuilder::Zero(s.afterLeakScan, r.offset, r.blocks * 128);
    }
    return s;
}

} // namespace qs::test
