// Records the visible top-level windows a process shows while it runs, from
// a thread of its own, so that a test can tell afterwards that a program
// which was to end at once never showed one. Windows are caught as they are
// shown (an event hook on the process) and by polling, so that one shown
// before the watch began is seen too.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class WindowWatch {
public:
    explicit WindowWatch(DWORD processId);
    // Stops watching.
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    // The class names of the windows seen so far, each window once.
    std::vector<std::string> Seen() const;

private:
    void Watch();
    void Note(HWND window, bool shown);
    static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD);

    DWORD processId_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> ready_{false};
    mutable std::mutex mutex_;
    std::set<HWND> windows_;
    std::vector<std::string> seen_;
    std::thread thread_;
};
