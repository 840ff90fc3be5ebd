// Runs a program as a debuggee and appends every text it sends through
// OutputDebugString to a log file as soon as it arrives, so that a script
// can wait for a line while the program runs (scripts/run.sh waits for the
// end of the scene's warm-up). With --close-at-end-of-input, the end of its
// standard input (a pipe or fifo the script closes) closes the program's
// window, as a user would; a program that does not end within 20 s is
// ended. Paths may be Unix paths. Returns the program's exit code once it
// has ended, 2 on bad arguments or when it could not be started.
//
//   TraceLog [--close-at-end-of-input] <log file> <program> [arguments...]
#include "DebuggedProcess.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<bool> g_inputEnded(false);

void ReadUntilEndOfInput()
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char buffer[256];
    DWORD read = 0;
    while (input && input != INVALID_HANDLE_VALUE && ReadFile(input, buffer, sizeof buffer, &read, nullptr) &&
           read > 0) {
    }
    g_inputEnded = true;
}

} // namespace

int main(int argc, char** argv)
{
    int first = 1;
    const bool closeAtEndOfInput = argc > 1 && std::strcmp(argv[1], "--close-at-end-of-input") == 0;
    if (closeAtEndOfInput)
        ++first;
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: TraceLog [--close-at-end-of-input] <log file> <program> [arguments...]\n");
        return 2;
    }
    FILE* log = std::fopen(DebuggedProcess::WindowsPath(argv[first]).c_str(), "a");
    if (!log) {
        std::fprintf(stderr, "TraceLog: cannot open %s\n", argv[first]);
        return 2;
    }
    std::string commandLine = "\"" + DebuggedProcess::WindowsPath(argv[first + 1]) + "\"";
    for (int i = first + 2; i < argc; ++i)
        commandLine += std::string(" ") + argv[i];

    DebuggedProcess program;
    if (!program.Start(commandLine)) {
        std::fprintf(stderr, "TraceLog: %s\n", program.Error().c_str());
        std::fclose(log);
        return 2;
    }
    if (closeAtEndOfInput)
        std::thread(ReadUntilEndOfInput).detach();

    size_t written = 0;
    bool closing = false;
    DWORD closedAt = 0;
    for (;;) {
        const bool ended = program.Wait(20);
        const std::vector<std::string> lines = program.Lines();
        for (; written < lines.size(); ++written) {
            std::fputs(lines[written].c_str(), log);
            if (lines[written].empty() || lines[written].back() != '\n')
                std::fputc('\n', log);
        }
        std::fflush(log);
        if (ended)
            break;
        if (g_inputEnded && !closing) {
            closing = true;
            closedAt = GetTickCount();
            if (HWND window = program.FindTopWindow("", 1000))
                PostMessageA(window, WM_CLOSE, 0, 0);
        }
        if (closing && GetTickCount() - closedAt > 20000) {
            std::fprintf(stderr, "TraceLog: the program did not close; ended\n");
            program.Terminate(1);
        }
    }
    std::fclose(log);
    return int(program.ExitCode());
}
