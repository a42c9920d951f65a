// The headless companion's entry point: console set-up, Ctrl+C, then the command.
#include "cli/Companion.h"
#include "cli/Report.h"
#include "engine/FileNameText.h"
#include "hostfn/Cancellation.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

// The first Ctrl+C or Ctrl+Break sets the flag the progress dialog's Cancel sets: the plugin at
// work stops at its next check, and the run after it. A second one is left to the default handler, which ends the
// process at once.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (qs::CancelledFlag().exchange(true))
        return FALSE;
    const std::string text = std::string(qs::kCancellingText) + qs::kEol;
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    return TRUE;
}

// The C runtime hands the arguments over in the ANSI code page, where a character the code page
// lacks becomes a look-alike ("ｔｅｍｐ" arrives as "temp") and would name another plugin or folder.
// Answers the first argument that does not convert exactly, in its shown form, or nothing.
std::optional<std::string> ArgumentOutsideCodePage() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::nullopt;
    std::optional<std::string> found;
    std::string ansi;
    for (int i = 1; i < count && !found; ++i)
        if (!qs::ExactAnsiFromWide(wide[i], ansi))
            found = qs::ShownFileName(wide[i]);
    LocalFree(wide);
    return found;
}

} // namespace

int main(int argc, char** argv) {
    // Names go out byte for byte: no translation of line feeds.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Standard output carries the command's result alone, so that a JSON document stays one:
    // what scripts write there (trace, print) goes to standard error instead.
    std::FILE* result = stdout;
    const int resultFd = _dup(_fileno(stdout));
    if (resultFd >= 0) {
        if (std::FILE* f = _fdopen(resultFd, "wb")) {
            result = f;
            _dup2(_fileno(stderr), _fileno(stdout));
            // Their lines end as the companion's own do.
            _setmode(_fileno(stdout), _O_TEXT);
            std::setvbuf(stdout, nullptr, _IONBF, 0);
        } else {
            _close(resultFd);
        }
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    if (const std::optional<std::string> bad = ArgumentOutsideCodePage()) {
        const std::string text = "QuillsweepCmd: \"" + *bad +
                                 "\" holds characters outside the code page: names and folders are given in it "
                                 "(a category named after such a folder by the name shown for it).\nNothing was "
                                 "run.\nTry QuillsweepCmd --help.\n";
        std::string out;
        for (const char c : text)
            out += c == '\n' ? std::string(qs::kEol) : std::string(1, c);
        std::fwrite(out.data(), 1, out.size(), stderr);
        return qs::kExitUsage;
    }
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int code = qs::RunCompanion(qs::ParseCommandLine(args), result, stderr);
    std::fflush(result);
    return code;
}
