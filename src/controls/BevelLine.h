// A thin static frame drawn as a 3-D separator line, horizontal or vertical.
#pragma once

#include "framework/Window.h"

namespace qs {

class CBevelLine : public CWindowImpl {
public:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The band the line takes in a client rectangle: vertical when narrower than high, else
    // horizontal, centred and twice the half thickness across.
    static RECT BandRect(const RECT& client, int halfWidth, int halfHeight);

    void Paint(HDC dc);

    // Set directly by the owner. Sunken: shadow on top and left, highlight on bottom and right (a
    // groove); raised is the reverse (a ridge).
    bool sunken = true;
    int halfWidth = 1;  // half the thickness of a vertical line, in pixels
    int halfHeight = 1; // half the thickness of a horizontal line, in pixels
};

} // namespace qs
