// The program's web link: the framework's hyperlink in the user's browser link colours, opening
// its target through an opener handed in by its owner.
#pragma once

#include "controls/ControlAccessible.h"
#include "framework/HyperLink.h"

#include <windows.h>

namespace qs {

// Opens an address with a show command and answers the platform's result code. The owner of a
// link hands it the application's opener; controls never reach the application layer themselves.
using UrlOpener = INT_PTR (*)(const char* address, int showCommand);

// Reads a browser link colour: three decimal numbers (red, green, blue) separated by commas, each
// taken modulo 256. False, leaving `color` alone, when a comma or the third number is missing.
bool ParseAnchorColor(const char* text, COLORREF& color);

class CHyperLinkEx : public CHyperLinkImpl {
public:
    // Without an opener, activation only marks the link visited.
    void SetOpener(UrlOpener opener) { m_opener = opener; }
    UrlOpener Opener() const { return m_opener; }

    // Opens the target with SW_SHOWNORMAL, then shows the link as visited whatever the result.
    bool Navigate() override;

    // The link's accessible object first (HyperLinkExAccess.cpp), then the hyperlink's messages.
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    // Takes the link and visited colours from the user's browser settings where they are set.
    void OnSubclassed() override;

private:
    // A link named by its label, its target as its value, visited or not, jumping as its action.
    AccessibleFacts AccessFacts() const;

    UrlOpener m_opener = nullptr;
    CAccessibleSlot<CControlAccessible> m_accessible;
};

} // namespace qs
