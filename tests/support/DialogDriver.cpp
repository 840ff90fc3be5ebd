#include "DialogDriver.h"

namespace {

struct Search {
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char className[16] = {}, caption[128] = {};
    if (pid == GetCurrentProcessId() && IsWindowVisible(window) &&
        GetClassNameA(window, className, sizeof className) && lstrcmpA(className, "#32770") == 0 &&
        GetWindowTextA(window, caption, sizeof caption) && *search->caption == caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

DialogDriver::DialogDriver(const std::string& caption, std::function<void(HWND)> actions, DWORD timeoutMs)
    : thread_([this, caption, actions, timeoutMs] {
          const DWORD start = GetTickCount();
          while (GetTickCount() - start < timeoutMs) {
              Search search = {&caption, nullptr};
              EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
              if (search.found) {
                  done_ = true;
                  actions(search.found);
                  return;
              }
              Sleep(20);
          }
      })
{
}

DialogDriver::~DialogDriver()
{
    thread_.join();
}

void DialogDriver::ChooseListEntry(HWND dialog, int listId, int index)
{
    HWND list = GetDlgItem(dialog, listId);
    SendMessageA(list, CB_SETCURSEL, WPARAM(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(listId, CBN_SELENDOK), LPARAM(list));
}

void DialogDriver::Click(HWND dialog, int buttonId)
{
    SendMessageA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
}

int DialogDriver::ListCount(HWND dialog, int listId)
{
    return int(SendDlgItemMessageA(dialog, listId, CB_GETCOUNT, 0, 0));
}

int DialogDriver::ListSelection(HWND dialog, int listId)
{
    return int(SendDlgItemMessageA(dialog, listId, CB_GETCURSEL, 0, 0));
}

std::string DialogDriver::ListText(HWND dialog, int listId, int index)
{
    char text[128] = {};
    SendDlgItemMessageA(dialog, listId, CB_GETLBTEXT, WPARAM(index), LPARAM(text));
    return text;
}
