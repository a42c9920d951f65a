// Starting a child with piped standard output and error, reading both, and sending it Ctrl+C.
#include "ChildProcess.h"

#include "framework/Handle.h"
#include "support/Spawn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace qs::test {
namespace {

// The test process attaches to a child's console to send Ctrl+C, and then hears the event too;
// it ignores it by a handler of its own (the NULL handler's "ignore" setting would be inherited
// by every child started afterwards).
BOOL WINAPI SwallowControl(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

} // namespace

ChildProcess::~ChildProcess() {
    if (m_pi.hProcess != nullptr)
        Finish(0);
}

bool ChildProcess::Start(const std::string& commandLine, bool ownConsole) {
    // As CreateProcessA converts it.
    std::wstring wide(commandLine.size(), L'\0');
    if (!commandLine.empty())
        wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, commandLine.data(),
                                                                 static_cast<int>(commandLine.size()), &wide[0],
                                                                 static_cast<int>(wide.size()))));
    return Start(wide, ownConsole);
}

bool ChildProcess::Start(const std::wstring& commandLine, bool ownConsole) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0))
        return false;
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return false;
    }
    // Our ends stay with us.
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    Handle in(
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    Handle outW(outWrite), errW(errWrite);

    // Exactly these three handles go to the child.
    HANDLE handed[] = {in.Get(), outWrite, errWrite};
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> attributes(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size) ||
        !UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handed, sizeof handed, nullptr,
                                   nullptr)) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        return false;
    }
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof si;
    si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    si.StartupInfo.hStdInput = in.Get();
    si.StartupInfo.hStdOutput = outWrite;
    si.StartupInfo.hStdError = errWrite;
    si.lpAttributeList = list;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    const DWORD flags = EXTENDED_STARTUPINFO_PRESENT | (ownConsole ? CREATE_NEW_CONSOLE : CREATE_NO_WINDOW);
    const bool started = StartPatiently([&] {
        return CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &si.StartupInfo,
                              &m_pi);
    });
    const DWORD error = GetLastError();
    DeleteProcThreadAttributeList(list);
    if (!started) {
        m_pi = PROCESS_INFORMATION{};
        CloseHandle(outRead);
        CloseHandle(errRead);
        SetLastError(error); // the reason stays the caller's to read
        return false;
    }
    // With the child's ends closed here, each pipe ends when the child's copies go.
    m_open = 2;
    m_outReader = std::thread([this, outRead] { Drain(outRead, m_out); });
    m_errReader = std::thread([this, errRead] { Drain(errRead, m_err); });
    return true;
}

void ChildProcess::Drain(HANDLE pipe, std::string& into) {
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(pipe, buf, sizeof buf, &n, nullptr) && n > 0) {
        std::lock_guard<std::mutex> lock(m_mutex);
        into.append(buf, n);
        m_changed.notify_all();
    }
    CloseHandle(pipe);
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_open;
    m_changed.notify_all();
}

bool ChildProcess::WaitForError(const std::string& text, DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return m_err.find(text) != std::string::npos || m_open == 0;
    }) && m_err.find(text) != std::string::npos;
}

bool ChildProcess::SendCtrlC() {
    static const bool swallowing = SetConsoleCtrlHandler(SwallowControl, TRUE) != 0;
    if (!swallowing || m_pi.hProcess == nullptr)
        return false;
    FreeConsole();
    if (!AttachConsole(m_pi.dwProcessId))
        return false;
    const bool sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
    // Detached again at once: the child's console must not outlive it because of us.
    FreeConsole();
    return sent;
}

int ChildProcess::Finish(DWORD timeoutMs) {
    if (m_pi.hProcess == nullptr)
        return -1;
    int code = -1;
    if (WaitForSingleObject(m_pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD exit = 0;
        if (GetExitCodeProcess(m_pi.hProcess, &exit))
            code = static_cast<int>(exit);
    } else {
        TerminateProcess(m_pi.hProcess, 99);
        WaitForSingleObject(m_pi.hProcess, INFINITE);
    }
    if (m_outReader.joinable())
        m_outReader.join();
    if (m_errReader.joinable())
        m_errReader.join();
    CloseHandle(m_pi.hThread);
    CloseHandle(m_pi.hProcess);
    m_pi = PROCESS_INFORMATION{};
    return code;
}

std::string ChildProcess::Out() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_out;
}

std::string ChildProcess::Err() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_err;
}

std::string Quote(const std::string& arg) {
    // Backslashes are literal except before a quote; those before the closing quote double.
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            out.append(backslashes * 2 + 1, '\\');
        else
            out.append(backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

std::string CommandLineOf(const std::string& exe, const std::vector<std::string>& args) {
    std::string line = Quote(exe);
    for (const std::string& a : args)
        line += " " + Quote(a);
    return line;
}

RunResult RunToEnd(const std::string& exe, const std::vector<std::string>& args) {
    ChildProcess child;
    RunResult r;
    if (!child.Start(CommandLineOf(exe, args))) {
        ADD_FAILURE() << "cannot start " << exe << " (error " << GetLastError() << ")";
        return r;
    }
    r.code = child.Finish();
    r.out = child.Out();
    r.err = child.Err();
    return r;
}

std::string BuiltCompanion() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    p = p.substr(0, p.find_last_of('\\')); // ...\tests
    return p.substr(0, p.find_last_of('\\') + 1) + "QuillsweepCmd.exe";
}

} // namespace qs::test
