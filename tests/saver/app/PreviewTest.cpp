// The preview picture in this process: a host window of the test's, the
// preview running on a thread of its own as the display settings' host
// would see it, and its pixels read back from the screen.

#include "app/Preview.h"
#include "ScreenCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

void Pump(DWORD ms)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

// A borderless visible host of the given size, and the preview inside it.
class PreviewInHost {
public:
    PreviewInHost(int width, int height)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = "PreviewTestHost";
        RegisterClassA(&wc);
        host = CreateWindowExA(0, "PreviewTestHost", "", WS_POPUP | WS_VISIBLE, 20, 20, width, height, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
        HWND h = host;
        thread = std::thread([this, h] {
            RunPreview(GetModuleHandleA(nullptr), h);
            ended = true;
        });
        // The preview makes its window, draws its picture, then shows it.
        const DWORD start = GetTickCount();
        while (!(child = FindWindowExA(host, nullptr, "MYCLASS", nullptr)) && GetTickCount() - start < 10000)
            Pump(20);
        while (child && !IsWindowVisible(child) && GetTickCount() - start < 10000)
            Pump(20);
    }
    ~PreviewInHost()
    {
        if (IsWindow(host))
            DestroyWindow(host);
        if (thread.joinable())
            thread.join();
    }
    HWND host = nullptr;
    HWND child = nullptr;
    std::thread thread;
    std::atomic<bool> ended{false};
};

// The window's client area as the screen shows it, captured (with this
// thread's messages pumped between) until two captures in a row are the
// same and ready holds, or 10 s have passed: the last capture.
Image CaptureWhen(HWND window, const std::function<bool(const Image&)>& ready)
{
    const DWORD start = GetTickCount();
    Image last;
    for (;;) {
        Image shot = ScreenCapture::Client(window);
        const bool settled = !shot.Empty() && shot.width == last.width && shot.pixels == last.pixels;
        if ((settled && ready(shot)) || GetTickCount() - start >= 10000)
            return shot;
        last = shot;
        Pump(20);
    }
}

bool IsBlack(uint32_t rgb)
{
    return rgb == 0;
}

// Whether row band [y0, y1) holds black text pixels at x >= 10.
bool BandHasText(const Image& shot, int y0, int y1)
{
    for (int y = y0; y < y1 && y < shot.height; ++y)
        for (int x = 10; x < shot.width; ++x)
            if (IsBlack(shot.Rgb(x, y)))
                return true;
    return false;
}

} // namespace

TEST(PreviewPicture, FourTextLinesOnWhiteScaledToTheHeight)
{
    struct Case {
        int width, height;
        int lines[4]; // y of each line: 5, h/5+5, 2h/5+5, 3h/5+5
    };
    for (const Case& c : {Case{152, 112, {5, 27, 49, 72}}, Case{200, 100, {5, 25, 45, 65}}}) {
        PreviewInHost preview(c.width, c.height);
        ASSERT_NE(nullptr, preview.child);
        RECT client;
        GetClientRect(preview.child, &client);
        ASSERT_EQ(c.width, client.right);
        ASSERT_EQ(c.height, client.bottom);
        // Captured once the screen shows the picture: text in every line.
        const int* lines = c.lines;
        Image shot = CaptureWhen(preview.child, [&](const Image& image) {
            for (int i = 0; i < 4; ++i)
                if (!BandHasText(image, lines[i], lines[i] + 12))
                    return false;
            return true;
        });
        ASSERT_FALSE(shot.Empty());

        // White everywhere left of x = 10 and above y = 5.
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(0xFFFFFFu, shot.Rgb(x, y)) << x << "," << y;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(0xFFFFFFu, shot.Rgb(x, y)) << x << "," << y;
        // Each line's band holds black text, and only black or white is drawn.
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(BandHasText(shot, c.lines[i], c.lines[i] + 12)) << "line " << i << " at y " << c.lines[i];
        EXPECT_FALSE(BandHasText(shot, 0, 5));
        EXPECT_FALSE(preview.ended);

        DestroyWindow(preview.host);
        preview.thread.join();
        EXPECT_TRUE(preview.ended) << "the preview ends with its host";
    }
}

TEST(PreviewPicture, IsDrawnOnceAndGrowsBlack)
{
    PreviewInHost preview(152, 112);
    ASSERT_NE(nullptr, preview.child);
    SetWindowPos(preview.host, nullptr, 0, 0, 304, 224, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(preview.child, nullptr, 0, 0, 304, 224, SWP_NOMOVE | SWP_NOZORDER);
    // Captured once the grown window has been painted where it grew.
    Image shot = CaptureWhen(preview.child, [](const Image& image) {
        return image.width == 304 && image.height == 224 && image.Rgb(250, 50) != 0x808080u &&
               image.Rgb(50, 200) != 0x808080u;
    });
    ASSERT_EQ(304, shot.width);
    EXPECT_EQ(0xFFFFFFu, shot.Rgb(5, 100)) << "the first picture stays";
    EXPECT_EQ(0x000000u, shot.Rgb(250, 50)) << "the class background beyond it";
    EXPECT_EQ(0x000000u, shot.Rgb(50, 200));
}
