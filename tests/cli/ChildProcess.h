// A program started by a test, its standard output and error read through pipes as they come.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qs::test {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `commandLine` with standard input from NUL. Only the three standard handles are
    // handed down, so that no other process can hold a pipe open. With `ownConsole` the child
    // gets a console of its own, which SendCtrlC can reach.
    bool Start(const std::string& commandLine, bool ownConsole = false);
    // The same with a command line that may hold any character.
    bool Start(const std::wstring& commandLine, bool ownConsole = false);

    // Waits until standard error holds `text`; false when the child ended or the time ran out
    // first.
    bool WaitForError(const std::string& text, DWORD timeoutMs = 60000);

    // Sends Ctrl+C to the child's console (started with `ownConsole`).
    bool SendCtrlC();

    // Waits for the child to end and for both pipes to close; answers its exit code, or -1 when
    // it had to be ended after `timeoutMs`.
    int Finish(DWORD timeoutMs = 60000);

    std::string Out();
    std::string Err();

private:
    void Drain(HANDLE pipe, std::string& into);

    PROCESS_INFORMATION m_pi{};
    std::thread m_outReader;
    std::thread m_errReader;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_out;
    std::string m_err;
    int m_open = 0; // pipes not yet at their end
};

// Quotes one argument for the platform's command-line splitting.
std::string Quote(const std::string& arg);

// `exe` and `args`, each quoted, as one command line.
std::string CommandLineOf(const std::string& exe, const std::vector<std::string>& args);

// What a program run to its end left: its exit code (-1 when it could not start or had to be
// ended) and its standard output and error.
struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs `exe` with `args` and waits for it to end. A program that cannot start fails the test,
// with the system's reason.
RunResult RunToEnd(const std::string& exe, const std::vector<std::string>& args);

// The companion built beside the test programs' folder.
std::string BuiltCompanion();

} // namespace qs::test
