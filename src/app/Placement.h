// The main window's placement: taking it from the window and applying the stored one.
#pragma once

#include "engine/Settings.h"

#include <windows.h>

namespace qs {

// Storing the placement when the main window is destroyed: nothing while it is minimized, or
// when both its left and right edges are off the left of the screen; otherwise its rectangle
// and whether it is maximized. Answers whether anything was stored.
bool StorePlacement(CPlacement& placement, bool iconic, const RECT& windowRect, bool zoomed);

// What the main window does with the stored placement at the end of its initialisation.
struct CPlacementAction {
    enum Kind {
        kShowMaximized, // the stored rectangle is not applied
        kMoveAndShow,   // SetWindowPos(x, y, width, height) with SWP_SHOWWINDOW
        kStay,          // both edges are off screen: the window stays centred
        kCentre,        // nothing stored: centre again
    };
    Kind kind = kCentre;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
CPlacementAction PlacementToApply(const CPlacement& placement);

} // namespace qs
