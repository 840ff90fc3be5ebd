#include "WindowWatch.h"

namespace {
// The watch whose thread runs the hook's callback (one thread, one watch).
thread_local WindowWatch* t_watch = nullptr;
}

WindowWatch::WindowWatch(DWORD processId) : processId_(processId), thread_([this] { Watch(); })
{
    // The hook is in place before the constructor returns.
    while (!ready_)
        Sleep(1);
}

WindowWatch::~WindowWatch()
{
    stop_ = true;
    thread_.join();
}

std::vector<std::string> WindowWatch::Seen() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void WindowWatch::Note(HWND window, bool shown)
{
    char name[128] = "(gone)";
    if (IsWindow(window)) {
        // Visible top-level windows only: children come with their parent,
        // and Wine keeps hidden helper windows of its own.
        DWORD owner = 0;
        if (GetAncestor(window, GA_PARENT) != GetDesktopWindow() || !GetWindowThreadProcessId(window, &owner) ||
            owner != processId_ || !(shown || IsWindowVisible(window)))
            return;
        GetClassNameA(window, name, sizeof name);
    } else if (!shown || !window) {
        return;
    }
    // A window shown and gone before this thread saw the event is noted as
    // gone: the hook reports this process's windows only.
    std::lock_guard<std::mutex> lock(mutex_);
    if (windows_.insert(window).second)
        seen_.push_back(name);
}

void CALLBACK WindowWatch::OnEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (t_watch && object == OBJID_WINDOW && child == CHILDID_SELF)
        t_watch->Note(window, true);
}

void WindowWatch::Watch()
{
    t_watch = this;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, OnEvent, processId_, 0,
                                         WINEVENT_OUTOFCONTEXT);
    ready_ = true;
    while (!stop_) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                reinterpret_cast<WindowWatch*>(param)->Note(window, false);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    if (hook)
        UnhookWinEvent(hook);
    t_watch = nullptr;
}
