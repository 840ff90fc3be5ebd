// The framework as a program: the test application runs as a debuggee with
// the fault-injecting d3d8.dll beside it; the tests read its boxes, its
// debug output, its exit code and the proxy's call log.

#include "DebuggedProcess.h"
#include "DialogDriver.h"
#include "KeyboardInput.h"
#include "MessageBoxWatcher.h"
#include "framework/OruApplication.h"
#include "framework/SelectDeviceDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

// The value of "name=" in a log or report line, up to the next space.
std::string Field(const std::string& line, const std::string& name)
{
    const size_t at = line.find(" " + name + "=");
    if (at == std::string::npos)
        return std::string();
    const size_t begin = at + name.size() + 2;
    return line.substr(begin, line.find(' ', begin) - begin);
}

std::vector<std::string> Split(const std::string& list)
{
    std::vector<std::string> items;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
        items.push_back(item);
    return items;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (IsWindow(window) && GetTickCount() - start < timeoutMs)
        Sleep(20);
    return !IsWindow(window);
}

class FrameworkProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        logPath = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".d3d8.log";
        DeleteFileA(logPath.c_str());
    }

    // Starts the application with the given switch and environment.
    void Run(const std::string& arguments, DebuggedProcess::Environment environment = {})
    {
        ASSERT_TRUE(Start(program, arguments, environment, logPath)) << program.Error();
    }
    // Starts one more run of the application, logging to its own file (deleted first).
    static bool Start(DebuggedProcess& run, const std::string& arguments, DebuggedProcess::Environment environment,
                      const std::string& log)
    {
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(sizeof cwd, cwd);
        DeleteFileA(log.c_str());
        environment.push_back({"REEF_D3D8_LOG", std::string(cwd) + "\\" + log});
        return run.Start("\"" + DebuggedProcess::WindowsPath(REEF_FRAMEWORK_APP) + "\" " + arguments, environment);
    }
    HWND MainWindow(DWORD timeoutMs = 10000) { return program.FindTopWindow("OruEngine_RG2_CLASS", timeoutMs); }
    bool Exit()
    {
        HWND window = MainWindow(2000);
        if (window)
            PostMessageA(window, WM_COMMAND, 40006, 0);
        return program.Wait(10000);
    }
    std::string Log() const
    {
        std::ifstream in(logPath);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> LogLines(const std::string& prefix) const { return LogLines(prefix, logPath); }
    static std::vector<std::string> LogLines(const std::string& prefix, const std::string& log)
    {
        std::vector<std::string> lines;
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);)
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        return lines;
    }
    // The application's own report lines ("APP ..."), without the prefix and line end.
    std::vector<std::string> Reports() const { return Reports(program); }
    static std::vector<std::string> Reports(const DebuggedProcess& run)
    {
        std::vector<std::string> reports;
        for (std::string line : run.Lines()) {
            if (line.rfind("APP ", 0) != 0)
                continue;
            line = line.substr(4);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            reports.push_back(line);
        }
        return reports;
    }
    bool Reported(const std::string& part) const
    {
        for (const std::string& r : Reports())
            if (r.find(part) != std::string::npos)
                return true;
        return false;
    }
    int TraceLines() const
    {
        int n = 0;
        for (const std::string& line : program.Lines())
            n += line.rfind("DXZING:", 0) == 0;
        return n;
    }

    DebuggedProcess program;
    std::string logPath;
};

} // namespace

TEST_F(FrameworkProgram, CleanRunDrawsAndEndsWithoutTraces)
{
    Run("/debug");
    ASSERT_TRUE(program.WaitForLine("APP FirstFrame", 15000));
    EXPECT_TRUE(Exit());
    EXPECT_EQ(0u, program.ExitCode());
    EXPECT_EQ(0, TraceLines()) << "a clean run reports no failed Direct3D call";
    const std::vector<std::string> expected = {
        "OneTimeSceneInit", "InitDeviceObjects type=1 adapter=0 ms=0/0", "RestoreDeviceObjects 800x619 windowed=1",
        "Started windowed=1", "FirstFrame", "InvalidateDeviceObjects", "DeleteDeviceObjects", "FinalCleanup",
        "FinalCleanup", "Exit 0"};
    EXPECT_EQ(expected, Reports());
    std::vector<std::string> created = LogLines("CreateDevice ");
    ASSERT_EQ(1u, created.size());
    EXPECT_NE(std::string::npos, created[0].find("adapter=0 type=1 behaviour=0x50 windowed=1 size=800x619"));
    EXPECT_EQ(1u, LogLines("Device.Release -> 0").size());
}

TEST_F(FrameworkProgram, SecondInstanceEndsAtOnce)
{
    Run("/debug");
    ASSERT_TRUE(program.WaitForLine("APP FirstFrame", 15000));
    DebuggedProcess second;
    ASSERT_TRUE(second.Start("\"" + DebuggedProcess::WindowsPath(REEF_FRAMEWORK_APP) + "\" /debug"));
    ASSERT_TRUE(second.Wait(10000));
    EXPECT_EQ(0u, second.ExitCode());
    bool already = false;
    for (const std::string& line : second.Lines())
        already |= line.rfind("APP AlreadyRunning", 0) == 0;
    EXPECT_TRUE(already);
    EXPECT_TRUE(Exit());
}

TEST_F(FrameworkProgram, StartupFailuresShowTheirFatalBox)
{
    struct Case {
        const char* fault;
        const char* text;
    };
    const Case cases[] = {
        {"create_null",
         "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is correctly "
         "installed on your\nsystem.  Also make sure that this program\nwas compiled with header files that match\n"
         "the installed DirectX DLLs.\n\nThis application will now exit."},
        {"no_adapters", "Could not find any compatible Direct3D\ndevices.\n\nThis application will now exit."},
        {"no_windowed",
         "This application cannot run in a desktop\nwindow with the current display settings.\nPlease change your "
         "desktop settings to a\n16- or 32-bit display mode and re-run this\napplication.\n\nThis application will "
         "now exit."},
    };
    for (const Case& c : cases) {
        DebuggedProcess run;
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(sizeof cwd, cwd);
        ASSERT_TRUE(run.Start("\"" + DebuggedProcess::WindowsPath(REEF_FRAMEWORK_APP) + "\" /debug",
                              {{"REEF_D3D8_FAIL", c.fault}}));
        std::string text;
        ASSERT_TRUE(run.FindMessageBox(15000, &text)) << c.fault;
        EXPECT_EQ(c.text, text) << c.fault;
        run.PressButton(IDOK);
        ASSERT_TRUE(run.Wait(10000)) << c.fault;
        EXPECT_EQ(3u, run.ExitCode()) << c.fault;
    }
}

TEST_F(FrameworkProgram, FailedHardwareDeviceFallsBackToTheReferenceDevice)
{
    Run("/debug", {{"REEF_D3D8_FAIL", "hal_create"}});
    std::string text;
    ASSERT_TRUE(program.FindMessageBox(15000, &text));
    EXPECT_EQ("Generic application error. \n\nSwitching to the reference rasterizer,\na software device that "
              "implements the entire\nDirect3D feature set, but runs very slowly.",
              text);
    program.PressButton(IDOK);
    ASSERT_TRUE(program.WaitForLine("APP FirstFrame", 15000));
    EXPECT_TRUE(Reported("InitDeviceObjects type=2"));
    std::vector<std::string> created = LogLines("CreateDevice ");
    ASSERT_EQ(2u, created.size());
    EXPECT_NE(std::string::npos, created[0].find("type=1"));
    EXPECT_NE(std::string::npos, created[1].find("type=2"));
    EXPECT_NE(std::string::npos, created[1].find("-> 0x0"));
    EXPECT_TRUE(Exit());
    EXPECT_EQ(0u, program.ExitCode());
}

TEST_F(FrameworkProgram, NoDeviceAtAllIsOneBoxAfterTheFallBack)
{
    Run("/debug", {{"REEF_D3D8_FAIL", "create_fail"}});
    std::string text;
    HWND first = program.FindMessageBox(15000, &text);
    ASSERT_NE(nullptr, first);
    EXPECT_NE(std::string::npos, text.find("Switching to the reference rasterizer"));
    program.PressButton(IDOK);
    ASSERT_TRUE(WaitUntilGone(first, 10000)) << "the first box stays";
    ASSERT_TRUE(program.FindMessageBox(15000, &text));
    EXPECT_EQ("Generic application error. \n\nThis application will now exit.", text);
    program.PressButton(IDOK);
    ASSERT_TRUE(program.Wait(10000));
    EXPECT_EQ(3u, program.ExitCode());
    EXPECT_FALSE(Reported("InitDeviceObjects"));
}

TEST_F(FrameworkProgram, LostDeviceSkipsFramesThenResetsAndDrawsOn)
{
    Run("/debug", {{"REEF_D3D8_FAIL", "lost=10"}});
    ASSERT_TRUE(program.WaitForLine("APP FirstFrame", 15000));
    // The loss, the reset in place of a frame, and frames again after it.
    const DWORD start = GetTickCount();
    while (LogLines("Reset ").empty() && GetTickCount() - start < 10000)
        Sleep(50);
    // Frames after the reset; the first ones wait for the scene's shaders.
    while (LogLines("Present n=").size() < 5 && GetTickCount() - start < 10000)
        Sleep(50);
    std::vector<std::string> resets = LogLines("Reset ");
    ASSERT_EQ(1u, resets.size());
    EXPECT_NE(std::string::npos, resets[0].find("windowed=1 size=800x619"));
    EXPECT_NE(std::string::npos, resets[0].find("-> 0x0"));
    EXPECT_FALSE(LogLines("TestCooperativeLevel -> 0x88760868").empty()) << "device lost";
    EXPECT_FALSE(LogLines("TestCooperativeLevel -> 0x88760869").empty()) << "device not reset";
    EXPECT_TRUE(LogLines("Present n=").size() >= 5) << "frames go on after the reset";
    EXPECT_TRUE(Exit());
    const std::vector<std::string> reports = Reports();
    int invalidates = 0, restores = 0;
    for (const std::string& r : reports) {
        invalidates += r == "InvalidateDeviceObjects";
        restores += r.rfind("RestoreDeviceObjects", 0) == 0;
    }
    EXPECT_EQ(2, invalidates) << "one for the reset, one at the end";
    EXPECT_EQ(2, restores);
}

TEST_F(FrameworkProgram, FailedResetAfterAResizeIsAFatalBox)
{
    Run("/debug", {{"REEF_D3D8_FAIL", "reset_fail"}});
    ASSERT_TRUE(program.WaitForLine("APP FirstFrame", 15000));
    HWND window = MainWindow();
    ASSERT_NE(nullptr, window);
    SendMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(window, nullptr, 0, 0, 600, 500, SWP_NOMOVE | SWP_NOZORDER);
    PostMessageA(window, WM_EXITSIZEMOVE, 0, 0);
    std::string text;
    HWND box = program.FindMessageBox(15000, &text);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Could not reset the Direct3D device.\n\nThis application will now exit.", text);
    // While the box is up the device objects are gone: a repaint must not draw.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Sleep(200);
    program.PressButton(IDOK);
    ASSERT_TRUE(WaitUntilGone(box, 10000));
    {
        // Every further box is seen (and answered) while the program runs.
        MessageBoxWatcher later(program.ProcessId());
        ASSERT_TRUE(program.Wait(30000));
        EXPECT_EQ(0u, later.Boxes().size()) << "one fatal error, one box; then: "
                                            << (later.Boxes().empty() ? "" : later.Boxes()[0].text);
    }
    EXPECT_EQ(0u, program.ExitCode()) << "the loop ends at the quit message the close posted";
    EXPECT_TRUE(Reported("FinalCleanup"));
    EXPECT_FALSE(Reported("RenderWithoutObjects"));
    // The objects were invalidated once, before the failed reset; the
    // shutdown after it neither invalidates them again nor releases twice.
    const std::vector<std::string> reports = Reports();
    EXPECT_EQ(1, std::count(reports.begin(), reports.end(), "InvalidateDeviceObjects"));
    EXPECT_EQ(1, std::count(reports.begin(), reports.end(), "DeleteDeviceObjects"));
    EXPECT_EQ(1u, LogLines("Device.Release").size());
}

TEST_F(FrameworkProgram, RemainingReferencesAtADeviceChangeAreFatal)
{
    Run("/debug", {{"REEF_D3D8_FAIL", "extra_ref"}});
    ASSERT_TRUE(program.WaitForLine("APP FirstFrame", 15000));
    HWND window = MainWindow();
    ASSERT_NE(nullptr, window);
    PostMessageA(window, WM_COMMAND, 40002, 0);
    HWND dialog = program.FindTopWindow("#32770", 10000);
    ASSERT_NE(nullptr, dialog);
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    ASSERT_STREQ("Select Device", caption);
    HWND devices = GetDlgItem(dialog, 1000);
    SendMessageA(devices, CB_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1000, CBN_SELENDOK), LPARAM(devices));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntilGone(dialog, 10000));
    std::string text;
    ASSERT_TRUE(program.FindMessageBox(15000, &text));
    EXPECT_EQ("A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up)."
              "\n\nThis application will now exit.",
              text);
    program.PressButton(IDOK);
    ASSERT_TRUE(program.Wait(10000));
}

TEST_F(FrameworkProgram, SaverStartsOnTheStoredAdapterByItsOrdinal)
{
    // Adapter 0 is unusable: the only record is adapter ordinal 1, and the
    // stored choice of record 0 must create the device there.
    Run("/s", {{"REEF_D3D8_FAIL", "two_adapters,bad_adapter0"}, {"REEF_APP_STORED", "0,1,0,2"}});
    ASSERT_TRUE(program.WaitForLine("APP FirstFrame", 15000));
    // The stored multisample type is checked on that adapter too.
    std::vector<std::string> checks = LogLines("CheckDeviceMultiSampleType ");
    ASSERT_FALSE(checks.empty()) << "the stored two samples are checked for the full-screen mode";
    for (const std::string& check : checks)
        EXPECT_EQ("1", Field(check, "adapter")) << check;
    std::vector<std::string> created = LogLines("CreateDevice ");
    ASSERT_EQ(2u, created.size());
    EXPECT_NE(std::string::npos, created[0].find("adapter=1 type=1")) << created[0];
    EXPECT_NE(std::string::npos, created[0].find("windowed=1"));
    EXPECT_NE(std::string::npos, created[1].find("adapter=1 type=2")) << "the stored reference device, created anew";
    EXPECT_NE(std::string::npos, created[1].find("windowed=0"));
    EXPECT_TRUE(LogLines("Reset ").empty()) << "no reset of the wrong device";
    EXPECT_TRUE(Exit());
}

TEST_F(FrameworkProgram, EnumerationCopesWithOddModeLists)
{
    struct Case {
        const char* fault;
        const char* mustHave;
        const char* mustNotHave;
    };
    const Case cases[] = {
        {"modes_tiny", "MODE 0.0.0 1024x768", "320x240"},
        {"modes_tiny", "MODE 0.0.0 1024x768", "640x350"},
        {"modes_dup", "DEVICE 0.0 HAL modes=2 ", nullptr},
        {"modes_many", "DEVICE 0.0 HAL modes=", nullptr},
        {"modes_many,modes_no640", "EnumerateDevices 0x0", "640x480"},
    };
    for (const Case& c : cases) {
        DebuggedProcess run;
        ASSERT_TRUE(run.Start("\"" + DebuggedProcess::WindowsPath(REEF_FRAMEWORK_APP) + "\" /enum",
                              {{"REEF_D3D8_FAIL", c.fault}}));
        ASSERT_TRUE(run.Wait(20000)) << c.fault;
        EXPECT_EQ(0u, run.ExitCode()) << c.fault;
        std::string all;
        int modes = 0;
        for (const std::string& line : run.Lines()) {
            all += line;
            modes += line.rfind("APP MODE 0.0.", 0) == 0;
        }
        EXPECT_NE(std::string::npos, all.find(c.mustHave)) << c.fault;
        if (c.mustNotHave) {
            EXPECT_EQ(std::string::npos, all.find(c.mustNotHave)) << c.fault;
        }
        EXPECT_LE(modes, 100) << "at most 100 distinct modes are listed";
        EXPECT_GE(modes, 1) << c.fault;
    }
}

TEST_F(FrameworkProgram, DefaultModeIs640x480OfTheWantedDepth)
{
    // The added modes are all of the desktop format (32 bits): the debug and
    // configure modes take its 640 x 480; the saver wants 16 bits and, finding
    // none at 640 x 480, keeps the first mode.
    struct Case {
        const char* arguments;
        const char* expected; // start of the current mode's line after its index
    };
    const Case cases[] = {{"/enum", "640x480 format=22"}, {"/enum saver", nullptr}};
    for (const Case& c : cases) {
        DebuggedProcess run;
        ASSERT_TRUE(run.Start("\"" + DebuggedProcess::WindowsPath(REEF_FRAMEWORK_APP) + "\" " + c.arguments,
                              {{"REEF_D3D8_FAIL", "modes_many"}}));
        ASSERT_TRUE(run.Wait(20000));
        std::string device;
        for (const std::string& line : run.Lines())
            if (line.rfind("APP DEVICE 0.0 ", 0) == 0)
                device = line;
        ASSERT_FALSE(device.empty()) << c.arguments;
        const size_t at = device.find("current=");
        ASSERT_NE(std::string::npos, at);
        const std::string current = device.substr(at + 8, device.find(' ', at) - at - 8);
        if (!c.expected) {
            EXPECT_EQ("0", current) << c.arguments;
            continue;
        }
        std::string chosen;
        for (const std::string& line : run.Lines())
            if (line.rfind("APP MODE 0.0." + current + " ", 0) == 0)
                chosen = line;
        EXPECT_NE(std::string::npos, chosen.find(c.expected)) << c.arguments << ": " << chosen;
    }
}

TEST_F(FrameworkProgram, LostDeviceOnAnotherAdapterRereadsThatAdaptersDesktop)
{
    // The device runs in a window on adapter ordinal 1 (record 0); after the
    // loss the desktop mode is read from ordinal 1 before the reset.
    Run("/debug", {{"REEF_D3D8_FAIL", "two_adapters,bad_adapter0,lost=10"}});
    ASSERT_TRUE(program.WaitForLine("APP FirstFrame", 15000));
    const DWORD start = GetTickCount();
    while (LogLines("Reset ").empty() && GetTickCount() - start < 10000)
        Sleep(50);
    ASSERT_EQ(1u, LogLines("Reset ").size());
    EXPECT_TRUE(Exit());
    std::vector<std::string> log = LogLines("");
    auto notReset = std::find_if(log.begin(), log.end(), [](const std::string& line) {
        return line.rfind("TestCooperativeLevel -> 0x88760869", 0) == 0;
    });
    ASSERT_NE(log.end(), notReset);
    int reads = 0;
    for (auto line = notReset; line != log.end(); ++line) {
        if (line->rfind("GetAdapterDisplayMode ", 0) == 0) {
            ++reads;
            EXPECT_EQ("1", Field(*line, "adapter")) << *line;
        }
    }
    EXPECT_GE(reads, 1) << "the desktop mode is read again after the loss";
    EXPECT_EQ("1", Field(LogLines("CreateDevice ").at(0), "adapter"));
}

TEST_F(FrameworkProgram, EnumerationStopsAtItsCapacities)
{
    // Twelve adapters: the ten records take the first ten ordinals, the last
    // two are never asked for.
    {
        DebuggedProcess run;
        const std::string log = "EnumerationStopsAtItsCapacities.adapters.d3d8.log";
        ASSERT_TRUE(Start(run, "/enum", {{"REEF_D3D8_FAIL", "adapters_many"}}, log)) << run.Error();
        ASSERT_TRUE(run.Wait(30000));
        EXPECT_EQ(0u, run.ExitCode());
        std::vector<std::string> adapters, expected;
        for (const std::string& r : Reports(run))
            if (r.rfind("ADAPTER ", 0) == 0)
                adapters.push_back(r.substr(0, r.find(" devices=")));
        for (int a = 0; a < 10; ++a)
            expected.push_back("ADAPTER " + std::to_string(a) + " ordinal=" + std::to_string(a));
        EXPECT_EQ(expected, adapters);
        EXPECT_EQ(1u, LogLines("GetAdapterCount -> 12", log).size());
        EXPECT_FALSE(LogLines("GetAdapterDisplayMode adapter=9 ", log).empty());
        EXPECT_TRUE(LogLines("GetAdapterDisplayMode adapter=10 ", log).empty());
        EXPECT_TRUE(LogLines("GetAdapterDisplayMode adapter=11 ", log).empty());
    }
    // More than twenty formats: each device type checks the desktop format
    // and then the next nineteen of the mode list, no more.
    {
        DebuggedProcess run;
        const std::string log = "EnumerationStopsAtItsCapacities.formats.d3d8.log";
        ASSERT_TRUE(Start(run, "/enum", {{"REEF_D3D8_FAIL", "formats_many"}}, log)) << run.Error();
        ASSERT_TRUE(run.Wait(30000));
        EXPECT_EQ(0u, run.ExitCode());
        const std::vector<std::string> counts = LogLines("GetAdapterModeCount adapter=0 ", log);
        const std::vector<std::string> desktops = LogLines("GetAdapterDisplayMode adapter=0 ", log);
        ASSERT_FALSE(counts.empty());
        ASSERT_FALSE(desktops.empty());
        const std::string desktop = Field(desktops[0], "format");
        const std::vector<std::string> listed = Split(Field(counts[0], "formats"));
        ASSERT_GT(listed.size(), 21u);
        std::vector<std::string> expected = {desktop};
        for (const std::string& f : listed)
            if (f != desktop && expected.size() < 20)
                expected.push_back(f);
        for (const char* type : {"1", "2"}) {
            std::vector<std::string> checked;
            for (const std::string& line : LogLines(std::string("CheckDeviceType adapter=0 type=") + type + " ", log))
                checked.push_back(Field(line, "display"));
            EXPECT_EQ(expected, checked) << "type " << type;
        }
        int modes = 0;
        for (const std::string& r : Reports(run))
            modes += r.rfind("MODE 0.0.", 0) == 0;
        EXPECT_GE(modes, 1) << "the real modes are still offered";
    }
    // And the program runs with both.
    Run("/debug", {{"REEF_D3D8_FAIL", "adapters_many,formats_many"}});
    ASSERT_TRUE(program.WaitForLine("APP FirstFrame", 15000));
    EXPECT_TRUE(Exit());
    EXPECT_EQ(0u, program.ExitCode());
}

TEST_F(FrameworkProgram, EmptyMultisampleListMeansNone)
{
    // The device accepts no multisample type at all, not even none.
    Run("/debug", {{"REEF_D3D8_FAIL", "ms_none"}});
    ASSERT_TRUE(program.WaitForLine("APP FirstFrame", 15000));
    HWND window = MainWindow();
    ASSERT_NE(nullptr, window);
    auto openDialog = [&] {
        PostMessageA(window, WM_COMMAND, CommandChangeDevice, 0);
        return program.FindTopWindow("#32770", 10000);
    };
    HWND dialog = openDialog();
    ASSERT_NE(nullptr, dialog);
    for (int radio : {IdcFullScreenRadio, IdcWindowedRadio}) {
        EXPECT_EQ(0, DialogDriver::ListCount(dialog, IdcMultiSampleList));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IdcMultiSampleList)));
        DialogDriver::Click(dialog, radio);
    }
    EXPECT_EQ(0, DialogDriver::ListCount(dialog, IdcMultiSampleList));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntilGone(dialog, 10000));

    // The next F2 is handled once the first has ended.
    dialog = openDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(1u, LogLines("CreateDevice ").size()) << "OK on an unchanged choice keeps the device";
    DialogDriver::ChooseListEntry(dialog, IdcDeviceList, 1);
    EXPECT_EQ(0, DialogDriver::ListCount(dialog, IdcMultiSampleList));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(program.WaitForLine("APP InitDeviceObjects type=2", 15000));
    EXPECT_TRUE(Reported("InitDeviceObjects type=2 adapter=0 ms=0/0")) << "both multisample types are none";
    const std::vector<std::string> created = LogLines("CreateDevice ");
    ASSERT_EQ(2u, created.size());
    EXPECT_EQ("0", Field(created[1], "ms"));
    EXPECT_TRUE(Exit());
    EXPECT_EQ(0u, program.ExitCode());
}

TEST_F(FrameworkProgram, EveryAcceleratorKeyEndsTheSaver)
{
    struct Case {
        const char* name;
        WORD modifier; // 0 for none
        WORD key;
    };
    const Case cases[] = {{"Esc", 0, VK_ESCAPE}, {"Enter", 0, VK_RETURN},          {"Space", 0, VK_SPACE},
                          {"F2", 0, VK_F2},      {"Alt+Enter", VK_MENU, VK_RETURN}, {"Alt+X", VK_MENU, 'X'}};
    for (const Case& c : cases) {
        DebuggedProcess run;
        ASSERT_TRUE(Start(run, "/s", {}, logPath)) << run.Error();
        ASSERT_TRUE(run.WaitForLine("APP FirstFrame", 15000)) << c.name;
        HWND window = run.FindTopWindow("OruEngine_RG2_CLASS", 10000);
        ASSERT_NE(nullptr, window) << c.name;
        SetForegroundWindow(window);
        ASSERT_TRUE(WaitForFocus(window, 10000)) << c.name << ": the window never had the focus";
        if (c.modifier)
            PressKeys({c.modifier, c.key});
        else
            PressKeys({c.key});
        ASSERT_TRUE(run.Wait(10000)) << c.name << " did not end the saver";
        EXPECT_EQ(0u, run.ExitCode()) << c.name;
        const std::vector<std::string> reports = Reports(run);
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ("Exit 0", reports.back()) << c.name;
    }
}

TEST_F(FrameworkProgram, ReferenceOnlyDefaultSaysWhy)
{
    // Each case leaves the reference device as the only one that can run in
    // a window, for another reason; the box says which and the program goes
    // on with the reference device.
    const std::string reference = "\n\nSwitching to the reference rasterizer,\na software device that implements the "
                                  "entire\nDirect3D feature set, but runs very slowly.";
    const std::string pressF2 = "Press F2 while the app is running to see a\nlist of available devices and modes.";
    struct Case {
        const char* fault;
        std::string reason;
        std::string then; // a second box, at device creation
    };
    const Case cases[] = {
        {"no_hal", "No hardware-accelerated Direct3D devices\nwere found.", ""},
        {"hal_no_depth",
         "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator.", ""},
        {"hal_no_windowed,null_reference",
         "Your Direct3D hardware accelerator cannot\nrender into a window.\n" + pressF2,
         "Warning: Nothing will be rendered.\nThe reference rendering device was selected, but your\ncomputer only has "
         "a reduced-functionality reference device\ninstalled.  Install the DirectX SDK to get the full\nreference "
         "device.\n"},
        {"hal_no_desktop",
         "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display "
         "settings.\n" + pressF2,
         ""},
        {"hal_no_desktop_depth",
         "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator with "
         "the current desktop display\nsettings.\n" + pressF2,
         ""},
    };
    for (const Case& c : cases) {
        DebuggedProcess run;
        ASSERT_TRUE(Start(run, "/debug", {{"REEF_D3D8_FAIL", c.fault}}, logPath)) << run.Error();
        std::string text;
        HWND box = run.FindMessageBox(15000, &text);
        ASSERT_NE(nullptr, box) << c.fault;
        EXPECT_EQ(c.reason + reference, text) << c.fault;
        run.PressButton(IDOK);
        if (!c.then.empty()) {
            ASSERT_TRUE(WaitUntilGone(box, 10000));
            ASSERT_TRUE(run.FindMessageBox(15000, &text)) << c.fault;
            EXPECT_EQ(c.then, text) << c.fault;
            run.PressButton(IDOK);
        }
        ASSERT_TRUE(run.WaitForLine("APP FirstFrame", 15000)) << c.fault;
        bool onReference = false;
        for (const std::string& r : Reports(run))
            onReference |= r.rfind("InitDeviceObjects type=2 ", 0) == 0;
        EXPECT_TRUE(onReference) << c.fault;
        const std::vector<std::string> created = LogLines("CreateDevice ", logPath);
        ASSERT_EQ(1u, created.size()) << c.fault;
        EXPECT_EQ("2", Field(created[0], "type")) << c.fault;
        HWND window = run.FindTopWindow("OruEngine_RG2_CLASS", 5000);
        ASSERT_NE(nullptr, window);
        PostMessageA(window, WM_COMMAND, CommandExit, 0);
        ASSERT_TRUE(run.Wait(10000)) << c.fault;
        EXPECT_EQ(0u, run.ExitCode()) << c.fault;
    }
}
