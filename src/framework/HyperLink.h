// A static control made into a hyperlink: its label in an underlined copy of the parent's font,
// link and visited colours, the hand cursor, a tooltip with the target, focus, and activation by
// mouse or keyboard.
#pragma once

#include "framework/EnterKey.h"
#include "framework/Handle.h"
#include "framework/Window.h"

#include <string>

namespace qs {

// The colour a link's text is drawn in: the link's own colours, or in a high-contrast theme the
// theme's colour for links (`hotLight`, COLOR_HOTLIGHT), visited or not.
inline COLORREF LinkTextColour(bool highContrast, bool visited, COLORREF link, COLORREF visitedLink,
                               COLORREF hotLight) {
    if (highContrast)
        return hotLight;
    return visited ? visitedLink : link;
}

class CHyperLinkImpl : public CWindowImpl {
public:
    CHyperLinkImpl() = default;
    ~CHyperLinkImpl() override;

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The label is the window text: the static's own text until another is set.
    void SetLabel(const char* label);
    std::string GetLabel() const;
    // The target opened on activation; the label while none is set. The tooltip shows it.
    void SetHyperLink(const char* target);
    std::string GetHyperLink() const;

    void SetLinkColor(COLORREF color);
    COLORREF GetLinkColor() const { return m_linkColor; }
    void SetVisitedColor(COLORREF color);
    COLORREF GetVisitedColor() const { return m_visitedColor; }
    bool IsVisited() const { return m_visited; }
    void SetVisited(bool visited);

    // Where the label is drawn, in client coordinates: the part that reacts to the mouse.
    RECT LabelRect() const { return m_labelRect; }
    HWND ToolTip() const { return m_toolTip; }
    HFONT LinkFont() const { return m_font.Get(); }

    // Opens the target. The default asks the shell to open it and marks the link visited when
    // that worked.
    virtual bool Navigate();

protected:
    void OnSubclassed() override;

private:
    void CalcLabelRect();
    // The link's font: an underlined copy of `base` (the GUI font when there is none).
    void MakeLinkFont(HFONT base);
    void Paint(HDC dc);
    void RelayToToolTip(UINT msg, WPARAM wParam, LPARAM lParam);
    void UpdateToolTip();
    void DestroyToolTip();

    std::string m_target;
    bool m_targetSet = false;
    COLORREF m_linkColor = RGB(0, 0, 255);
    COLORREF m_visitedColor = RGB(128, 0, 128);
    bool m_visited = false;
    Font m_font;
    RECT m_labelRect{};
    HWND m_toolTip = nullptr;
    CEnterKey m_enter;
};

} // namespace qs
