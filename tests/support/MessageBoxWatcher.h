// Watches for message boxes of one process on a thread of its own, records
// their caption and text and closes each with a button, so that code which
// shows modal boxes can run inside a test.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class MessageBoxWatcher {
public:
    struct Box {
        std::string caption;
        std::string text;
    };

    // Watches the boxes of processId (this process by default) and answers
    // each with button (IDOK by default).
    explicit MessageBoxWatcher(DWORD processId = GetCurrentProcessId(), int button = IDOK);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<Box> Boxes() const;
    // Waits until at least count boxes were seen; false on timeout.
    bool WaitFor(size_t count, DWORD timeoutMs) const;

private:
    void Watch();

    DWORD processId_;
    int button_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Box> boxes_;
    std::set<HWND> answered_;
    std::thread thread_;
};
