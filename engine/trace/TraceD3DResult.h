// Reports failed Direct3D results to the debug-output channel.
#pragma once

#include <windows.h>

// Writes "DXZING:<path>:<line> - <buildTime>:<hr in hex>\n" through
// OutputDebugStringA when hr is not 0 (positive success codes included).
// Returns 1 when a line was written, 0 for hr 0.
int TraceD3DResult(const char* sourcePath, int line, const char* buildTime, HRESULT hr);

// Call-site form: the calling file's name, line and compile time.
#define TRACE_D3D(hr) TraceD3DResult(__FILE__, __LINE__, __TIME__, (hr))
