// The check-box images of a tree-list at any size: four square images in check-state order
// (blank, unchecked, checked, partly checked), drawn for the display scale and the theme.
#pragma once

#include "framework/CommonControls.h"

#include <windows.h>

#include <vector>

namespace qs {

struct CheckBoxColours {
    COLORREF frame;
    COLORREF inside;  // an unchecked or checked box
    COLORREF partial; // the inside of a partly checked box
    COLORREF mark;        // the mark of a checked box
    COLORREF partialMark; // the mark of a partly checked box
};

// The plain theme's greys (the inside one step off white, as the images always were) and, in a
// high-contrast theme, the system's window and text colours.
CheckBoxColours CheckBoxColoursFor(bool highContrast);

// One pixel of the strip: transparent, or a colour.
struct StripPixel {
    bool opaque;
    COLORREF colour;
};

// The strip of four `size` x `size` images, row by row (4 * size pixels a row). Size 15 gives a
// 13-pixel box one pixel in from the edges with a 7-pixel mark inside; other sizes scale that.
std::vector<StripPixel> CheckBoxStrip(int size, const CheckBoxColours& colours);

// An image list holding that strip, with a mask for its transparent pixels; empty on failure.
ImageList MakeCheckBoxImages(int size, const CheckBoxColours& colours);

} // namespace qs
