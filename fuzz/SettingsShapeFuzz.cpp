// Fuzz target: the settings file's pre-parse scan against the XML library itself. Whenever the
// scan answers a nesting depth, the library, parsing the same bytes as the program does, never
// builds elements nested deeper than that; so no file that passes the scan can recurse the
// library deeper than the settings reader allows.
#include "engine/SettingsShape.h"

#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// The deepest element nesting of the document's tree, without recursion.
std::size_t TreeDepth(const TiXmlNode& document) {
    std::size_t deepest = 0;
    std::vector<std::pair<const TiXmlNode*, std::size_t>> todo{{&document, 0}};
    while (!todo.empty()) {
        const auto [node, depth] = todo.back();
        todo.pop_back();
        for (const TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling()) {
            const std::size_t d = depth + (child->ToElement() != nullptr ? 1 : 0);
            deepest = d > deepest ? d : deepest;
            todo.push_back({child, d});
        }
    }
    return deepest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<std::size_t> depth = qs::ParsedElementDepth(bytes);
    if (!depth)
        return 0;
    // As the settings reader parses: the encoding it chooses, the line ends file loading leaves.
    const TiXmlEncoding encoding = qs::ReadsAsUtf8(bytes) ? TIXML_ENCODING_UNKNOWN : TIXML_ENCODING_LEGACY;
    const std::string text = qs::NormalisedLineEnds(bytes);
    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, encoding);
    Check(TreeDepth(document) <= *depth);
    return 0;
}
