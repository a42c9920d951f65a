// The markup walk, attribute values, and layout and painting of the mini HTML label.
#include "controls/MiniHtmlLayout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace qs {
namespace {

struct Entity {
    const char* text;
    char character;
};

// Recognised only exactly as written here, in this order.
const Entity kEntities[] = {{"&nbsp;", ' '}, {"&quot;", '"'}, {"&apos;", '\''},
                            {"&amp;", '&'},  {"&lt;", '<'},   {"&gt;", '>'}};

constexpr std::size_t kMaxTagName = 15;
constexpr std::size_t kMaxAttributes = 126;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsValueChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '#';
}

std::string UpperCase(std::string s) {
    if (!s.empty())
        ::CharUpperBuffA(&s[0], static_cast<DWORD>(s.size()));
    return s;
}

// Offset of the character after the one at `at`; multibyte characters move as a whole, and the
// walk always moves at least one byte and never past the end.
std::size_t NextChar(const std::string& text, std::size_t at) {
    const char* base = text.c_str();
    std::size_t next = static_cast<std::size_t>(::CharNextA(base + at) - base);
    return std::min(std::max(next, at + 1), text.size());
}

// LOGFONTs are compared byte for byte: whatever follows the face name's terminator must not
// tell two equal fonts apart.
void ClearFaceTail(LOGFONTA& lf) {
    const std::size_t used = ::strnlen(lf.lfFaceName, LF_FACESIZE - 1);
    std::memset(lf.lfFaceName + used, 0, LF_FACESIZE - used);
}

int FindOrAddStyle(std::vector<HtmlStyle>& styles, const HtmlStyle& style) {
    for (std::size_t i = 0; i < styles.size(); ++i)
        if (styles[i] == style)
            return static_cast<int>(i);
    styles.push_back(style);
    return static_cast<int>(styles.size() - 1);
}

// The style and font description that FONT and DIV save and their closing tags bring back.
struct SavedStyle {
    HtmlStyle style;
    LOGFONTA font;
};

// The walk's running state.
class MarkupWalk {
public:
    MarkupWalk(const std::string& text, const LOGFONTA& baseFont, COLORREF textColor, COLORREF backColor,
               IHtmlFontTable& fonts, std::vector<HtmlStyle>& styles, std::vector<HtmlItem>& items)
        : m_text(text), m_fonts(fonts), m_styles(styles), m_items(items), m_font(baseFont) {
        ClearFaceTail(m_font);
        m_style = HtmlStyle{m_fonts.FindOrAddFont(m_font), textColor, backColor, kHtmlAlignLeft};
        m_styleIndex = FindOrAddStyle(m_styles, m_style);
        Add(kHtmlStyleSwitch, 0, m_styleIndex);
    }

    void Run() {
        std::size_t at = 0;
        while (at < m_text.size()) {
            const char c = m_text[at];
            if (c == '\n') {
                CloseRun();
                Add(kHtmlLineBreak, 1, m_lineHeight);
                m_lineHeight = 0;
                ++at;
            } else if (c == '&' && MatchEntity(at)) {
                // MatchEntity has added the item and moved `at` past it.
            } else if (c == '<') {
                CloseRun();
                at = Tag(at);
            } else {
                // A "&" that starts no entity lands here too: it is shown as it stands.
                const std::size_t next = NextChar(m_text, at);
                m_runLength += static_cast<int>(next - at);
                m_lineHeight = std::max<LONG>(m_lineHeight, m_fonts.TextHeight(m_style.font));
                at = next;
            }
        }
        CloseRun();
    }

private:
    void Add(int kind, std::size_t length, LONG value) {
        m_items.push_back(HtmlItem{kind, static_cast<int>(length), static_cast<int>(value)});
    }

    void CloseRun() {
        if (m_runLength > 0)
            Add(kHtmlRun, static_cast<std::size_t>(m_runLength), m_lineHeight);
        m_runLength = 0;
    }

    bool MatchEntity(std::size_t& at) {
        for (const Entity& e : kEntities) {
            const std::size_t n = std::strlen(e.text);
            if (m_text.compare(at, n, e.text) == 0) {
                CloseRun();
                Add(kHtmlEntity, n, static_cast<unsigned char>(e.character));
                at += n;
                return true;
            }
        }
        return false;
    }

    // Parses the tag at `start` ("<"), acts on it and answers where the walk goes on.
    std::size_t Tag(std::size_t start) {
        const std::size_t size = m_text.size();
        std::size_t nameEnd = start + 1;
        while (nameEnd < size && !IsBlank(m_text[nameEnd]) && m_text[nameEnd] != '>')
            ++nameEnd;
        const std::size_t close = m_text.find('>', nameEnd);
        const std::size_t attributesEnd = close == std::string::npos ? size : close;
        const std::size_t end = close == std::string::npos ? size : close + 1;

        std::string name = m_text.substr(start + 1, nameEnd - start - 1);
        if (name.size() > kMaxTagName)
            name.clear(); // matches no tag
        name = UpperCase(name);
        const std::string attributes =
            UpperCase(m_text.substr(nameEnd, std::min(attributesEnd - nameEnd, kMaxAttributes)));

        Act(name, attributes);

        m_style.font = m_fonts.FindOrAddFont(m_font);
        m_styleIndex = FindOrAddStyle(m_styles, m_style);
        Add(kHtmlStyleSwitch, end - start, m_styleIndex);
        return end;
    }

    void Act(const std::string& name, const std::string& attributes) {
        std::string value;
        if (name == "B") {
            m_font.lfWeight = FW_BOLD;
        } else if (name == "/B") {
            m_font.lfWeight = FW_NORMAL;
        } else if (name == "I") {
            m_font.lfItalic = TRUE;
        } else if (name == "/I") {
            m_font.lfItalic = FALSE;
        } else if (name == "UL") {
            m_font.lfUnderline = TRUE;
        } else if (name == "/UL") {
            m_font.lfUnderline = FALSE;
        } else if (name == "FONT") {
            m_saved.push_back(SavedStyle{m_style, m_font});
            if (ReadHtmlAttribute(attributes, " COLOR", value))
                m_style.textColor = ParseHtmlColor(value);
            if (ReadHtmlAttribute(attributes, " SIZE", value))
                m_font.lfHeight = HtmlSizeToHeight(value);
            if (ReadHtmlAttribute(attributes, " FACE", value)) {
                std::memset(m_font.lfFaceName, 0, sizeof m_font.lfFaceName);
                std::memcpy(m_font.lfFaceName, value.data(), std::min<std::size_t>(value.size(), LF_FACESIZE - 1));
            }
        } else if (name == "DIV") {
            m_saved.push_back(SavedStyle{m_style, m_font});
            if (ReadHtmlAttribute(attributes, " ALIGN", value)) {
                if (value == "CENTER")
                    m_style.align = kHtmlAlignCenter;
                else if (value == "LEFT")
                    m_style.align = kHtmlAlignLeft;
                else if (value == "RIGHT")
                    m_style.align = kHtmlAlignRight;
            }
        } else if (name == "/FONT" || name == "/DIV") {
            // With nothing open there is nothing to restore: the tag then changes nothing.
            if (!m_saved.empty()) {
                m_style = m_saved.back().style;
                m_font = m_saved.back().font;
                m_saved.pop_back();
            }
        } else if (name == "BR") {
            Add(kHtmlLineBreak, 0, m_lineHeight);
            m_lineHeight = 0;
        }
    }

    const std::string& m_text;
    IHtmlFontTable& m_fonts;
    std::vector<HtmlStyle>& m_styles;
    std::vector<HtmlItem>& m_items;

    LOGFONTA m_font;     // current font description
    HtmlStyle m_style{}; // current style; its font is refreshed at the end of every tag
    int m_styleIndex = 0;
    std::vector<SavedStyle> m_saved;
    int m_runLength = 0;
    LONG m_lineHeight = 0;
};

int AlignFlag(int align) {
    switch (align) {
    case kHtmlAlignCenter:
        return DT_CENTER;
    case kHtmlAlignRight:
        return DT_RIGHT;
    default:
        return DT_LEFT;
    }
}

// Draws one piece of text from the pen to the right and bottom edges of `rect`.
void DrawPiece(HDC dc, const RECT& rect, const char* text, int length, int align, const POINT& pen) {
    RECT r{pen.x, pen.y, rect.right, rect.bottom};
    ::DrawTextA(dc, text, length, &r, AlignFlag(align) | DT_SINGLELINE | DT_NOPREFIX);
}

LONG TextWidth(HDC dc, const char* text, int length) {
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text, length, &size);
    return size.cx;
}

// Length of the longest leading part of `text` that ends just after a blank and is no wider than
// `space`; 0 when there is none.
int LongestFittingPart(HDC dc, const char* text, int length, LONG space) {
    std::vector<int> ends; // part lengths that end just after a blank
    for (int i = 0; i < length; ++i)
        if (text[i] == ' ')
            ends.push_back(i + 1);
    // Widths grow with the length: search for the last end that fits.
    int lo = 0, hi = static_cast<int>(ends.size()), best = 0;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (TextWidth(dc, text, ends[mid]) <= space) {
            best = ends[mid];
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return best;
}

} // namespace

void WalkHtml(const std::string& text, const LOGFONTA& baseFont, COLORREF textColor, COLORREF backColor,
              IHtmlFontTable& fonts, std::vector<HtmlStyle>& styles, std::vector<HtmlItem>& items) {
    styles.clear();
    items.clear();
    MarkupWalk walk(text, baseFont, textColor, backColor, fonts, styles, items);
    walk.Run();
}

bool ReadHtmlAttribute(const std::string& attributes, const char* name, std::string& value) {
    value.clear();
    const std::size_t found = attributes.find(name);
    if (found == std::string::npos)
        return false;
    const std::size_t size = attributes.size();
    std::size_t at = found + std::strlen(name);
    while (at < size && IsBlank(attributes[at]))
        ++at;
    if (at >= size || attributes[at] != '=')
        return true;
    ++at;
    while (at < size && IsBlank(attributes[at]))
        ++at;
    if (at < size && (attributes[at] == '"' || attributes[at] == '\'')) {
        const std::size_t close = attributes.find(attributes[at], at + 1);
        const std::size_t end = close == std::string::npos ? size : close;
        value = attributes.substr(at + 1, end - at - 1);
    } else {
        std::size_t end = at;
        while (end < size && IsValueChar(attributes[end]))
            ++end;
        value = attributes.substr(at, end - at);
    }
    return true;
}

COLORREF ParseHtmlColor(const std::string& value) {
    if (!value.empty() && value[0] == '#') {
        const long rgb = std::strtol(value.c_str() + 1, nullptr, 16);
        return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    if (value == "WINDOW")
        return ::GetSysColor(COLOR_WINDOW);
    if (value == "WINDOWTEXT")
        return ::GetSysColor(COLOR_WINDOWTEXT);
    if (value == "BUTTONFACE")
        return ::GetSysColor(COLOR_BTNFACE);
    if (value == "BUTTONTEXT")
        return ::GetSysColor(COLOR_BTNTEXT);
    return RGB(0, 0, 0);
}

LONG HtmlSizeToHeight(const std::string& value) {
    switch (std::atol(value.c_str())) {
    case 1:
        return 15;
    case 2:
        return 20;
    case 4:
        return 27;
    case 5:
        return 36;
    case 6:
        return 48;
    case 7:
        return 72;
    default:
        return 24;
    }
}

std::uint32_t HtmlTextHash(const char* text, std::size_t length) {
    std::uint32_t h = 0;
    for (std::size_t i = 0; i < length; ++i)
        h = h * 33u + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(text[i])));
    return h;
}

// ---- layout and painting ------------------------------------------------------------------

void CMiniHtmlLayout::Reset() {
    m_fonts.clear();
    m_styles.clear();
    m_items.clear();
    m_text.clear();
    m_textHash = 0;
    m_laidOut = false;
}

int CMiniHtmlLayout::FindOrAddFont(const LOGFONTA& logFont) {
    for (std::size_t i = 0; i < m_fonts.size(); ++i)
        if (std::memcmp(&m_fonts[i].logFont, &logFont, sizeof logFont) == 0)
            return static_cast<int>(i);
    FontEntry entry{Font(::CreateFontIndirectA(&logFont)), logFont, TEXTMETRICA{}};
    if (entry.font)
        ::SelectObject(m_measureDc, entry.font.Get());
    ::GetTextMetricsA(m_measureDc, &entry.metrics);
    m_fonts.push_back(std::move(entry));
    return static_cast<int>(m_fonts.size() - 1);
}

LONG CMiniHtmlLayout::TextHeight(int font) const { return m_fonts[static_cast<std::size_t>(font)].metrics.tmHeight; }

void CMiniHtmlLayout::LayoutHtml(HDC dc, const RECT& rect, const std::string& text, COLORREF textColor,
                                 COLORREF backColor, HFONT baseFont) {
    Reset();
    m_rect = rect;
    m_textColor = textColor;
    m_backColor = backColor;
    m_baseFont = baseFont;
    m_text = text;
    m_textHash = HtmlTextHash(text.data(), text.size());

    // A static without a font of its own draws in the system font.
    LOGFONTA base{};
    HGDIOBJ source = baseFont != nullptr ? static_cast<HGDIOBJ>(baseFont) : ::GetStockObject(SYSTEM_FONT);
    if (::GetObjectA(source, sizeof base, &base) == 0)
        ::GetObjectA(::GetStockObject(SYSTEM_FONT), sizeof base, &base);

    HGDIOBJ oldFont = ::GetCurrentObject(dc, OBJ_FONT);
    m_measureDc = dc;
    WalkHtml(text, base, textColor, backColor, *this, m_styles, m_items);
    m_measureDc = nullptr;
    ::SelectObject(dc, oldFont);
    m_laidOut = true;
    ++m_layoutCount;
}

bool CMiniHtmlLayout::NeedsLayout(const RECT& rect, const std::string& text, COLORREF textColor, COLORREF backColor,
                                  HFONT baseFont) const {
    return !m_laidOut || !::EqualRect(&rect, &m_rect) || textColor != m_textColor || backColor != m_backColor ||
           baseFont != m_baseFont || HtmlTextHash(text.data(), text.size()) != m_textHash || text != m_text;
}

void CMiniHtmlLayout::DrawHtml(HDC dc, const RECT& rect, const std::string& text, COLORREF textColor,
                               COLORREF backColor, HFONT baseFont) {
    const int saved = ::SaveDC(dc);
    if (NeedsLayout(rect, text, textColor, backColor, baseFont))
        LayoutHtml(dc, rect, text, textColor, backColor, baseFont);

    Brush background(::CreateSolidBrush(backColor));
    ::FillRect(dc, &rect, background.Get());
    ::SetBkMode(dc, TRANSPARENT);

    POINT pen{rect.left, rect.top};
    m_textBottom = rect.top;
    int align = kHtmlAlignLeft;
    const char* at = m_text.data();
    for (HtmlItem& item : m_items) {
        switch (item.kind) {
        case kHtmlStyleSwitch: {
            const HtmlStyle& style = m_styles[static_cast<std::size_t>(item.value)];
            const Font& font = m_fonts[static_cast<std::size_t>(style.font)].font;
            if (font)
                ::SelectObject(dc, font.Get());
            ::SetTextColor(dc, style.textColor);
            ::SetBkColor(dc, style.backColor);
            align = style.align;
            break;
        }
        case kHtmlRun:
            DrawRun(dc, rect, at, item.length, item.value, align, pen);
            break;
        case kHtmlEntity: {
            const char c = static_cast<char>(item.value);
            DrawPiece(dc, rect, &c, 1, align, pen);
            pen.x += TextWidth(dc, &c, 1);
            break;
        }
        case kHtmlLineBreak:
            if (item.value == 0) {
                SIZE x{};
                ::GetTextExtentPoint32A(dc, "X", 1, &x);
                item.value = x.cy;
            }
            pen.x = rect.left;
            pen.y += item.value;
            break;
        default:
            break;
        }
        at += item.length;
    }
    ::RestoreDC(dc, saved);
}

// Draws one run from the pen, breaking it at blanks where it does not fit. Deliberately more than
// a plain "draw the rest clipped" when nothing fits: a run that does not fit after what its line
// already holds starts a new line, and a single word wider than the whole line is drawn clipped on
// a line of its own before the rest of the run goes on wrapping, so no text is lost past the edge.
void CMiniHtmlLayout::DrawRun(HDC dc, const RECT& rect, const char* run, int length, int lineHeight, int align,
                              POINT& pen) const {
    auto newLine = [&] {
        pen.x = rect.left;
        pen.y += lineHeight;
    };
    while (length > 0) {
        const LONG width = TextWidth(dc, run, length);
        const LONG space = rect.right - pen.x;
        if (width <= space) {
            DrawPiece(dc, rect, run, length, align, pen);
            m_textBottom = std::max<LONG>(m_textBottom, pen.y + lineHeight);
            pen.x += width;
            return;
        }
        int part = LongestFittingPart(dc, run, length, space);
        if (part == 0) {
            if (pen.x > rect.left) {
                newLine();
                continue;
            }
            // At the start of a line and still too wide: the first word goes whole, clipped.
            const char* blank = static_cast<const char*>(std::memchr(run, ' ', static_cast<std::size_t>(length)));
            part = blank != nullptr ? static_cast<int>(blank - run) + 1 : length;
            if (part == length) {
                DrawPiece(dc, rect, run, length, align, pen);
                m_textBottom = std::max<LONG>(m_textBottom, pen.y + lineHeight);
                pen.x += width;
                return;
            }
        }
        DrawPiece(dc, rect, run, part, align, pen);
        m_textBottom = std::max<LONG>(m_textBottom, pen.y + lineHeight);
        newLine();
        run += part;
        length -= part;
    }
}

} // namespace qs
