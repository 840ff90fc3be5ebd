#include "TraceD3DResult.h"

#include <cstdio>
#include <cstring>

int TraceD3DResult(const char* sourcePath, int line, const char* buildTime, HRESULT hr)
{
    if (hr == 0)
        return 0;

    char text[512];
    int n = std::snprintf(text, sizeof text, "DXZING:%s:%d - %s:%lX\n",
                          sourcePath ? sourcePath : "", line, buildTime ? buildTime : "",
                          static_cast<unsigned long>(hr));
    // A text longer than the buffer is cut, but the line still ends.
    if (n < 0 || n >= static_cast<int>(sizeof text))
        std::strcpy(text + sizeof text - 2, "\n");
    OutputDebugStringA(text);
    return 1;
}
