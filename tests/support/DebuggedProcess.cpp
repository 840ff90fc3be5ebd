#include "DebuggedProcess.h"

#include <chrono>
#include <functional>

namespace {

// How long the destructor lets a terminated program take to report its
// exit before the debug thread gives up (the system then kills it).
const int StopPolls = 50;
const DWORD PollMs = 200;

std::string Name(const std::string& entry)
{
    // Entries such as "=C:=C:\dir" begin with '='; the name ends at the next one.
    return entry.substr(0, entry.find('=', 1));
}

bool SameName(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), int(a.size()), b.c_str(), int(b.size())) ==
           CSTR_EQUAL;
}

// The test's environment with the given variables added or replaced, as
// the double-zero-terminated block CreateProcessA takes.
std::vector<char> EnvironmentBlock(const DebuggedProcess::Environment& changes)
{
    std::vector<std::string> entries;
    if (char* current = GetEnvironmentStringsA()) {
        for (const char* p = current; *p; p += entries.back().size() + 1)
            entries.emplace_back(p);
        FreeEnvironmentStringsA(current);
    }
    for (const auto& change : changes) {
        const std::string entry = change.first + "=" + change.second;
        bool replaced = false;
        for (std::string& e : entries)
            if (SameName(Name(e), change.first)) {
                e = entry;
                replaced = true;
            }
        if (!replaced)
            entries.push_back(entry);
    }
    std::vector<char> block;
    for (const std::string& e : entries)
        block.insert(block.end(), e.c_str(), e.c_str() + e.size() + 1);
    block.push_back(0);
    block.push_back(0);
    return block;
}

std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info)
{
    const SIZE_T units = info.nDebugStringLength;
    std::string text;
    SIZE_T read = 0;
    if (info.fUnicode) {
        std::wstring wide(units, L'\0');
        if (!ReadProcessMemory(process, info.lpDebugStringData, &wide[0], units * sizeof(wchar_t), &read))
            return text;
        wide.resize(read / sizeof(wchar_t));
        const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), nullptr, 0, nullptr, nullptr);
        text.resize(size_t(n));
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), &text[0], n, nullptr, nullptr);
    } else {
        text.resize(units);
        if (!ReadProcessMemory(process, info.lpDebugStringData, &text[0], units, &read))
            return std::string();
        text.resize(read);
    }
    // The length counts the terminating zero.
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

std::string ClassName(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string WindowText(HWND window)
{
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A message box is a dialog whose text is the static control 0xFFFF; other
// dialogs of the program (a settings dialog left open) are not.
const int MessageBoxText = 0xFFFF;

bool IsMessageBox(HWND window)
{
    return SameName(ClassName(window), "#32770") && GetDlgItem(window, MessageBoxText);
}

// The first visible top-level window of processId that matches, or null.
HWND FindWindowOf(DWORD processId, const std::function<bool(HWND)>& matches)
{
    struct Search {
        DWORD processId;
        const std::function<bool(HWND)>& matches;
        HWND found;
    } search = {processId, matches, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            Search& s = *reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s.processId || !IsWindowVisible(window) || !s.matches(window))
                return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls for a window of processId until timeoutMs has passed.
HWND WaitForWindowOf(DWORD processId, DWORD timeoutMs, const std::function<bool(HWND)>& matches)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HWND found = processId ? FindWindowOf(processId, matches) : nullptr;
        if (found || !processId || GetTickCount() - start >= timeoutMs)
            return found;
        Sleep(20);
    }
}

} // namespace

DebuggedProcess::~DebuggedProcess()
{
    if (thread_.joinable()) {
        if (!Finished())
            Terminate(1);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        thread_.join();
    }
    if (process_)
        CloseHandle(process_);
}

bool DebuggedProcess::Start(const std::string& commandLine, const Environment& environment,
                            const std::string& workingDirectory)
{
    if (thread_.joinable()) {
        error_ = "this object has already started a program";
        return false;
    }
    thread_ = std::thread(&DebuggedProcess::Run, this, commandLine, EnvironmentBlock(environment), workingDirectory);
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return started_; });
    return process_ != nullptr;
}

void DebuggedProcess::Run(std::string commandLine, std::vector<char> environment, std::string workingDirectory)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::vector<char> command(commandLine.begin(), commandLine.end());
    command.push_back(0);
    const char* directory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();
    const BOOL created = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                                        environment.data(), directory, &startup, &info);
    const DWORD error = GetLastError();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        started_ = true;
        if (created) {
            process_ = info.hProcess;
            processId_ = info.dwProcessId;
        } else {
            error_ = "CreateProcess failed with error " + std::to_string(error) + ": " + commandLine;
            finished_ = true;
        }
    }
    changed_.notify_all();
    if (!created)
        return;
    CloseHandle(info.hThread);
    Loop();
}

void DebuggedProcess::Loop()
{
    bool sawInitialBreakpoint = false;
    int stopPolls = 0;
    for (;;) {
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, PollMs)) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_ && ++stopPolls > StopPolls) {
                // Leaving the loop kills the debuggee.
                finished_ = true;
                break;
            }
            continue;
        }
        DWORD status = DBG_CONTINUE;
        bool exited = false;
        DWORD exitCode = 0;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile)
                CloseHandle(event.u.LoadDll.hFile);
            break;
        case OUTPUT_DEBUG_STRING_EVENT: {
            std::string text = ReadDebugString(process_, event.u.DebugString);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                lines_.push_back(std::move(text));
            }
            changed_.notify_all();
            break;
        }
        case EXCEPTION_DEBUG_EVENT:
            // The loader's breakpoint is the debugger's to handle; everything
            // else is the program's.
            if (!sawInitialBreakpoint && event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT)
                sawInitialBreakpoint = true;
            else
                status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            exited = true;
            exitCode = event.u.ExitProcess.dwExitCode;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (exited) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                finished_ = true;
                exitCode_ = exitCode;
            }
            changed_.notify_all();
            break;
        }
    }
}

bool DebuggedProcess::Wait(DWORD timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return finished_; });
}

bool DebuggedProcess::WaitForLine(const std::string& part, DWORD timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    size_t checked = 0;
    bool found = false;
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (; checked < lines_.size() && !found; ++checked)
            found = lines_[checked].find(part) != std::string::npos;
        return found || finished_;
    });
    return found;
}

bool DebuggedProcess::Finished() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
}

DWORD DebuggedProcess::ExitCode() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return exitCode_;
}

std::vector<std::string> DebuggedProcess::Lines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

void DebuggedProcess::Terminate(UINT exitCode)
{
    if (process_)
        TerminateProcess(process_, exitCode);
}

HWND DebuggedProcess::FindTopWindow(const std::string& className, DWORD timeoutMs) const
{
    return WaitForWindowOf(processId_, timeoutMs,
                           [&](HWND w) { return className.empty() || SameName(ClassName(w), className); });
}

HWND DebuggedProcess::FindMessageBox(DWORD timeoutMs, std::string* text)
{
    box_ = WaitForWindowOf(processId_, timeoutMs, IsMessageBox);
    if (text)
        *text = box_ ? WindowText(GetDlgItem(box_, MessageBoxText)) : std::string();
    return box_;
}

bool DebuggedProcess::PressButton(int id)
{
    if (!box_ || !IsWindow(box_))
        return false;
    HWND button = GetDlgItem(box_, id);
    if (!button)
        return false;
    return PostMessageA(box_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

std::string DebuggedProcess::WindowsPath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string windows = "Z:" + path;
    for (char& c : windows)
        if (c == '/')
            c = '\\';
    return windows;
}
