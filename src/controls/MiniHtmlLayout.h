// Layout engine of the mini HTML label: the markup walk into layout items, the shared fonts and
// styles, and painting the items with word wrap.
#pragma once

#include "framework/Handle.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// What a layout item stands for.
enum HtmlItemKind : int {
    kHtmlRun = 0,         // plain characters in one style; value: height of the line so far
    kHtmlEntity = 1,      // a character entity; value: the character it stands for
    kHtmlStyleSwitch = 2, // any tag; value: the style index in force after it
    kHtmlLineBreak = 3,   // newline or BR; value: height of the line, 0 to measure the letter X
};

enum HtmlAlign : int { kHtmlAlignLeft = 0, kHtmlAlignCenter = 1, kHtmlAlignRight = 2 };

// One piece of the text; the lengths of all items add up to the length of the text.
struct HtmlItem {
    int kind;
    int length; // bytes of the text this item covers
    int value;
};

struct HtmlStyle {
    int font; // index into the font table
    COLORREF textColor;
    COLORREF backColor;
    int align;
};

inline bool operator==(const HtmlStyle& a, const HtmlStyle& b) {
    return a.font == b.font && a.textColor == b.textColor && a.backColor == b.backColor && a.align == b.align;
}

// The fonts the walk asks for: found by their whole LOGFONT, created when new. Only their text
// height matters to the walk, which is all that needs a device context.
class IHtmlFontTable {
public:
    virtual ~IHtmlFontTable() = default;
    virtual int FindOrAddFont(const LOGFONTA& logFont) = 0;
    virtual LONG TextHeight(int font) const = 0;
};

// Walks `text` as markup and fills `styles` and `items` (both emptied first). Style 0 is the base
// font in the given colours, left-aligned, and item 0 switches to it. A "&" that starts no known
// entity is an ordinary character; a closing FONT or DIV with nothing open changes nothing.
void WalkHtml(const std::string& text, const LOGFONTA& baseFont, COLORREF textColor, COLORREF backColor,
              IHtmlFontTable& fonts, std::vector<HtmlStyle>& styles, std::vector<HtmlItem>& items);

// Finds ` NAME` (with its leading blank) in the upper-cased attribute text of a tag and reads its
// value; an attribute without "=" has an empty value. False when the attribute is absent.
bool ReadHtmlAttribute(const std::string& attributes, const char* name, std::string& value);

// A COLOR value: "#RRGGBB" in hexadecimal, or WINDOW, WINDOWTEXT, BUTTONFACE, BUTTONTEXT for the
// system colours; anything else is black.
COLORREF ParseHtmlColor(const std::string& value);

// A SIZE value (1 to 7) as a font height in logical units; anything unknown is 24, the size 3.
LONG HtmlSizeToHeight(const std::string& value);

// The quick pre-check of the text key: h = h * 33 + byte, bytes signed, from 0, wrapping.
std::uint32_t HtmlTextHash(const char* text, std::size_t length);

// The layout of one text for one rectangle, colours and base font, kept until any of them
// changes. Owns the fonts it creates.
class CMiniHtmlLayout : private IHtmlFontTable {
public:
    struct FontEntry {
        Font font;
        LOGFONTA logFont;
        TEXTMETRICA metrics;
    };

    CMiniHtmlLayout() = default;
    CMiniHtmlLayout(const CMiniHtmlLayout&) = delete;
    CMiniHtmlLayout& operator=(const CMiniHtmlLayout&) = delete;

    // Builds the font and style tables and the items for the inputs, whatever was there before.
    void LayoutHtml(HDC dc, const RECT& rect, const std::string& text, COLORREF textColor, COLORREF backColor,
                    HFONT baseFont);
    // Paints the text into `rect`, laying it out again first when any input has changed.
    void DrawHtml(HDC dc, const RECT& rect, const std::string& text, COLORREF textColor, COLORREF backColor,
                  HFONT baseFont);
    // Deletes the fonts and forgets the layout.
    void Reset();

    const std::vector<FontEntry>& Fonts() const { return m_fonts; }
    const std::vector<HtmlStyle>& Styles() const { return m_styles; }
    const std::vector<HtmlItem>& Items() const { return m_items; }
    // How many layouts have been built (painting with unchanged inputs builds none).
    int LayoutCount() const { return m_layoutCount; }
    // The bottom of the text the latest DrawHtml drew (its last line's), whether or not it fitted
    // the rectangle; the rectangle's top when it drew none.
    LONG TextBottom() const { return m_textBottom; }

private:
    int FindOrAddFont(const LOGFONTA& logFont) override;
    LONG TextHeight(int font) const override;

    bool NeedsLayout(const RECT& rect, const std::string& text, COLORREF textColor, COLORREF backColor,
                     HFONT baseFont) const;
    void DrawRun(HDC dc, const RECT& rect, const char* run, int length, int lineHeight, int align, POINT& pen) const;

    RECT m_rect{};
    COLORREF m_textColor = 0;
    COLORREF m_backColor = 0;
    HFONT m_baseFont = nullptr;
    std::string m_text;
    std::uint32_t m_textHash = 0;
    bool m_laidOut = false;
    int m_layoutCount = 0;

    std::vector<FontEntry> m_fonts;
    std::vector<HtmlStyle> m_styles;
    std::vector<HtmlItem> m_items;

    HDC m_measureDc = nullptr; // set while a layout runs
    mutable LONG m_textBottom = 0;
};

} // namespace qs
