// A shown top-level window for control tests: it answers WM_GETFONT with a fixed font, reflects
// control notifications back to the controls, and records the menu commands it receives.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace qs::test {

class HostWindow {
public:
    explicit HostWindow(int clientWidth = 400, int clientHeight = 300);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return m_hwnd; }
    // Tahoma at 8 points (11 pixels), the look of the program's dialogs.
    HFONT Font() const { return m_font; }
    // Creates a child control with the host's font.
    HWND AddChild(const char* className, const char* text, DWORD style, const RECT& rect, int id);
    // The brush the host answers to WM_CTLCOLORSTATIC (the default handling when null).
    void SetStaticBrush(HBRUSH brush) { m_staticBrush = brush; }

    // Runs this thread's messages (dialog keys included, as a dialog's loop would) until `done`
    // answers true; false when `timeoutMs` passed first.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);
    // Runs the messages waiting now.
    void PumpPending();

    // WM_COMMAND without a control (menus), wParam in order of arrival.
    std::vector<WPARAM> menuCommands;
    // WM_INITMENUPOPUP: the menu, and a hook to look at it while it is about to show.
    std::vector<HMENU> initMenuPopups;
    std::function<void(HMENU)> onInitMenuPopup;
    // BN_CLICKED notifications whose reflection has returned, and whether a menu command had
    // already arrived by then.
    int clicksHandled = 0;
    bool commandBeforeClickReturned = false;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool DispatchOne(MSG& msg);

    HWND m_hwnd = nullptr;
    HFONT m_font = nullptr;
    HBRUSH m_staticBrush = nullptr;
};

} // namespace qs::test
