#include "app/Preview.h"

#include "trace/DebugPrint.h"

const char PreviewClassName[] = "MYCLASS";
const char PreviewNoticeCompany[] = "(C) Kelvane Soft";
const char PreviewNoticeYears[] = "2001-2003";

namespace {
// The preview of this process: its window and the picture it shows. The
// picture stays allocated until the process ends.
HWND g_previewWindow = nullptr;
HDC g_memoryDc = nullptr;
HBITMAP g_bitmap = nullptr;
int g_width = 0;
int g_height = 0;

void TextLine(HDC dc, int y, const char* text)
{
    TextOutA(dc, 10, y, text, int(lstrlenA(text)));
}
}

int RunPreview(HINSTANCE instance, HWND host)
{
    if (g_previewWindow && IsWindow(g_previewWindow))
        DestroyWindow(g_previewWindow);
    g_previewWindow = nullptr;

    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PreviewWndProc;
    wc.cbWndExtra = 4;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = PreviewClassName;
    RegisterClassA(&wc); // already registered by an earlier call: fine

    HWND window;
    if (host) {
        DebugPrint("create window in window");
        RECT rect = {};
        GetWindowRect(host, &rect);
        window = CreateWindowExA(0, PreviewClassName, "", WS_CHILD, 0, 0, rect.right - rect.left,
                                 rect.bottom - rect.top, host, nullptr, instance, nullptr);
    } else {
        DebugPrint("create New window");
        window = CreateWindowExA(0, PreviewClassName, PreviewClassName, WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    }
    if (!window) {
        DebugPrint("Create Window Fail");
        return 0;
    }
    g_previewWindow = window;

    RECT client = {};
    GetClientRect(window, &client);
    g_width = client.right - client.left;
    g_height = client.bottom - client.top;

    HDC dc = GetDC(window);
    g_memoryDc = CreateCompatibleDC(dc);
    g_bitmap = CreateCompatibleBitmap(dc, g_width, g_height);
    SelectObject(g_memoryDc, g_bitmap);
    FillRect(g_memoryDc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    TextLine(g_memoryDc, 5, "Oru ENGINE");
    TextLine(g_memoryDc, g_height / 5 + 5, "REEF GLOW 3");
    TextLine(g_memoryDc, (2 * g_height) / 5 + 5, PreviewNoticeCompany);
    TextLine(g_memoryDc, (3 * g_height) / 5 + 5, PreviewNoticeYears);
    ReleaseDC(window, dc);

    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            // 0 is the quit message; -1 an error that would repeat for ever.
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1)
                return 0;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            WaitMessage();
        }
    }
}

LRESULT CALLBACK PreviewWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        BitBlt(dc, 0, 0, g_width, g_height, g_memoryDc, 0, 0, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        if (window == g_previewWindow)
            g_previewWindow = nullptr;
        PostQuitMessage(int(wParam));
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
