// Small painting helpers shared by the controls: solid fills and 3-D rectangle edges.
#pragma once

#include <windows.h>

namespace qs {

// Fills `rect` with one colour without keeping a brush around.
void FillSolidRect(HDC dc, const RECT& rect, COLORREF color);

// Draws the one-pixel edges of `rect`: top and left in `topLeft`, bottom and right in
// `bottomRight` (the inside is left alone).
void Draw3dRect(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight);

} // namespace qs
