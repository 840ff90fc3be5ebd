#include "ProxyLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

HANDLE g_file = INVALID_HANDLE_VALUE;

} // namespace

void ProxyLog::Open(const std::string& path)
{
    if (g_file != INVALID_HANDLE_VALUE)
        CloseHandle(g_file);
    g_file = INVALID_HANDLE_VALUE;
    if (path.empty())
        return;
    // Append-only access makes every write land at the current end of the
    // file, whoever else writes to it.
    g_file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void ProxyLog::Write(const char* format, ...)
{
    if (g_file == INVALID_HANDLE_VALUE)
        return;
    char line[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    if (n < 0)
        return;
    if (n > int(sizeof line) - 2)
        n = int(sizeof line) - 2;
    line[n++] = '\n';
    DWORD written = 0;
    WriteFile(g_file, line, DWORD(n), &written, nullptr);
}

std::string ProxyLog::Parameters(const D3DPRESENT_PARAMETERS* p)
{
    if (!p)
        return "parameters=null";
    char text[160];
    std::snprintf(text, sizeof text, "windowed=%d size=%ux%u format=%d ms=%d depth=%d depthformat=%d",
                  p->Windowed ? 1 : 0, p->BackBufferWidth, p->BackBufferHeight, int(p->BackBufferFormat),
                  int(p->MultiSampleType), p->EnableAutoDepthStencil ? 1 : 0, int(p->AutoDepthStencilFormat));
    return text;
}
