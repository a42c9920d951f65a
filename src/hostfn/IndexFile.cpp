// Walks over the hash tables and records of a history index file held in memory.
//
// Index files come from outside and may be damaged: every read and write stays below the walk
// limit, every walk ends, and nothing is repaired.
#include "hostfn/IndexFile.h"

#include <algorithm>
#include <cstring>

namespace qs::indexfile {
namespace {

std::uint32_t Read32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void Write32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool HasSignature(const std::uint8_t* p, const char (&signature)[5]) {
    return std::memcmp(p, signature, 4) == 0;
}

// Calls onTable(table offset) for each valid table of the chain, in chain order; stops and
// answers false as soon as onTable does.
//
// A table must lie wholly inside the limit to be read at all. The next table must start behind
// the end of the current one: offsets grow strictly along the chain, so a damaged chain that
// points back (or at itself) ends instead of looping, and tables never overlap.
template <typename OnTable> bool ForEachValidTable(std::uint8_t* data, std::size_t limit, OnTable&& onTable) {
    if (limit < kHeaderSize)
        return true;
    std::uint64_t offset = Read32(data + kFirstTableField);
    std::uint32_t expectedSequence = 0;
    while (offset >= kFirstTableMin && offset + kTableSize <= limit) {
        const std::uint8_t* table = data + offset;
        if (HasSignature(table, "HASH") && Read32(table + kTableSequenceField) == expectedSequence) {
            if (!onTable(offset))
                return false;
        }
        // Counted for every table of the chain, valid or not.
        ++expectedSequence;
        // Read after the visit, which may have changed it.
        const std::uint64_t next = Read32(table + kTableNextField);
        if (next < offset + kTableSize)
            break;
        offset = next;
    }
    return true;
}

} // namespace

std::size_t WalkLimit(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < kHeaderSize)
        return 0;
    return std::min<std::size_t>(Read32(data + kFileSizeField), size);
}

bool WalkHashedRecords(std::uint8_t* data, std::size_t size, const RecordVisitor& visit) {
    const std::size_t limit = WalkLimit(data, size);
    return ForEachValidTable(data, limit, [&](std::uint64_t tableOffset) {
        std::uint8_t* entry = data + tableOffset + kTableEntries;
        for (std::uint32_t i = 0; i < kEntryCount; ++i, entry += kEntrySize) {
            const std::uint32_t hash = Read32(entry);
            if (hash == kEntryFree || hash == kEntryUnused)
                continue;
            const std::uint32_t recordOffset = Read32(entry + 4);
            // The record's signature and length must lie inside the file too.
            if (recordOffset >= limit || limit - recordOffset < kRecordHeaderSize)
                continue;
            std::uint8_t* record = data + recordOffset;
            if ((HasSignature(record, "URL ") || HasSignature(record, "LEAK")) && !visit(entry, record))
                return false;
        }
        return true;
    });
}

bool WalkLeakRecords(std::uint8_t* data, std::size_t size, const RecordVisitor& visit) {
    const std::size_t limit = WalkLimit(data, size);
    return ForEachValidTable(data, limit, [&](std::uint64_t tableOffset) {
        const std::uint32_t next = Read32(data + tableOffset + kTableNextField);
        const std::uint64_t end = next != 0 ? std::min<std::uint64_t>(next, limit) : limit;
        std::uint64_t block = tableOffset + kTableSize;
        while (block < end) {
            std::uint64_t step = kBlockSize;
            std::uint8_t* record = data + block;
            if (limit - block >= kRecordHeaderSize && HasSignature(record, "LEAK")) {
                if (!visit(nullptr, record))
                    return false;
                // Read after the visit: an erased record reads 0, and the scan then goes on
                // through its blocks one at a time.
                const std::uint32_t blocks = Read32(record + 4);
                if (blocks > 1)
                    step = std::uint64_t(blocks) * kBlockSize;
            }
            block += step;
        }
        return true;
    });
}

void EraseRecord(std::uint8_t* data, std::size_t size, std::uint8_t* entry, std::uint8_t* record) {
    const std::size_t limit = WalkLimit(data, size);
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t r = reinterpret_cast<std::uintptr_t>(record);
    if (record != nullptr && r >= base && r - base < limit && limit - (r - base) >= kRecordHeaderSize) {
        const std::uint64_t length = std::uint64_t(Read32(record + 4)) * kBlockSize;
        std::memset(record, 0, static_cast<std::size_t>(std::min<std::uint64_t>(length, limit - (r - base))));
    }
    const std::uintptr_t e = reinterpret_cast<std::uintptr_t>(entry);
    if (entry != nullptr && e >= base && e - base < limit && limit - (e - base) >= kEntrySize) {
        Write32(entry, kEntryUnused);
        Write32(entry + 4, kEntryUnused);
    }
}

} // namespace qs::indexfile
