// The hash-table walk, the leak scan and the erasing of records, over index files in memory.
#include "hostfn/IndexFile.h"

#include "support/IndexFileBuilder.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

namespace ix = qs::indexfile;
using qs::test::IndexFileBuilder;
using Bytes = std::vector<std::uint8_t>;

// Erases what it visits, as the cleaner does.
ix::RecordVisitor Eraser(Bytes& file) {
    return [&file](std::uint8_t* entry, std::uint8_t* record) {
        ix::EraseRecord(file.data(), file.size(), entry, record);
        return true;
    };
}

// Counts visits per record offset (and whether an entry came with them).
struct VisitLog {
    std::map<std::uint32_t, int> visits;
    int withEntry = 0;
    ix::RecordVisitor Visitor(Bytes& file) {
        return [this, &file](std::uint8_t* entry, std::uint8_t* record) {
            ++visits[static_cast<std::uint32_t>(record - file.data())];
            withEntry += entry != nullptr;
            return true;
        };
    }
};

// The first differing offset, or -1: a readable message instead of a 48 KB dump.
long FirstDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size())
        return -2;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return static_cast<long>(i);
    }
    return -1;
}

TEST(IndexFileWalk, ErasesHashedRecordsAndThenLeaksByteForByte) {
    const qs::test::IndexSample sample = qs::test::MakeIndexSample();
    // Bytes past the header's file size must stay even though the buffer holds them.
    const Bytes guard(300, 0xEE);
    Bytes file = sample.original;
    file.insert(file.end(), guard.begin(), guard.end());

    ASSERT_TRUE(ix::WalkHashedRecords(file.data(), file.size(), Eraser(file)));
    Bytes expected = sample.afterHashWalk;
    expected.insert(expected.end(), guard.begin(), guard.end());
    EXPECT_EQ(FirstDifference(file, expected), -1);

    ASSERT_TRUE(ix::WalkLeakRecords(file.data(), file.size(), Eraser(file)));
    expected = sample.afterLeakScan;
    expected.insert(expected.end(), guard.begin(), guard.end());
    EXPECT_EQ(FirstDifference(file, expected), -1);
}

TEST(IndexFileWalk, VisitsEachRecordOnceAndStopsWhenAsked) {
    Bytes file = qs::test::MakeIndexSample().original;
    VisitLog hashed;
    ASSERT_TRUE(ix::WalkHashedRecords(file.data(), file.size(), hashed.Visitor(file)));
    EXPECT_EQ(hashed.visits,
              (std::map<std::uint32_t, int>{
                  {0x5000, 1}, {0x5100, 1}, {0x7000, 1}, {0x7180, 1}, {0x9100, 1}, {0x9180, 1}, {0xBF80, 1}}));
    EXPECT_EQ(hashed.withEntry, 7);
    // Without erasing, the leak scan finds every leak record, hashed or not, and no URL record.
    VisitLog leaks;
    ASSERT_TRUE(ix::WalkLeakRecords(file.data(), file.size(), leaks.Visitor(file)));
    EXPECT_EQ(leaks.visits, (std::map<std::uint32_t, int>{
                                {0x5100, 1}, {0x5200, 1}, {0x7080, 1}, {0x7180, 1}, {0x9000, 1}, {0x9180, 1}}));
    EXPECT_EQ(leaks.withEntry, 0);

    int calls = 0;
    const auto stopAtSecond = [&](std::uint8_t*, std::uint8_t*) { return ++calls < 2; };
    EXPECT_FALSE(ix::WalkHashedRecords(file.data(), file.size(), stopAtSecond));
    EXPECT_EQ(calls, 2);
    calls = 0;
    EXPECT_FALSE(ix::WalkLeakRecords(file.data(), file.size(), stopAtSecond));
    EXPECT_EQ(calls, 2);
}

// One URL record behind each table; the file's chain is shaped by each case.
struct ChainCase {
    const char* name;
    std::vector<std::uint32_t> sequences; // of the tables at 0x4000, 0x6000, 0x8000, ...
    std::vector<std::uint32_t> nexts;     // their next-table offsets, written after building
    std::vector<std::uint32_t> visited;   // tables whose record the walk must reach, in order
};

TEST(IndexFileWalk, DamagedChainsEndAndWrongTablesArePassedOver) {
    const ChainCase cases[] = {
        {"plain chain", {0, 1, 2}, {0x6000, 0x8000, 0}, {0x4000, 0x6000, 0x8000}},
        {"wrong sequence passed over, its next followed", {0, 7, 2}, {0x6000, 0x8000, 0}, {0x4000, 0x8000}},
        {"back to the first table", {0, 1, 2}, {0x6000, 0x4000, 0}, {0x4000, 0x6000}},
        {"to itself", {0, 1, 2}, {0x4000, 0x8000, 0}, {0x4000}},
        {"into the current table", {0, 1, 2}, {0x4800, 0x8000, 0}, {0x4000}},
        {"below the first table's minimum", {0, 1, 2}, {0x3000, 0x8000, 0}, {0x4000}},
        {"past the end", {0, 1, 2}, {0x6000, 0xA001, 0}, {0x4000, 0x6000}},
        {"a table cut by the end", {0, 1, 2}, {0x6000, 0x9800, 0}, {0x4000, 0x6000}},
    };
    for (const ChainCase& c : cases) {
        IndexFileBuilder b(0xA000);
        for (size_t i = 0; i < c.sequences.size(); ++i) {
            const std::uint32_t table = 0x4000 + 0x2000 * std::uint32_t(i);
            b.AddTable(table, c.sequences[i]);
            b.AddRecord(table + 0x1000, "URL ", 1);
            b.Hash(table, 0, table + 0x1000);
        }
        for (size_t i = 0; i < c.nexts.size(); ++i)
            b.Put32(0x4000 + 0x2000 * std::uint32_t(i) + 8, c.nexts[i]);
        Bytes& file = b.Bytes();
        std::vector<std::uint32_t> order;
        ASSERT_TRUE(ix::WalkHashedRecords(file.data(), file.size(), [&](std::uint8_t*, std::uint8_t* record) {
            order.push_back(static_cast<std::uint32_t>(record - file.data()) - 0x1000);
            return true;
        })) << c.name;
        EXPECT_EQ(order, c.visited) << c.name;
    }
}

TEST(IndexFileWalk, ShortBuffersAndHugeLengthsStayInside) {
    // A header that claims more than the buffer holds: the buffer bounds the walks.
    IndexFileBuilder b(0x6000);
    b.AddTable(0x4000, 0);
    b.AddRecord(0x5000, "LEAK", 0xFFFFFFFF); // claims 512 GB
    b.Hash(0x4000, 0, 0x5000);
    b.Hash(0x4000, 1, 0x5F80);
    b.Put32(0x1C, 0x7FFFFFFF);
    Bytes file = b.Bytes();
    ASSERT_TRUE(ix::WalkHashedRecords(file.data(), file.size(), Eraser(file)));
    Bytes expected = b.Bytes();
    IndexFileBuilder::Zero(expected, 0x5000, 0x1000); // up to the end of the buffer, no further
    IndexFileBuilder::MarkUnused(expected, 0x4000, 0);
    EXPECT_EQ(FirstDifference(file, expected), -1);
    ASSERT_TRUE(ix::WalkLeakRecords(file.data(), file.size(), Eraser(file)));
    EXPECT_EQ(FirstDifference(file, expected), -1);

    // A leak record that ends the scan region by its length, with a length that would wrap.
    IndexFileBuilder c(0x6000);
    c.AddTable(0x4000, 0);
    c.AddRecord(0x5000, "LEAK", 0x02000000);
    c.AddRecord(0x5800, "LEAK", 1);
    Bytes scan = c.Bytes();
    VisitLog log;
    ASSERT_TRUE(ix::WalkLeakRecords(scan.data(), scan.size(), log.Visitor(scan)));
    EXPECT_EQ(log.visits, (std::map<std::uint32_t, int>{{0x5000, 1}}));

    // Buffers too short for a header, a table or a record header: nothing happens.
    for (size_t size : {size_t(0), size_t(0x23), size_t(0x24), size_t(0x4FFF)}) {
        Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
        const Bytes before = part;
        EXPECT_TRUE(ix::WalkHashedRecords(part.data(), part.size(), Eraser(part))) << size;
        EXPECT_TRUE(ix::WalkLeakRecords(part.data(), part.size(), Eraser(part))) << size;
        EXPECT_EQ(part, before) << size;
    }
    EXPECT_EQ(ix::WalkLimit(nullptr, 100), 0u);
}

TEST(IndexFileWalk, EraseIgnoresPointersOutsideTheFile) {
    IndexFileBuilder b(0x5000);
    b.AddRecord(0x4F80, "URL ", 1);
    Bytes file = b.Bytes();
    const Bytes before = file;
    Bytes other(64, 0x11);
    ix::EraseRecord(file.data(), file.size(), other.data(), other.data() + 8);
    ix::EraseRecord(file.data(), file.size(), nullptr, file.data() + file.size() - 4);
    EXPECT_EQ(file, before);
    EXPECT_EQ(other, Bytes(64, 0x11));
}

} // namespace
