// The process-wide start-up highlight colour.
#include "controls/HighlightColor.h"

#include <atomic>

namespace qs {
namespace {

// CLR_INVALID: not read yet.
std::atomic<COLORREF> g_startupHighlight{CLR_INVALID};

} // namespace

void ReadStartupHighlightColor() { g_startupHighlight = ::GetSysColor(COLOR_HIGHLIGHT); }

void SetStartupHighlightColor(COLORREF color) { g_startupHighlight = color; }

COLORREF StartupHighlightColor() {
    COLORREF color = g_startupHighlight;
    if (color == CLR_INVALID) {
        // A host that never read it gets the colour of the first paint, kept from then on.
        color = ::GetSysColor(COLOR_HIGHLIGHT);
        COLORREF expected = CLR_INVALID;
        if (!g_startupHighlight.compare_exchange_strong(expected, color))
            color = expected;
    }
    return color;
}

} // namespace qs
