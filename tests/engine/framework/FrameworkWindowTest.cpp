// The framework in this process: a real window and device under Wine, driven
// through its messages and commands, with boxes answered by a watcher.

#include "Image.h"
#include "KeyboardInput.h"
#include "LifecycleApp.h"
#include "MessageBoxWatcher.h"
#include "ScreenCapture.h"
#include "framework/AppTimer.h"
#include "framework/OruApplication.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class FrameworkWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppTimerResetState(true);
        app = new LifecycleApp;
    }
    void TearDown() override
    {
        if (app->window)
            SendMessageA(app->window, WM_CLOSE, 0, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClipCursor(nullptr);
        delete app;
    }
    void Start()
    {
        ASSERT_EQ(0, app->Startup(GetModuleHandleA(nullptr)));
        ASSERT_NE(nullptr, app->window);
        app->Pump(300);
    }
    uint32_t CentreColour()
    {
        Image shot = ScreenCapture::Client(app->window);
        return shot.Empty() ? 0xDEADBEEF : shot.Rgb(shot.width / 4, shot.height / 4);
    }
    SIZE ClientSize()
    {
        RECT r;
        GetClientRect(app->window, &r);
        return {r.right - r.left, r.bottom - r.top};
    }
    LifecycleApp* app = nullptr;
};

// Points this program's import of module!function (the engine is linked in,
// so its calls go through the same table) at replacement. Returns the
// previous entry, or null when the program does not import the function.
void* ReplaceImport(const char* module, const char* function, void* replacement)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
         ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), module) != 0)
            continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            DWORD protection;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            void* previous = reinterpret_cast<void*>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

// GetMessage failing once; a loop that asks again is given the quit
// message, so a loop that would spin on the failure still ends.
int g_getMessageCalls = 0;
BOOL WINAPI GetMessageFailingOnce(MSG* msg, HWND, UINT, UINT)
{
    if (++g_getMessageCalls == 1)
        return -1;
    *msg = MSG{};
    msg->message = WM_QUIT;
    return 0;
}

} // namespace

TEST_F(FrameworkWindow, DebugWindowStartsDrawsAndCloses)
{
    Start();
    char className[64] = {}, title[64] = {};
    GetClassNameA(app->window, className, sizeof className);
    GetWindowTextA(app->window, title, sizeof title);
    EXPECT_STREQ("OruEngine_RG2_CLASS", className);
    EXPECT_STREQ("Sel Engine Reef Glow", title);
    EXPECT_EQ(app->window, app->FindRunningInstance());

    const LONG style = GetWindowLongA(app->window, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);

    // The size was computed for 800 x 600 under a menu bar the window lacks.
    SIZE client = ClientSize();
    EXPECT_EQ(800, client.cx);
    EXPECT_EQ(600 + GetSystemMetrics(SM_CYMENU), client.cy);
    EXPECT_EQ(UINT(client.cx), app->backBufferDesc.Width);
    EXPECT_EQ(UINT(client.cy), app->backBufferDesc.Height);
    EXPECT_TRUE(app->windowed);
    EXPECT_TRUE(app->active);
    EXPECT_TRUE(app->ready);
    EXPECT_EQ((std::vector<std::string>{"Init", "Restore"}), app->events);
    EXPECT_GT(app->renders, 0);
    EXPECT_EQ(0x1020C0u, CentreColour());

    // Esc through the accelerators closes the window and ends the loop.
    PostMessageA(app->window, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    app->Pump(200);
    EXPECT_EQ(nullptr, app->window);
    EXPECT_TRUE(app->quit);
    EXPECT_EQ(nullptr, app->device);
    EXPECT_EQ(nullptr, app->d3d);
    EXPECT_EQ((std::vector<std::string>{"Init", "Restore", "Invalidate", "Delete", "FinalCleanup"}), app->events);

    // A second shutdown releases nothing again.
    app->ShutdownDevice3D();
    EXPECT_EQ(1, app->Count("Invalidate"));
    EXPECT_EQ(1, app->Count("Delete"));
}

TEST_F(FrameworkWindow, FullScreenRoundTripRestoresTheWindow)
{
    Start();
    RECT before;
    GetWindowRect(app->window, &before);
    SIZE clientBefore = ClientSize();

    SendMessageA(app->window, WM_COMMAND, CommandToggleFullScreen, 0);
    app->Pump(300);
    ASSERT_FALSE(app->windowed);
    EXPECT_TRUE(app->ready);
    const OruDisplayMode& mode = app->CurrentMode();
    EXPECT_EQ(mode.width, app->backBufferDesc.Width);
    EXPECT_EQ(mode.height, app->backBufferDesc.Height);
    EXPECT_EQ(LONG(WS_POPUP), GetWindowLongA(app->window, GWL_STYLE) & WS_POPUP);
    RECT clip, window;
    GetClipCursor(&clip);
    GetWindowRect(app->window, &window);
    EXPECT_TRUE(EqualRect(&clip, &window)) << "the cursor is confined to the full-screen window";
    EXPECT_EQ(HTCLIENT, app->MsgProc(app->window, WM_NCHITTEST, 0, 0));

    // Minimising lifts the confinement and stops the frames.
    SendMessageA(app->window, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(app->active);
    GetClipCursor(&clip);
    RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                   GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                   GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    EXPECT_TRUE(EqualRect(&clip, &screen));
    SendMessageA(app->window, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_TRUE(app->active);

    SendMessageA(app->window, WM_COMMAND, CommandToggleFullScreen, 0);
    app->Pump(300);
    ASSERT_TRUE(app->windowed);
    RECT after;
    GetWindowRect(app->window, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(clientBefore.cx, ClientSize().cx);
    EXPECT_EQ(clientBefore.cy, ClientSize().cy);
    EXPECT_EQ(UINT(clientBefore.cx), app->backBufferDesc.Width);
    EXPECT_EQ(UINT(clientBefore.cy), app->backBufferDesc.Height);
    EXPECT_EQ(0x1020C0u, CentreColour());
    EXPECT_EQ(2, app->Count("Invalidate"));
    EXPECT_EQ(3, app->Count("Restore"));
    EXPECT_EQ(1, app->Count("Init")) << "a switch resets, it does not re-create";
}

TEST_F(FrameworkWindow, ResizingResetsToTheNewClientSize)
{
    Start();
    RECT r;
    GetWindowRect(app->window, &r);

    // A drag of the border: the reset comes when the drag ends.
    SendMessageA(app->window, WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(app->window, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(1, app->Count("Restore")) << "no reset during the drag";
    SendMessageA(app->window, WM_EXITSIZEMOVE, 0, 0);
    SIZE client = ClientSize();
    EXPECT_EQ(UINT(client.cx), app->backBufferDesc.Width);
    EXPECT_EQ(UINT(client.cy), app->backBufferDesc.Height);
    EXPECT_EQ(2, app->Count("Restore"));
    EXPECT_TRUE(app->ready);

    // A size change without a drag (the window manager maximising, say) too.
    SetWindowPos(app->window, nullptr, 0, 0, 640, 500, SWP_NOMOVE | SWP_NOZORDER);
    client = ClientSize();
    EXPECT_EQ(UINT(client.cx), app->backBufferDesc.Width);
    EXPECT_EQ(UINT(client.cy), app->backBufferDesc.Height);
    EXPECT_EQ(3, app->Count("Restore"));
    app->Pump(200);
    EXPECT_EQ(0x1020C0u, CentreColour());

    // The same size again resets nothing; the minimum tracking size is 100 x 100.
    SendMessageA(app->window, WM_ENTERSIZEMOVE, 0, 0);
    SendMessageA(app->window, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(3, app->Count("Restore"));
    MINMAXINFO info = {};
    app->MsgProc(app->window, WM_GETMINMAXINFO, 0, LPARAM(&info));
    EXPECT_EQ(100, info.ptMinTrackSize.x);
    EXPECT_EQ(100, info.ptMinTrackSize.y);
}

TEST_F(FrameworkWindow, GoStopAndSingleStepInDebugMode)
{
    Start();
    ASSERT_TRUE(app->clockRunning);

    // Space on a running clock only stops it.
    SendMessageA(app->window, WM_COMMAND, CommandSingleStep, 0);
    app->Pump(100);
    EXPECT_FALSE(app->clockRunning);
    const float stoppedAt = app->appTime;
    const int updates = app->updates;
    app->Pump(200);
    EXPECT_EQ(stoppedAt, app->appTime);
    EXPECT_EQ(updates, app->updates) << "no update while the clock stands";
    Image a = ScreenCapture::Client(app->window);
    app->Pump(100);
    Image b = ScreenCapture::Client(app->window);
    EXPECT_EQ(a.pixels, b.pixels) << "the stopped scene is redrawn unchanged";

    // Each further Space moves the clock on by 0.1 s and updates once.
    for (int i = 1; i <= 3; ++i) {
        SendMessageA(app->window, WM_COMMAND, CommandSingleStep, 0);
        app->Pump(100);
        EXPECT_NEAR(stoppedAt + 0.1 * i, app->appTime, 1e-3);
        EXPECT_EQ(updates + i, app->updates);
    }
    Image c = ScreenCapture::Client(app->window);
    EXPECT_NE(b.pixels, c.pixels) << "the marker moved with the steps";

    // Enter lets the clock run on from there.
    SendMessageA(app->window, WM_COMMAND, CommandGoStop, 0);
    EXPECT_TRUE(app->clockRunning);
    app->Pump(200);
    EXPECT_GT(app->appTime, stoppedAt + 0.3f);
    EXPECT_LT(app->appTime, stoppedAt + 0.3f + 1.0f) << "the stopped time is not counted";

    // Enter again stops it.
    SendMessageA(app->window, WM_COMMAND, CommandGoStop, 0);
    EXPECT_FALSE(app->clockRunning);
}

TEST_F(FrameworkWindow, OutsideDebugModeEveryCommandCloses)
{
    for (int command : {CommandChangeDevice, CommandToggleFullScreen, CommandGoStop, CommandSingleStep}) {
        LifecycleApp* next = new LifecycleApp;
        delete app;
        app = next;
        app->runMode = RunModePreview; // not the debug window, not full screen
        Start();
        SendMessageA(app->window, WM_COMMAND, WPARAM(command), 0);
        EXPECT_NE(nullptr, app->window) << "the close is posted, not sent";
        app->Pump(200);
        EXPECT_EQ(nullptr, app->window) << command;
        EXPECT_TRUE(app->windowed) << command;
        EXPECT_EQ(1, app->Count("Init")) << command;
    }
}

TEST_F(FrameworkWindow, LosingActivationClosesOutsideDebugMode)
{
    Start();
    EXPECT_EQ(0, app->MsgProc(app->window, WM_ACTIVATEAPP, FALSE, 0) == 0 ? 0 : 1);
    app->Pump(100);
    EXPECT_NE(nullptr, app->window) << "the debug window stays";

    app->runMode = RunModeSaver;
    app->MsgProc(app->window, WM_ACTIVATEAPP, FALSE, 0);
    app->Pump(100);
    EXPECT_EQ(nullptr, app->window);
}

namespace {

// Counts the menu loops that messages sent on this thread enter.
int g_menuLoops = 0;
LRESULT CALLBACK CountMenuLoops(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && reinterpret_cast<CWPSTRUCT*>(lParam)->message == WM_ENTERMENULOOP)
        ++g_menuLoops;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(FrameworkWindow, SystemCommandsAreSwallowedOnlyInFullScreen)
{
    Start();
    HHOOK spy = SetWindowsHookExA(WH_CALLWNDPROC, CountMenuLoops, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, spy);
    g_menuLoops = 0;
    // The low four bits are the system's own and are ignored.
    const WPARAM swallowed[] = {SC_MOVE,         SC_MOVE | 2,    SC_SIZE | 8,
                                SC_MAXIMIZE | 2, SC_KEYMENU | 1, SC_MONITORPOWER | 1};
    app->windowed = FALSE; // as the message handling sees a full-screen window
    for (WPARAM command : swallowed)
        EXPECT_EQ(1, SendMessageA(app->window, WM_SYSCOMMAND, command, 'q')) << std::hex << command;
    EXPECT_FALSE(IsZoomed(app->window));
    EXPECT_EQ(0, g_menuLoops);
    app->windowed = TRUE;

    // In the window the same commands go on to the system: the keyboard menu
    // opens (and, for a key that no item has, closes at once) ...
    EXPECT_EQ(0, SendMessageA(app->window, WM_SYSCOMMAND, SC_KEYMENU | 1, 'q'));
    EXPECT_EQ(1, g_menuLoops);
    EXPECT_TRUE(app->ready) << "the menu loop's pause has ended";
    UnhookWindowsHookEx(spy);
    // ... and a maximise maximises, the device following the new client size.
    EXPECT_EQ(0, SendMessageA(app->window, WM_SYSCOMMAND, SC_MAXIMIZE | 2, 0));
    EXPECT_TRUE(IsZoomed(app->window));
    const SIZE client = ClientSize();
    EXPECT_GT(client.cx, 800);
    EXPECT_EQ(UINT(client.cx), app->backBufferDesc.Width);
    EXPECT_EQ(UINT(client.cy), app->backBufferDesc.Height);

    EXPECT_NE(HTCLIENT, app->MsgProc(app->window, WM_NCHITTEST, 0, MAKELPARAM(1, 1)));
    EXPECT_EQ(TRUE, app->MsgProc(app->window, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0));
    EXPECT_EQ(TRUE, app->MsgProc(app->window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0));
}

TEST_F(FrameworkWindow, MinimisedWindowDrawsNothingUntilRestored)
{
    Start();
    ASSERT_GT(app->renders, 0);
    ShowWindow(app->window, SW_MINIMIZE);
    app->Pump(100);
    ASSERT_TRUE(IsIconic(app->window));
    EXPECT_FALSE(app->active);
    const int renders = app->renders;
    app->Pump(300);
    EXPECT_EQ(renders, app->renders) << "no frames while minimised";

    ShowWindow(app->window, SW_RESTORE);
    app->Pump(300);
    EXPECT_FALSE(IsIconic(app->window));
    EXPECT_TRUE(app->active);
    EXPECT_GT(app->renders, renders) << "frames again after the restore";
    EXPECT_EQ(1, app->Count("Restore")) << "the same size again needs no reset";
    const SIZE client = ClientSize();
    EXPECT_EQ(UINT(client.cx), app->backBufferDesc.Width);
    EXPECT_EQ(UINT(client.cy), app->backBufferDesc.Height);
    EXPECT_EQ(0x1020C0u, CentreColour());
}

TEST_F(FrameworkWindow, FailedGetMessageWhileMinimisedEndsTheLoopAndTheProgram)
{
    // GetMessage fails only on an invalid window or message pointer, which
    // the loop never passes: the failure is injected through the import.
    Start();
    ShowWindow(app->window, SW_MINIMIZE);
    app->Pump(100);
    ASSERT_FALSE(app->active) << "minimised, the loop waits in GetMessage";

    g_getMessageCalls = 0;
    void* original = ReplaceImport("user32.dll", "GetMessageA", reinterpret_cast<void*>(GetMessageFailingOnce));
    ASSERT_NE(nullptr, original);
    const int code = app->RunMessageLoop();
    ReplaceImport("user32.dll", "GetMessageA", original);

    EXPECT_EQ(1, g_getMessageCalls) << "the loop ends at the failure instead of asking again";
    EXPECT_EQ(-1, code);
    EXPECT_EQ(nullptr, app->window) << "the window closes as at any other end";
    EXPECT_EQ(1, app->Count("Invalidate"));
    EXPECT_EQ(1, app->Count("Delete"));
    EXPECT_EQ(1, app->Count("FinalCleanup"));
}

TEST_F(FrameworkWindow, NestedPausesNeedAsManyReleases)
{
    Start();
    app->SetPaused(TRUE);
    EXPECT_FALSE(app->ready);
    float frozen = AppTimer(ClockAppTime);
    app->SetPaused(TRUE);
    app->SetPaused(FALSE);
    EXPECT_FALSE(app->ready) << "one release of two pauses";
    Sleep(30);
    EXPECT_EQ(frozen, AppTimer(ClockAppTime)) << "the clock stands while paused";
    app->SetPaused(FALSE);
    EXPECT_TRUE(app->ready);
    Sleep(30);
    EXPECT_GT(AppTimer(ClockAppTime), frozen);

    // A stopped clock is not started by the end of a pause.
    SendMessageA(app->window, WM_COMMAND, CommandGoStop, 0);
    float stopped = AppTimer(ClockAppTime);
    app->SetPaused(TRUE);
    app->SetPaused(FALSE);
    Sleep(30);
    EXPECT_EQ(stopped, AppTimer(ClockAppTime));
}

TEST_F(FrameworkWindow, ErrorBoxesCarryTheTextsAndSuffixes)
{
    struct Case {
        HRESULT code;
        int kind;
        std::string text;
    };
    const std::string fatal = "\n\nThis application will now exit.";
    const std::string reference = "\n\nSwitching to the reference rasterizer,\na software device that implements the "
                                  "entire\nDirect3D feature set, but runs very slowly.";
    const Case cases[] = {
        {AppErrNoCompatibleDevice, ErrorKindWarning, "Could not find any compatible Direct3D\ndevices."},
        {AppErrMediaLoad, ErrorKindReference, "Could not load required media." + reference},
        {AppErrDeviceReset, ErrorKindWarning, "Could not reset the Direct3D device."},
        {E_OUTOFMEMORY, ErrorKindReference, "Not enough memory." + reference},
        {D3DERR_OUTOFVIDEOMEMORY, ErrorKindWarning, "Not enough video memory."},
        {S_OK, ErrorKindWarning, "Generic application error. "},
        {E_FAIL, ErrorKindWarning, "Generic application error. "},
        {AppErrNoWindowedHardware, ErrorKindReference,
         "Your Direct3D hardware accelerator cannot\nrender into a window.\nPress F2 while the app is running to see "
         "a\nlist of available devices and modes." + reference},
        {AppErrNullReference, ErrorKindWarning,
         "Warning: Nothing will be rendered.\nThe reference rendering device was selected, but your\ncomputer only has "
         "a reduced-functionality reference device\ninstalled.  Install the DirectX SDK to get the full\nreference "
         "device.\n"},
        {AppErrReferenceCount, ErrorKindFatal,
         "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up)." + fatal},
    };
    MessageBoxWatcher watcher;
    size_t seen = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, app->ShowError(c.code, c.kind));
        ASSERT_TRUE(watcher.WaitFor(++seen, 5000));
        MessageBoxWatcher::Box box = watcher.Boxes().back();
        EXPECT_EQ("Sel Engine Reef Glow", box.caption);
        EXPECT_EQ(c.text, box.text) << std::hex << c.code;
    }
}

TEST_F(FrameworkWindow, OneFatalErrorShowsOneBoxAndCloses)
{
    Start();
    MessageBoxWatcher watcher;
    EXPECT_EQ(AppErrDeviceReset, app->ShowError(AppErrDeviceReset, ErrorKindFatal));
    EXPECT_EQ(nullptr, app->window) << "the fatal box closed the window before returning";
    EXPECT_EQ(E_FAIL, app->ShowError(E_FAIL, ErrorKindFatal));
    Sleep(300);
    ASSERT_EQ(1u, watcher.Boxes().size());
    EXPECT_EQ("Could not reset the Direct3D device.\n\nThis application will now exit.", watcher.Boxes()[0].text);
    EXPECT_EQ(1, app->Count("FinalCleanup"));
}

TEST_F(FrameworkWindow, FailedWindowCreationIsAFatalBox)
{
    MessageBoxWatcher watcher;
    app->windowClassName = ""; // no class can be registered or used by this name
    EXPECT_TRUE(FAILED(app->Startup(GetModuleHandleA(nullptr))));
    ASSERT_TRUE(watcher.WaitFor(1, 5000));
    EXPECT_EQ("Generic application error. \n\nThis application will now exit.", watcher.Boxes()[0].text);
    EXPECT_EQ(nullptr, app->device);
    EXPECT_EQ(nullptr, app->d3d);
    EXPECT_TRUE(app->events.empty()) << "no device objects without a window";
}

TEST_F(FrameworkWindow, FailedRestoreOnHardwareFallsBackToTheReferenceDevice)
{
    MessageBoxWatcher watcher;
    app->failRestore = true;
    // Every device fails its restore: the hardware one, then the reference one.
    EXPECT_TRUE(FAILED(app->Startup(GetModuleHandleA(nullptr))));
    ASSERT_TRUE(watcher.WaitFor(2, 5000));
    std::vector<MessageBoxWatcher::Box> boxes = watcher.Boxes();
    EXPECT_EQ(0u, boxes[0].text.find("Generic application error. \n\nSwitching to the reference rasterizer,"));
    EXPECT_EQ("Generic application error. \n\nThis application will now exit.", boxes[1].text);
    EXPECT_EQ(2, app->Count("Init"));
    EXPECT_EQ(2, app->Count("Invalidate"));
    EXPECT_EQ(2, app->Count("Delete"));
    EXPECT_EQ(D3DDEVTYPE_REF, app->CurrentDevice().deviceType);
    EXPECT_EQ(nullptr, app->device);
}

TEST_F(FrameworkWindow, AcceleratorKeysFromTheKeyboard)
{
    Start();
    SetForegroundWindow(app->window);
    SetFocus(app->window);
    app->Pump(100);

    PressKeys({VK_RETURN});
    app->Pump(200);
    EXPECT_FALSE(app->clockRunning) << "Enter stops the clock";
    PressKeys({VK_RETURN});
    app->Pump(200);
    EXPECT_TRUE(app->clockRunning) << "Enter starts it again";

    PressKeys({VK_SPACE});
    app->Pump(200);
    EXPECT_FALSE(app->clockRunning) << "Space stops a running clock";

    PressKeys({VK_MENU, VK_RETURN});
    app->Pump(400);
    EXPECT_FALSE(app->windowed) << "Alt+Enter switches to full screen";
    EXPECT_TRUE(app->clockRunning == FALSE) << "Alt+Enter is not Enter";
    PressKeys({VK_MENU, VK_RETURN});
    app->Pump(400);
    EXPECT_TRUE(app->windowed) << "and back to the window";

    PressKeys({VK_MENU, 'X'});
    app->Pump(400);
    EXPECT_EQ(nullptr, app->window) << "Alt+X ends the program";
    EXPECT_TRUE(app->quit);
}

TEST_F(FrameworkWindow, EndingTheProgramFreesTheCursor)
{
    // A confinement left over from full screen (or set by anything else)
    // must not outlive the program; Wine keeps a clip set while a plain
    // window had the focus, so only the program's own release frees it.
    Start();
    RECT part = {10, 10, 200, 150};
    ClipCursor(&part);
    RECT clip;
    GetClipCursor(&clip);
    ASSERT_TRUE(EqualRect(&clip, &part));

    SendMessageA(app->window, WM_COMMAND, CommandExit, 0);
    EXPECT_EQ(nullptr, app->window);
    GetClipCursor(&clip);
    RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                   GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                   GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    EXPECT_TRUE(EqualRect(&clip, &screen)) << "the cursor stays confined after the program ended";
}
