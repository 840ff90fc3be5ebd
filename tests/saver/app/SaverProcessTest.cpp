// ReefGlow3.scr as the system runs it: each test starts the real program as
// a debuggee beside the proxy d3d8.dll (which passes every call through to
// Wine's and logs it) and reads its windows, its exit code, the proxy's log
// and the registry.

#include "DebuggedProcess.h"
#include "KeyboardInput.h"
#include "PointerInput.h"
#include "WindowWatch.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char SettingsKey[] = "Software\\Kelvane Soft\\Reefglow 3";
const char SaverClass[] = "OruEngine_RG2_CLASS";
const char SaverTitle[] = "Sel Engine Reef Glow";

bool KeyExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteSettings()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
}

void StoreDword(const char* name, DWORD value)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, SettingsKey, &key));
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

// Pumps this thread's messages for a while (the host windows live here).
void Pump(DWORD ms)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

LRESULT CALLBACK PlainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

// A visible top-level window of this process.
HWND MakeWindow(const char* className, const char* title, int width, int height)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, width, height,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    Pump(100);
    return window;
}

class SaverProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        logPath = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".d3d8.log";
        DeleteFileA(logPath.c_str());
        DeleteSettings();
    }
    void TearDown() override
    {
        if (!program.Finished())
            program.Terminate();
        DeleteSettings();
    }

    void Run(const std::string& arguments, const std::string& faults = std::string())
    {
        ASSERT_TRUE(Start(program, arguments, faults)) << program.Error();
    }
    bool Start(DebuggedProcess& run, const std::string& arguments, const std::string& faults = std::string())
    {
        // The pointer well inside the smallest full-screen mode, wherever an
        // earlier program left it: the saver confines it to its window, and
        // a move from an edge would be cut short there.
        MovePointerTo(160, 120);
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(sizeof cwd, cwd);
        DebuggedProcess::Environment environment = {{"REEF_D3D8_LOG", std::string(cwd) + "\\" + logPath},
                                                    {"REEF_D3D8_FAIL", faults}};
        return run.Start("\"" + DebuggedProcess::WindowsPath(REEF_SAVER_PROXY) + "\" " + arguments, environment);
    }
    std::string Log() const
    {
        std::ifstream in(logPath);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Waits until the program has presented a frame.
    bool WaitForFrame(DWORD timeoutMs)
    {
        const DWORD start = GetTickCount();
        while (Log().find("Present n=") == std::string::npos) {
            if (program.Finished() || GetTickCount() - start >= timeoutMs)
                return false;
            Sleep(50);
        }
        return true;
    }
    // Waits until the proxy's log holds text, while the program runs.
    bool WaitForLogLine(const std::string& text, DWORD timeoutMs)
    {
        const DWORD start = GetTickCount();
        while (Log().find(text) == std::string::npos) {
            if (program.Finished() || GetTickCount() - start >= timeoutMs)
                return false;
            Sleep(50);
        }
        return true;
    }
    int TraceLines() const
    {
        int n = 0;
        for (const std::string& line : program.Lines())
            n += line.rfind("DXZING:", 0) == 0;
        return n;
    }
    // The saver's window, in front and with the keyboard focus (where input
    // goes); null when it does not get there.
    HWND ForegroundSaver() { return ForegroundSaver(program); }
    static HWND ForegroundSaver(DebuggedProcess& run)
    {
        HWND window = run.FindTopWindow(SaverClass, 10000);
        if (!window)
            return nullptr;
        SetForegroundWindow(window);
        return WaitForFocus(window, 10000) ? window : nullptr;
    }
    bool StillRunsAfter(DWORD ms)
    {
        return !program.Wait(ms);
    }
    bool EndsWithZero()
    {
        return program.Wait(10000) && program.ExitCode() == 0;
    }

    DebuggedProcess program;
    std::string logPath;
};

void Click(DWORD down, DWORD up)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = down;
    inputs[1].mi.dwFlags = up;
    SendInput(2, inputs, sizeof(INPUT));
}

} // namespace

TEST_F(SaverProgram, ChangePasswordEndsAtOnceAndCreatesNoKey)
{
    Run("/a");
    ASSERT_TRUE(program.Wait(10000));
    EXPECT_EQ(0u, program.ExitCode());
    EXPECT_FALSE(KeyExists()) << "reading the settings must not create the key";
    EXPECT_EQ(std::string::npos, Log().find("Direct3DCreate8")) << "no Direct3D in this mode";
}

TEST_F(SaverProgram, RunningSaverWindowMakesEveryModeEndAtOnce)
{
    HWND other = MakeWindow(SaverClass, SaverTitle, 200, 150);
    ASSERT_NE(nullptr, other);
    for (const char* arguments : {"/c", "/s", "/debug"}) {
        DebuggedProcess run;
        ASSERT_TRUE(Start(run, arguments)) << run.Error();
        // Its windows are looked for while it runs; it ends by itself.
        WindowWatch watch(run.ProcessId());
        ASSERT_TRUE(run.Wait(30000)) << arguments << " did not end";
        EXPECT_EQ(0u, run.ExitCode()) << arguments;
        EXPECT_EQ(std::vector<std::string>(), watch.Seen()) << arguments << " showed a window";
    }
    DestroyWindow(other);
    EXPECT_EQ(std::string::npos, Log().find("Direct3DCreate8"));
}

TEST_F(SaverProgram, ConfigureModeExitCodesForDirect3DFailures)
{
    struct Case {
        const char* faults;
        DWORD exitCode;
    };
    for (const Case& c : {Case{"create_null", 1u}, Case{"no_adapters", 2u}}) {
        DebuggedProcess run;
        ASSERT_TRUE(Start(run, "/c", c.faults)) << run.Error();
        WindowWatch watch(run.ProcessId());
        ASSERT_TRUE(run.Wait(30000)) << c.faults;
        EXPECT_EQ(c.exitCode, run.ExitCode()) << c.faults;
        EXPECT_EQ(std::vector<std::string>(), watch.Seen()) << c.faults << ": no dialog, no window";
    }
}

TEST_F(SaverProgram, PreviewLivesInItsHostAndEndsWithIt)
{
    for (const char* form : {"/p %u", "/p:%u", "/P:%u"}) {
        HWND host = MakeWindow("PreviewHost", "host", 152, 112);
        ASSERT_NE(nullptr, host);
        char arguments[64];
        snprintf(arguments, sizeof arguments, form, unsigned(reinterpret_cast<UINT_PTR>(host)));
        DebuggedProcess run;
        ASSERT_TRUE(Start(run, arguments)) << run.Error();
        HWND child = nullptr;
        const DWORD start = GetTickCount();
        while (!(child = FindWindowExA(host, nullptr, "MYCLASS", nullptr)) && GetTickCount() - start < 10000)
            Pump(20);
        ASSERT_NE(nullptr, child) << form;
        // The window is made first and shown once its picture is drawn.
        const DWORD shown = GetTickCount();
        while (!IsWindowVisible(child) && GetTickCount() - shown < 5000)
            Pump(20);
        RECT hostRect, childRect;
        GetWindowRect(host, &hostRect);
        GetWindowRect(child, &childRect);
        EXPECT_EQ(hostRect.right - hostRect.left, childRect.right - childRect.left) << form;
        EXPECT_EQ(hostRect.bottom - hostRect.top, childRect.bottom - childRect.top) << form;
        EXPECT_TRUE(IsWindowVisible(child)) << form;
        EXPECT_FALSE(run.Finished()) << form;

        DestroyWindow(host);
        Pump(50);
        ASSERT_TRUE(run.Wait(10000)) << form << ": the preview outlived its host";
        EXPECT_EQ(0u, run.ExitCode()) << form;
    }
    EXPECT_EQ(std::string::npos, Log().find("Direct3DCreate8")) << "the preview uses no Direct3D";
}

TEST_F(SaverProgram, PreviewWithoutAHostOpensItsOwnWindow)
{
    for (const char* arguments : {"/p abc", "/p"}) {
        DebuggedProcess run;
        ASSERT_TRUE(Start(run, arguments)) << run.Error();
        HWND window = run.FindTopWindow("MYCLASS", 10000);
        ASSERT_NE(nullptr, window) << arguments;
        char title[32] = {};
        GetWindowTextA(window, title, sizeof title);
        EXPECT_STREQ("MYCLASS", title);
        PostMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(run.Wait(10000)) << arguments;
        EXPECT_EQ(0u, run.ExitCode()) << arguments;
    }
}

TEST_F(SaverProgram, PreviewWithABogusHandleEndsQuietly)
{
    Run("/p 12345");
    WindowWatch watch(program.ProcessId());
    ASSERT_TRUE(program.Wait(30000));
    EXPECT_EQ(0u, program.ExitCode());
    EXPECT_EQ(std::vector<std::string>(), watch.Seen()) << "a window while it ran";
}

TEST_F(SaverProgram, SaverEndsOnEachKindOfUserInput)
{
    struct Case {
        const char* name;
        void (*act)(HWND saver);
    };
    const Case cases[] = {
        {"key", [](HWND) { PressKeys({'A'}); }},
        {"left click", [](HWND) { Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }},
        {"right click", [](HWND) { Click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }},
        {"mouse jump", [](HWND) { EXPECT_TRUE(MovePointerBy(7, 5)) << "xdotool"; }},
        // Another window comes to the front and stays there (it goes once
        // the saver has ended).
        {"lost activation", [](HWND) {
             HWND other = MakeWindow("Intruder", "intruder", 100, 100);
             SetForegroundWindow(other);
             const DWORD start = GetTickCount();
             while (GetForegroundWindow() != other && GetTickCount() - start < 10000)
                 Pump(20);
             EXPECT_EQ(other, GetForegroundWindow()) << "the intruder never came to the front";
         }},
    };
    for (const Case& c : cases) {
        DebuggedProcess run;
        ASSERT_TRUE(Start(run, "/s")) << run.Error();
        HWND window = run.FindTopWindow(SaverClass, 15000);
        ASSERT_NE(nullptr, window) << c.name;
        // Start-up and the switch to full screen done: a frame presented,
        // and the window in front with the focus.
        const DWORD start = GetTickCount();
        while (Log().find("Present n=") == std::string::npos && !run.Finished() && GetTickCount() - start < 30000)
            Sleep(50);
        ASSERT_NE(std::string::npos, Log().find("Present n=")) << c.name << ": no frame";
        ASSERT_EQ(window, ForegroundSaver(run)) << c.name << ": the saver never had the focus";
        ASSERT_FALSE(run.Finished()) << c.name << ": ended before any input";
        c.act(window);
        // This thread's windows answer the saver's messages while it ends.
        bool ended = false;
        const DWORD acted = GetTickCount();
        while (!(ended = run.Wait(20)) && GetTickCount() - acted < 10000)
            Pump(20);
        if (HWND intruder = FindWindowA("Intruder", nullptr))
            DestroyWindow(intruder);
        ASSERT_TRUE(ended) << c.name << " did not end the saver";
        EXPECT_EQ(0u, run.ExitCode()) << c.name;
        DeleteFileA(logPath.c_str());
    }
}

TEST_F(SaverProgram, SmallMovesDoNotEndTheSaver)
{
    Run("/s");
    ASSERT_TRUE(WaitForFrame(15000));
    ASSERT_NE(nullptr, ForegroundSaver());
    POINT p;
    GetCursorPos(&p);
    // Steps of 3 pixels, slow enough that even moves merged by a busy frame
    // stay below 10 pixels.
    for (int i = 1; i <= 15; ++i) {
        ASSERT_TRUE(MovePointerBy(2, 1)) << "xdotool";
        Sleep(150);
    }
    POINT q;
    GetCursorPos(&q);
    EXPECT_EQ(p.x + 30, q.x) << "the pointer moved";
    EXPECT_EQ(p.y + 15, q.y) << "the pointer moved";
    EXPECT_TRUE(StillRunsAfter(1000)) << "steps of 3 pixels must not end the saver";
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(EndsWithZero());
}

TEST_F(SaverProgram, WithTheMouseCameraOnlyKeysEndTheSaver)
{
    StoreDword("CameraMode", 2);
    Run("/s");
    ASSERT_TRUE(WaitForFrame(15000));
    ASSERT_NE(nullptr, ForegroundSaver());
    ASSERT_TRUE(MovePointerBy(40, 30)) << "xdotool";
    Sleep(200);
    Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    Click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    EXPECT_TRUE(StillRunsAfter(1000)) << "the mouse steers the camera";
    PressKeys({'A'});
    EXPECT_TRUE(EndsWithZero());
}

TEST_F(SaverProgram, DebugWindowIgnoresInputAndEndsOnEscape)
{
    Run("/debug");
    ASSERT_TRUE(WaitForFrame(15000));
    HWND window = ForegroundSaver();
    ASSERT_NE(nullptr, window);
    RECT client;
    GetClientRect(window, &client);
    // The window is sized for an 800 x 600 client area under a menu bar, and has no menu.
    EXPECT_EQ(800, client.right);
    EXPECT_EQ(619, client.bottom);
    ASSERT_TRUE(MovePointerBy(40, 30)) << "xdotool";
    PressKeys({'A'});
    Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(StillRunsAfter(1000)) << "debug mode ignores keys and the mouse";
    ASSERT_NE(nullptr, ForegroundSaver());
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(EndsWithZero());
    EXPECT_EQ(0, TraceLines()) << "a clean run reports no failed Direct3D call";
}

// A frame whose scene cannot begin draws nothing and ends no scene; the
// next frame tries again, so the saver never ends on refused frames.
TEST_F(SaverProgram, OneRefusedSceneIsTracedAndTheFramesGoOn)
{
    // Without clone groups every BeginScene is a frame's; the 30th is one
    // of the running frame loop.
    StoreDword("CloneFishTech", 0);
    Run("/debug", "begin_scene_fail_at=30");
    ASSERT_TRUE(WaitForLogLine("Present n=128", 30000)) << "the frames go on after the refused one";
    EXPECT_NE(std::string::npos, Log().find("BeginScene n=30 -> 0x8876086C injected"));
    EXPECT_TRUE(StillRunsAfter(500));
    EXPECT_EQ(1, TraceLines()) << "the refusal, and nothing else, is traced";
    ASSERT_NE(nullptr, ForegroundSaver());
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(EndsWithZero());
}

TEST_F(SaverProgram, EveryRefusedSceneKeepsTheWindowAndItsMessageLoop)
{
    Run("/debug", "begin_scene_fail");
    // Each frame presents the cleared picture.
    ASSERT_TRUE(WaitForLogLine("Present n=64", 30000)) << "the frames go on";
    HWND window = program.FindTopWindow(SaverClass, 10000);
    ASSERT_NE(nullptr, window);
    DWORD_PTR answer = 0;
    EXPECT_NE(0, SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer))
        << "the message loop answers";
    EXPECT_TRUE(StillRunsAfter(500));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(EndsWithZero());
    EXPECT_EQ(std::string::npos, Log().find("EndScene")) << "EndScene without a scene";
    EXPECT_GE(TraceLines(), 1);
}

TEST(SaverResources, TheProgramCarriesTheResourcesTheTestsCheck)
{
    // The test program links the same resource script; its resources are
    // checked in detail elsewhere, so the program's must equal them.
    HMODULE scr = LoadLibraryExA(DebuggedProcess::WindowsPath(REEF_SAVER_PROXY).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, scr);
    HMODULE self = GetModuleHandleA(nullptr);
    struct Entry {
        LPCSTR type;
        int id;
    };
    const Entry entries[] = {
        {RT_DIALOG, IDD_CONFIG},          {RT_DIALOG, IDD_SELECT_DEVICE},     {RT_GROUP_ICON, IDI_APPLICATION_ICON},
        {RT_ACCELERATOR, IDR_ACCELERATORS}, {RT_MENU, IDR_CONTEXT_MENU},      {RT_BITMAP, IDB_PAINT_RAINBOW},
        {RT_BITMAP, IDB_PAINT_FLAT},      {RT_BITMAP, IDB_PAINT_TONE},        {RT_BITMAP, IDB_FISH_FEW},
        {RT_BITMAP, IDB_FISH_NORMAL},     {RT_BITMAP, IDB_FISH_MANY},         {RT_BITMAP, IDB_CAMERA_MOVE},
        {RT_BITMAP, IDB_CAMERA_FIX},      {RT_BITMAP, IDB_CAMERA_MOUSE},      {RT_BITMAP, IDB_PAINT_RAINBOW_FADED},
        {RT_BITMAP, IDB_PAINT_TONE_FADED},
    };
    for (const Entry& e : entries) {
        HRSRC mine = FindResourceA(self, MAKEINTRESOURCEA(e.id), e.type);
        HRSRC theirs = FindResourceA(scr, MAKEINTRESOURCEA(e.id), e.type);
        ASSERT_NE(nullptr, mine) << e.id;
        ASSERT_NE(nullptr, theirs) << "the program lacks resource " << e.id;
        const DWORD size = SizeofResource(self, mine);
        ASSERT_EQ(size, SizeofResource(scr, theirs)) << e.id;
        EXPECT_EQ(0, memcmp(LockResource(LoadResource(self, mine)), LockResource(LoadResource(scr, theirs)), size))
            << e.id;
    }
    FreeLibrary(scr);
}
