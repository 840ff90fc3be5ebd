// Runs a program for a given time as a debuggee and samples it once a
// second: private bytes, working set, kernel handles, GDI and USER objects.
// Every text the program sends to the debug output (the Direct3D result
// trace among them) is kept. At the end it closes the program's window (as
// closing the saver's window would) and writes:
//   samples: "second,private_kb,working_set_kb,handles,gdi,user,committed_kb" rows
//            (committed_kb is walked on the first and every 10th second and
//            empty between; "na" for a count the platform does not give)
//   traces:  every debug-output text, one per line
// Exit code 0 when the program ran the whole time, 1 when it ended early,
// 2 on bad arguments or when it could not be started.
//
//   SoakMonitor <program> <seconds> <samples.csv> <traces.txt>
#include "DebuggedProcess.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

typedef NTSTATUS(NTAPI* QuerySystemFunction)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);

const long long NotMeasured = -1;

// Handles the process holds, or NotMeasured. Wine answers
// GetProcessHandleCount with 0 (a running process always holds some); the
// system's handle list covers every process.
long long HandleCount(HANDLE process, DWORD processId, std::vector<BYTE>* buffer)
{
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count > 0)
        return count;
    static QuerySystemFunction query = reinterpret_cast<QuerySystemFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return NotMeasured;
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status = query(static_cast<SYSTEM_INFORMATION_CLASS>(16), buffer->data(),
                                      static_cast<ULONG>(buffer->size()), &needed);
        if (status == 0) {
            const SYSTEM_HANDLE_INFORMATION* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer->data());
            count = 0;
            for (ULONG i = 0; i < info->Count; ++i)
                if (info->Handle[i].OwnerPid == processId)
                    ++count;
            // None listed for a running process: the list leaves it out.
            return count > 0 ? static_cast<long long>(count) : NotMeasured;
        }
        buffer->resize(std::max<size_t>(buffer->size() * 2, needed + 65536));
    }
    return NotMeasured;
}

// GDI or USER objects, or NotMeasured: Wine's GetGuiResources answers 0
// with ERROR_CALL_NOT_IMPLEMENTED.
long long GuiObjects(HANDLE process, DWORD kind)
{
    SetLastError(0);
    const DWORD count = GetGuiResources(process, kind);
    if (count == 0 && GetLastError() != 0)
        return NotMeasured;
    return count;
}

// A count as the samples hold it.
std::string Field(long long value)
{
    return value == NotMeasured ? "na" : std::to_string(value);
}

// The process's committed private memory as Windows sees it: the regions
// its own code and Wine's Windows side (heaps, stacks, d3d8 and wined3d)
// hold. What the Unix libraries below Wine map themselves (Mesa, glibc) is
// not among them. NotMeasured when the walk finds no region.
long long CommittedPrivate(HANDLE process)
{
    long long total = 0;
    bool walked = false;
    MEMORY_BASIC_INFORMATION info;
    const BYTE* address = nullptr;
    while (VirtualQueryEx(process, address, &info, sizeof info) == sizeof info) {
        walked = true;
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        const BYTE* next = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return walked ? total / 1024 : NotMeasured;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: SoakMonitor <program> <seconds> <samples.csv> <traces.txt>\n");
        return 2;
    }
    const std::string program = DebuggedProcess::WindowsPath(argv[1]);
    const int seconds = std::atoi(argv[2]);
    FILE* samples = std::fopen(argv[3], "w");
    if (!samples || seconds <= 0) {
        std::fprintf(stderr, "SoakMonitor: bad arguments\n");
        return 2;
    }
    std::fprintf(samples, "second,private_kb,working_set_kb,handles,gdi,user,committed_kb\n");

    DebuggedProcess saver;
    if (!saver.Start("\"" + program + "\" /debug")) {
        std::fprintf(stderr, "SoakMonitor: %s\n", saver.Error().c_str());
        return 2;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, saver.ProcessId());
    std::vector<BYTE> handleBuffer(1 << 20);
    int result = 0;
    const DWORD start = GetTickCount();
    for (int s = 1; s <= seconds; ++s) {
        // Sample on whole seconds from the start, whatever a sample costs.
        const DWORD due = start + static_cast<DWORD>(s) * 1000u;
        const DWORD now = GetTickCount();
        if (static_cast<int>(due - now) > 0 && saver.Wait(due - now))
            break;
        if (saver.Finished())
            break;
        PROCESS_MEMORY_COUNTERS_EX memory = {};
        memory.cb = sizeof memory;
        const bool memoryRead =
            GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory) != 0;
        // Wine fills the pagefile figure for other processes, not always the private one.
        const long long privateKb =
            memoryRead ? static_cast<long long>(std::max(memory.PrivateUsage, memory.PagefileUsage) / 1024) : NotMeasured;
        const long long workingSetKb = memoryRead ? static_cast<long long>(memory.WorkingSetSize / 1024) : NotMeasured;
        const long long handles = HandleCount(process, saver.ProcessId(), &handleBuffer);
        const long long gdi = GuiObjects(process, GR_GDIOBJECTS);
        const long long user = GuiObjects(process, GR_USEROBJECTS);
        // Each region of the walk is a call into the saver (some 300 a walk,
        // 60 to 120 ms in all): every 10th second only, so that the walk
        // does not slow what it measures.
        std::string committed;
        if (s == 1 || s % 10 == 0)
            committed = Field(CommittedPrivate(process));
        std::fprintf(samples, "%d,%s,%s,%s,%s,%s,%s\n", s, Field(privateKb).c_str(), Field(workingSetKb).c_str(),
                     Field(handles).c_str(), Field(gdi).c_str(), Field(user).c_str(), committed.c_str());
        std::fflush(samples);
    }
    if (saver.Finished()) {
        std::fprintf(stderr, "SoakMonitor: the program ended early (exit code 0x%lX)\n", saver.ExitCode());
        result = 1;
    } else {
        HWND window = saver.FindTopWindow("", 1000);
        if (window)
            PostMessageA(window, WM_CLOSE, 0, 0);
        if (!saver.Wait(20000)) {
            std::fprintf(stderr, "SoakMonitor: the program did not close; ended\n");
            saver.Terminate(1);
            saver.Wait(5000);
        }
    }
    std::fclose(samples);
    if (process)
        CloseHandle(process);

    FILE* traces = std::fopen(argv[4], "w");
    if (traces) {
        for (const std::string& line : saver.Lines()) {
            std::fputs(line.c_str(), traces);
            if (line.empty() || line.back() != '\n')
                std::fputc('\n', traces);
        }
        std::fclose(traces);
    }
    return result;
}
