// Windows for tests on the display: a plain top-level window class and message pumping that
// waits on events, never on sleeps.
#pragma once

#include <windows.h>

namespace qs::test {

// A window class whose procedure is DefWindowProcA, registered once per process.
const char* PlainWindowClass();

// A top-level window of PlainWindowClass with the given style and client size; not shown.
HWND CreatePlainWindow(DWORD style = WS_OVERLAPPEDWINDOW, int clientWidth = 400, int clientHeight = 300);

// Dispatches every message that is waiting now (sent and posted).
void PumpPending();

// Runs this thread's message loop until `event` is signalled; false when `timeoutMs` passed
// first. Sent messages from other threads are served while waiting.
bool PumpUntil(HANDLE event, DWORD timeoutMs = 30000);

// A manual-reset event owned for the scope.
class Event {
public:
    Event() : m_h(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() { ::CloseHandle(m_h); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE Get() const { return m_h; }
    void Set() const { ::SetEvent(m_h); }
    void Reset() const { ::ResetEvent(m_h); }
    bool IsSet() const { return ::WaitForSingleObject(m_h, 0) == WAIT_OBJECT_0; }

private:
    HANDLE m_h;
};

} // namespace qs::test
