// Fuzz target: the winapp2.ini reader and the translation of every entry it reads, on any bytes.
// Besides the sanitizers' checks it asserts the reader's limits and that what it keeps is
// bounded by the input: no line number past the last line, no more text than the file holds.
#include "engine/Winapp2File.h"
#include "engine/Winapp2Script.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy: a read one byte past the end is a heap overflow for ASan.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const qs::Winapp2File file = qs::ReadWinapp2(bytes.data(), bytes.size());
    std::size_t lines = 1;
    for (const char c : bytes)
        lines += c == '\n';
    Check(file.entries.size() <= qs::kWinapp2MaxEntries);
    Check(file.problems.size() <= qs::kWinapp2MaxProblems);
    std::size_t kept = 0;
    for (const qs::Winapp2Entry& entry : file.entries) {
        Check(entry.line >= 1 && entry.line <= lines);
        Check(entry.keys.size() <= qs::kWinapp2MaxKeysPerEntry);
        kept += entry.name.size();
        for (const qs::Winapp2Key& key : entry.keys) {
            Check(key.line > entry.line && key.line <= lines);
            kept += key.name.size() + key.value.size();
        }
        const qs::Winapp2Plugin plugin = qs::TranslateWinapp2(entry, (size & 1) != 0);
        // A broken entry is never converted; a converted one always has a script and a category.
        Check(entry.broken.empty() || !plugin.refused.empty());
        Check(plugin.refused.empty() == !plugin.text.empty());
        Check(!plugin.refused.empty() || !plugin.category.empty());
        // Detection read alone agrees with the whole translation.
        qs::Winapp2Detection detection;
        std::string why;
        const bool detectionRead = qs::Winapp2DetectionOf(entry, detection, why);
        Check(detectionRead || !plugin.refused.empty());
        if (plugin.refused.empty())
            Check(detection.keys == plugin.detection.keys && detection.files == plugin.detection.files &&
                  detection.osFrom == plugin.detection.osFrom && detection.osTo == plugin.detection.osTo);
    }
    Check(kept <= size);
    for (const qs::Winapp2Problem& problem : file.problems)
        Check(problem.line >= 1 && problem.line <= lines);
    return 0;
}
