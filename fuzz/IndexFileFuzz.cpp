// Fuzz target: the hash-table walk, the leak scan and the erasing of records on any bytes.
// Besides the sanitizers' checks it asserts that the walks stay linear in the file's size,
// hand out only pointers inside the file, and never change a byte past the walk limit.
#include "hostfn/IndexFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ix = qs::indexfile;

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// Runs one walk, erasing (or only counting) what it visits, and checks every visit.
template <typename Walk>
void Run(Walk walk, std::vector<std::uint8_t>& file, std::size_t limit, bool erase, std::size_t maxVisits) {
    std::uint8_t* const base = file.data();
    std::size_t visits = 0;
    walk(base, file.size(), [&](std::uint8_t* entry, std::uint8_t* record) {
        Check(++visits <= maxVisits);
        Check(record >= base && record + ix::kRecordHeaderSize <= base + limit);
        Check(entry == nullptr || (entry >= base && entry + ix::kEntrySize <= base + limit));
        if (erase)
            ix::EraseRecord(base, file.size(), entry, record);
        return true;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy: a read or write one byte past the end is a heap overflow for ASan.
    std::vector<std::uint8_t> file(data, data + size);
    const std::size_t limit = ix::WalkLimit(file.data(), file.size());
    Check(limit <= size);
    // At most one valid table per 4096 bytes, 448 entries each; at most one leak per block.
    const std::size_t maxHashed = (limit / ix::kTableSize + 1) * ix::kEntryCount;
    const std::size_t maxLeaks = limit / ix::kBlockSize + 1;

    Run(ix::WalkHashedRecords, file, limit, false, maxHashed);
    Run(ix::WalkLeakRecords, file, limit, false, maxLeaks);
    Check(file == std::vector<std::uint8_t>(data, data + size)); // visiting alone changes nothing

    Run(ix::WalkHashedRecords, file, limit, true, maxHashed);
    Run(ix::WalkLeakRecords, file, limit, true, maxLeaks);
    if (limit < size)
        Check(std::memcmp(file.data() + limit, data + limit, size - limit) == 0);
    return 0;
}
