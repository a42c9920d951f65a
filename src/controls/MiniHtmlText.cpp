// The mini HTML label's text without its markup, through the label's own markup walk.
#include "controls/MiniHtmlText.h"

#include "controls/MiniHtmlLayout.h"

#include <vector>

namespace qs {
namespace {

// The walk asks for fonts only to measure lines; plain text needs none.
class NoFonts : public IHtmlFontTable {
public:
    int FindOrAddFont(const LOGFONTA&) override { return 0; }
    LONG TextHeight(int) const override { return 0; }
};

} // namespace

std::string HtmlPlainText(const std::string& markup) {
    NoFonts fonts;
    std::vector<HtmlStyle> styles;
    std::vector<HtmlItem> items;
    WalkHtml(markup, LOGFONTA{}, 0, 0, fonts, styles, items);
    std::string text;
    std::size_t at = 0;
    for (const HtmlItem& item : items) {
        const std::size_t length = item.length > 0 ? static_cast<std::size_t>(item.length) : 0;
        switch (item.kind) {
        case kHtmlRun:
            text.append(markup, at, length);
            break;
        case kHtmlEntity:
            text += static_cast<char>(item.value);
            break;
        case kHtmlLineBreak:
            if (!text.empty() && text.back() != '\n')
                text += '\n';
            break;
        default:
            break;
        }
        at += length;
    }
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

} // namespace qs
