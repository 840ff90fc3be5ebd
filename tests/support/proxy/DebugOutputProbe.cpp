// A debuggee for DebuggedProcessTest. It acts on its arguments in order:
//   --say TEXT    writes TEXT with OutputDebugStringA
//   --env NAME    writes "NAME=<value>", or "NAME unset"
//   --cwd         writes "cwd=<current directory>"
//   --box TEXT    shows TEXT in an OK/Cancel message box, then writes
//                 "box returned <button id>"
//   --dialog TEXT opens a topmost dialog-class window (not a message box)
//                 titled TEXT, which stays open
//   --crash       writes to address 0
//   --exit N      sets the exit code (0 by default)

#include <windows.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    int exitCode = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--crash") {
            *static_cast<volatile int*>(nullptr) = 1;
            continue;
        }
        if (option == "--cwd") {
            char directory[MAX_PATH] = {};
            GetCurrentDirectoryA(MAX_PATH, directory);
            OutputDebugStringA((std::string("cwd=") + directory).c_str());
            continue;
        }
        if (i + 1 == argc)
            break;
        const char* value = argv[++i];
        if (option == "--say") {
            OutputDebugStringA(value);
        } else if (option == "--env") {
            char text[1024];
            const DWORD n = GetEnvironmentVariableA(value, text, sizeof text);
            const std::string line =
                std::string(value) + (n > 0 && n < sizeof text ? "=" + std::string(text) : std::string(" unset"));
            OutputDebugStringA(line.c_str());
        } else if (option == "--box") {
            const int button = MessageBoxA(nullptr, value, "DebugOutputProbe", MB_OKCANCEL);
            OutputDebugStringA(("box returned " + std::to_string(button)).c_str());
        } else if (option == "--dialog") {
            HWND dialog = CreateWindowExA(WS_EX_TOPMOST, "#32770", value, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0,
                                          200, 80, nullptr, nullptr, nullptr, nullptr);
            CreateWindowA("STATIC", value, WS_CHILD | WS_VISIBLE, 4, 4, 150, 20, dialog, HMENU(1), nullptr, nullptr);
        } else if (option == "--exit") {
            exitCode = std::atoi(value);
        }
    }
    return exitCode;
}
