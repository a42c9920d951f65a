// Test helper: stands in for another program by running under its file name (a test copies it to
// chrome.exe, steam.exe, ...) until the test ends it, or for two minutes at most.
#include <windows.h>

int main() {
    Sleep(120000);
    return 0;
}
