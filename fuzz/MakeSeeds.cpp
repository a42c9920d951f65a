// Writes the seed corpus of the index file fuzz target: sound files and typical damage.
//   index_seed_maker FOLDER
#include "support/IndexFileBuilder.h"

#include <cstdio>
#include <string>
#include <vector>

using qs::test::IndexFileBuilder;

namespace {

bool Write(const std::string& folder, const char* name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = folder + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Two tables with a few records behind each; `shape` damages it.
std::vector<std::uint8_t> Small(int shape) {
    IndexFileBuilder b(0x6800);
    b.AddTable(0x4000, 0);
    b.AddRecord(0x5000, "URL ", 2);
    b.AddRecord(0x5100, "LEAK", 1);
    b.AddRecord(0x5180, "REDR", 1);
    b.AddRecord(0x5200, "LEAK", 3);
    b.Hash(0x4000, 0, 0x5000);
    b.Hash(0x4000, 1, 0x5100);
    b.Hash(0x4000, 2, 0x5180);
    b.SetEntry(0x4000, 3, 1, 0x5200);
    switch (shape) {
    case 1: // the chain points back at its first table
        b.Put32(0x4008, 0x4000);
        break;
    case 2: // a record that claims far more blocks than the file has
        b.Put32(0x5104, 0xFFFFFFF0);
        break;
    case 3: // the header claims more than the file holds
        b.Put32(0x1C, 0x00100000);
        break;
    case 4: // a wrong sequence number
        b.Put32(0x400C, 5);
        break;
    }
    return b.Bytes();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: index_seed_maker FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = Write(folder, "sample", qs::test::MakeIndexSample().original);
    const char* names[] = {"small", "loop", "huge-record", "header-too-big", "wrong-sequence"};
    for (int shape = 0; shape < 5; ++shape)
        ok = Write(folder, names[shape], Small(shape)) && ok;
    std::vector<std::uint8_t> cut = Small(0);
    cut.resize(0x4800); // a table cut by the end of the file
    ok = Write(folder, "cut-table", cut) && ok;
    ok = Write(folder, "header-only", std::vector<std::uint8_t>(Small(0).begin(), Small(0).begin() + 0x24)) && ok;
    return ok ? 0 : 1;
}
