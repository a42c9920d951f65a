// A static control turned into a small rich-text label: its window text is read as a tiny subset
// of HTML and painted with fonts, colours, alignment and word wrap.
#pragma once

#include "controls/ControlAccessible.h"
#include "controls/MiniHtmlLayout.h"
#include "framework/Window.h"

namespace qs {

class CMiniHtmlCtrl : public CWindowImpl {
public:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Paints the control's text into `dc` with the button colours and the control's font.
    void PaintHtml(HDC dc);

    const CMiniHtmlLayout& Layout() const { return m_layout; }

private:
    // Static text named by what it shows, not by its markup.
    AccessibleFacts AccessFacts() const;

    CMiniHtmlLayout m_layout;
    CAccessibleSlot<CControlAccessible> m_accessible;
};

} // namespace qs
