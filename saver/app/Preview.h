// The preview picture: in "/p" mode the display settings show the saver in
// a small window of their own, whose handle comes on the command line. The
// program draws a still picture of four text lines once into a memory
// bitmap and copies it to its window whenever that must be painted.
#pragma once

#include <windows.h>

// Creates the preview window (a child of host, or a top-level window of its
// own when host is null) and runs its message loop until the window is
// destroyed. Returns 0.
int RunPreview(HINSTANCE instance, HWND host);

LRESULT CALLBACK PreviewWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The preview's window class and its notice lines.
extern const char PreviewClassName[];
extern const char PreviewNoticeCompany[];
extern const char PreviewNoticeYears[];
