// Layout of browser history index files and the walks over their records in a memory buffer.
// Portable on purpose (no platform headers): the same walks run natively under the fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace qs::indexfile {

// All numbers are 32-bit little-endian; offsets count from the start of the file.
constexpr std::uint32_t kBlockSize = 128;
constexpr std::uint32_t kFileSizeField = 0x1C;   // header: file size, bounds every walk
constexpr std::uint32_t kFirstTableField = 0x20; // header: offset of the first hash table
constexpr std::uint32_t kHeaderSize = 0x24;      // the header bytes the walks read
constexpr std::uint32_t kFirstTableMin = 0x4000; // hash tables live at or after this offset

constexpr std::uint32_t kTableSize = 4096;
constexpr std::uint32_t kTableNextField = 8;
constexpr std::uint32_t kTableSequenceField = 12;
constexpr std::uint32_t kTableEntries = 16;
constexpr std::uint32_t kEntryCount = 448;
constexpr std::uint32_t kEntrySize = 8;

// The first field of a hash entry holds one of these when the entry is not in use.
constexpr std::uint32_t kEntryFree = 1;
constexpr std::uint32_t kEntryUnused = 3;

constexpr std::uint32_t kRecordHeaderSize = 8; // signature and length in blocks

// Called for each record a walk reaches: the hash entry that points at it (null in the leak
// scan) and the record's first byte. Answering false stops the walk, which then answers false.
using RecordVisitor = std::function<bool(std::uint8_t* entry, std::uint8_t* record)>;

// The number of bytes the walks may touch: the header's file size, never more than the buffer
// holds. 0 when the buffer is too short for the header.
std::size_t WalkLimit(const std::uint8_t* data, std::size_t size);

// Visits the URL and LEAK records that the entries of the valid hash tables point at. Tables
// are chained from the header; a table is valid when it carries "HASH" and the sequence number
// of its place in the chain. The chain ends at an offset below the first table's minimum, at a
// table that does not fit in the file, and at a next-table offset that does not lie behind the
// current table, so a damaged chain that points back never loops.
bool WalkHashedRecords(std::uint8_t* data, std::size_t size, const RecordVisitor& visit);

// Visits the LEAK records found by scanning, block by block, the blocks behind each valid table
// up to the next table (or the end of the file for the last one).
bool WalkLeakRecords(std::uint8_t* data, std::size_t size, const RecordVisitor& visit);

// Zeroes the record's length in blocks times 128 bytes, never past the walk limit, and marks the
// entry (when given) as not in use. Pointers outside the buffer are left alone.
void EraseRecord(std::uint8_t* data, std::size_t size, std::uint8_t* entry, std::uint8_t* record);

} // namespace qs::indexfile
