// The placement rules of the main window: what is stored when it goes, what is applied when it comes.
#include "app/Placement.h"

namespace qs {

bool StorePlacement(CPlacement& placement, bool iconic, const RECT& windowRect, bool zoomed) {
    if (iconic)
        return false;
    if (windowRect.left < 0 && windowRect.right < 0)
        return false;
    placement.left = windowRect.left;
    placement.top = windowRect.top;
    placement.right = windowRect.right;
    placement.bottom = windowRect.bottom;
    placement.maximized = zoomed ? 1 : 0;
    return true;
}

CPlacementAction PlacementToApply(const CPlacement& placement) {
    CPlacementAction action;
    if (placement.maximized != 0) {
        action.kind = CPlacementAction::kShowMaximized;
    } else if (placement.right != 0 && placement.bottom != 0) {
        if (placement.left >= 0 || placement.right >= 0) {
            action.kind = CPlacementAction::kMoveAndShow;
            action.x = placement.left;
            action.y = placement.top;
            action.width = placement.Width();
            action.height = placement.Height();
        } else {
            action.kind = CPlacementAction::kStay;
        }
    } else {
        action.kind = CPlacementAction::kCentre;
    }
    return action;
}

} // namespace qs
