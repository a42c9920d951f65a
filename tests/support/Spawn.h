// Starting programs from tests.
#pragma once

#include <windows.h>

#include <string>

namespace qs::test {

// Calls `start` (a CreateProcess call answering BOOL) and calls it again, a few times with a
// pause between, while it fails with ERROR_INTERNAL_ERROR: under load, Wine now and then cannot
// bring a new process up at all and answers so, which is no fault of the program started. Any
// other failure is answered at once, with its last error kept for the caller.
template <typename Start> bool StartPatiently(Start start) {
    for (DWORD attempt = 1;; ++attempt) {
        if (start())
            return true;
        const DWORD error = ::GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 5)
            return false;
        ::Sleep(200 * attempt);
    }
}

// Starts a program of the host system, given by its Z: path in `program` or as the first word of
// `commandLine` (Wine splits it by the platform's rules: quote arguments with double quotes).
// Wine runs it but hands back no process: the handles it leaves in the process
// information are stale values, which can be handles this process holds (a registry root's,
// say), so they are neither waited on nor closed. Callers wait for what the program does.
inline bool StartUnixProgram(const char* program, std::string commandLine) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    return StartPatiently([&] {
        return ::CreateProcessA(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    });
}

} // namespace qs::test
