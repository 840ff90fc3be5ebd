#include "MessageBoxWatcher.h"

namespace {

// A message box is a dialog whose text is the static control 0xFFFF.
const int MessageBoxTextId = 0xFFFF;

struct Search {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBoxes(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char className[16] = {};
    if (pid == search->processId && IsWindowVisible(window) && GetClassNameA(window, className, sizeof className) &&
        lstrcmpA(className, "#32770") == 0 && GetDlgItem(window, MessageBoxTextId))
        search->found.push_back(window);
    return TRUE;
}

} // namespace

MessageBoxWatcher::MessageBoxWatcher(DWORD processId, int button)
    : processId_(processId), button_(button), thread_([this] { Watch(); })
{
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    stop_ = true;
    thread_.join();
}

void MessageBoxWatcher::Watch()
{
    while (!stop_) {
        Search search = {processId_, {}};
        EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.found) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!answered_.insert(box).second)
                    continue;
            }
            char caption[256] = {};
            char text[1024] = {};
            GetWindowTextA(box, caption, sizeof caption);
            GetDlgItemTextA(box, MessageBoxTextId, text, sizeof text);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                boxes_.push_back({caption, text});
            }
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
        }
        Sleep(20);
    }
}

std::vector<MessageBoxWatcher::Box> MessageBoxWatcher::Boxes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

bool MessageBoxWatcher::WaitFor(size_t count, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (boxes_.size() >= count)
                return true;
        }
        Sleep(10);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_.size() >= count;
}
