// Pictures of windows for tests: a window's own painting or its look on screen, drawn into a
// PaintCanvas, and saved as a PNG file (into the test executable's "shots" folder) for a person
// to look at.
#pragma once

#include "support/PaintCanvas.h"

#include <windows.h>

#include <string>

namespace qs::test {

// The window's client area as it paints it through WM_PRINTCLIENT (without its children).
void PrintClient(HWND hwnd, PaintCanvas& canvas);

// The whole window as shown, child windows included, after pending paints have run.
void CaptureWindow(HWND hwnd, PaintCanvas& canvas);

// Writes the canvas as an RGB PNG; false when the file cannot be written.
bool SavePng(const PaintCanvas& canvas, const std::string& path);

// "<folder of the test executable>\shots\<name>.png"; the folder is created.
std::string ShotPath(const std::string& name);

} // namespace qs::test
