// Runs a Windows program as a debuggee and collects the texts it sends
// through OutputDebugString, while the test's own thread stays free to find
// the program's windows, read them and press their buttons.
//
// The debug loop runs on a thread of the object (the thread that creates a
// debuggee is the one that receives its events). Exceptions other than the
// initial breakpoint go back to the program unhandled, so a crash ends it
// with the exception code as exit code.
//
// Under Wine the debuggee's DLL overrides come from the test's own Unix
// environment: WINEDLLOVERRIDES given to Start does not reach the program
// (Wine 8 resets it from the Unix environment in every new process). A test
// that runs programs with the proxy d3d8.dll gets d3d8=n,b through
// REEF_WINEDLLOVERRIDES in its CTest ENVIRONMENT.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class DebuggedProcess {
public:
    // name=value pairs added to, or replacing, the test's environment.
    using Environment = std::vector<std::pair<std::string, std::string>>;

    DebuggedProcess() = default;
    // Ends a program still running and waits for the debug thread.
    ~DebuggedProcess();
    DebuggedProcess(const DebuggedProcess&) = delete;
    DebuggedProcess& operator=(const DebuggedProcess&) = delete;

    // Starts commandLine (the program's path first, quoted when it has
    // spaces) in workingDirectory (the test's when empty). False, with
    // Error() saying why, when the program could not be started or this
    // object already ran one.
    bool Start(const std::string& commandLine, const Environment& environment = {},
               const std::string& workingDirectory = std::string());

    // Waits until the program has ended and every text has arrived; false on timeout.
    bool Wait(DWORD timeoutMs);
    // Waits until a text containing part has arrived; false on timeout or
    // when the program ends without one.
    bool WaitForLine(const std::string& part, DWORD timeoutMs);
    bool Finished() const;
    // The exit code once finished (STILL_ACTIVE before).
    DWORD ExitCode() const;
    DWORD ProcessId() const { return processId_; }
    const std::string& Error() const { return error_; }

    // Every text so far, in order, as written (a trailing newline included).
    std::vector<std::string> Lines() const;

    // Ends the program with exitCode; Wait then sees it finish.
    void Terminate(UINT exitCode = 1);

    // A visible top-level window of the program whose class is className
    // (any class when empty), waiting up to timeoutMs; null when none.
    HWND FindTopWindow(const std::string& className, DWORD timeoutMs) const;
    // A message box of the program (a "#32770" dialog with the static text
    // control 0xFFFF; other dialogs do not count), waiting up to timeoutMs;
    // its text goes to text. The box is remembered for PressButton.
    HWND FindMessageBox(DWORD timeoutMs, std::string* text = nullptr);
    // Presses the button id (IDOK, IDCANCEL, ...) of the last box found;
    // false when there is no box or no such button.
    bool PressButton(int id);

    // A Unix path ("/work/x.exe") as a Windows one ("Z:\work\x.exe"); other
    // paths unchanged.
    static std::string WindowsPath(const std::string& path);

private:
    void Run(std::string commandLine, std::vector<char> environment, std::string workingDirectory);
    void Loop();

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::thread thread_;
    bool started_ = false;  // the debug thread has tried CreateProcess
    bool finished_ = false; // the exit event has been seen, or the start failed
    bool stopping_ = false; // the destructor waits for the debug thread
    DWORD exitCode_ = STILL_ACTIVE;
    std::vector<std::string> lines_;
    std::string error_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND box_ = nullptr;
};
