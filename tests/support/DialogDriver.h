// Drives a modal dialog of this process from a thread of its own: waits for
// the dialog with the given caption, runs the test's actions on it, and
// leaves the closing to those actions.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class DialogDriver {
public:
    DialogDriver(const std::string& caption, std::function<void(HWND)> actions, DWORD timeoutMs = 10000);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // True once the dialog was found and handed to the actions. Set before
    // they run: an action that closes the dialog lets the dialog's caller go
    // on while the driver's thread is still returning from it.
    bool Done() const { return done_; }

    // Helpers for the actions: choose a list entry as a user would (the
    // selection, then the confirmation the list sends), click a button.
    static void ChooseListEntry(HWND dialog, int listId, int index);
    static void Click(HWND dialog, int buttonId);
    static int ListCount(HWND dialog, int listId);
    static int ListSelection(HWND dialog, int listId);
    static std::string ListText(HWND dialog, int listId, int index);

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};
