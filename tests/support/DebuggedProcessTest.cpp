// DebuggedProcess against a real debuggee (DebugOutputProbe): its debug
// texts arrive in order, its exit code and environment are the ones given,
// its message box can be found, read and answered while it runs, a crash
// ends it with the exception code, and a program left running is ended.

#include "DebuggedProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const DWORD Timeout = 20000;

std::string Probe(const std::string& arguments)
{
    return "\"" + DebuggedProcess::WindowsPath(REEF_DEBUG_OUTPUT_PROBE) + "\" " + arguments;
}

} // namespace

TEST(DebuggedProcess, CollectsTheTextsInOrderAndTheExitCode)
{
    struct Case {
        const char* arguments;
        std::vector<std::string> lines;
        DWORD exitCode;
    };
    const Case cases[] = {
        {"--exit 0", {}, 0},
        {"--say one --say \"two words\" --say \"DXZING:a.cpp:1 - 01:02:03:8876086A\n\" --exit 7",
         {"one", "two words", "DXZING:a.cpp:1 - 01:02:03:8876086A\n"},
         7},
        {"--say \"\" --say last --exit 259", {"", "last"}, 259},
    };
    for (const Case& c : cases) {
        DebuggedProcess process;
        ASSERT_TRUE(process.Start(Probe(c.arguments))) << process.Error();
        ASSERT_TRUE(process.Wait(Timeout)) << c.arguments;
        EXPECT_EQ(c.lines, process.Lines()) << c.arguments;
        EXPECT_EQ(c.exitCode, process.ExitCode()) << c.arguments;
    }
}

TEST(DebuggedProcess, PassesTheEnvironmentOnAndOverridesIt)
{
    SetEnvironmentVariableA("REEF_PROBE_INHERITED", "from the test");
    SetEnvironmentVariableA("REEF_PROBE_REPLACED", "old");
    DebuggedProcess process;
    ASSERT_TRUE(process.Start(Probe("--env REEF_PROBE_INHERITED --env REEF_PROBE_REPLACED --env reef_probe_added "
                                    "--env REEF_PROBE_ABSENT"),
                              {{"REEF_PROBE_REPLACED", "new value"}, {"REEF_PROBE_ADDED", "a=b"}}))
        << process.Error();
    ASSERT_TRUE(process.Wait(Timeout));
    const std::vector<std::string> expected = {"REEF_PROBE_INHERITED=from the test", "REEF_PROBE_REPLACED=new value",
                                               "reef_probe_added=a=b", "REEF_PROBE_ABSENT unset"};
    EXPECT_EQ(expected, process.Lines());
    SetEnvironmentVariableA("REEF_PROBE_INHERITED", nullptr);
    SetEnvironmentVariableA("REEF_PROBE_REPLACED", nullptr);
}

TEST(DebuggedProcess, StartsInTheWorkingDirectoryGiven)
{
    char own[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, own);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    for (const std::string& directory : {std::string(), std::string(system)}) {
        DebuggedProcess process;
        ASSERT_TRUE(process.Start(Probe("--cwd"), {}, directory)) << process.Error();
        ASSERT_TRUE(process.Wait(Timeout));
        const std::string expected = "cwd=" + (directory.empty() ? std::string(own) : directory);
        EXPECT_EQ(std::vector<std::string>{expected}, process.Lines());
    }
}

TEST(DebuggedProcess, FindsReadsAndAnswersTheProgramsMessageBox)
{
    struct Case {
        int button;
        const char* returned;
    };
    for (const Case& c : {Case{IDOK, "box returned 1"}, Case{IDCANCEL, "box returned 2"}}) {
        DebuggedProcess process;
        const std::string arguments = "--say before --box \"The device could not be created.\" --say after --exit 3";
        ASSERT_TRUE(process.Start(Probe(arguments))) << process.Error();
        std::string text;
        ASSERT_TRUE(process.FindMessageBox(Timeout, &text));
        EXPECT_EQ("The device could not be created.", text);
        // The program waits in its box.
        EXPECT_FALSE(process.Finished());
        EXPECT_EQ(std::vector<std::string>{"before"}, process.Lines());
        EXPECT_FALSE(process.PressButton(IDRETRY)) << "a box with no such button";
        ASSERT_TRUE(process.PressButton(c.button));
        ASSERT_TRUE(process.Wait(Timeout));
        EXPECT_EQ((std::vector<std::string>{"before", c.returned, "after"}), process.Lines());
        EXPECT_EQ(3u, process.ExitCode());
    }
}

TEST(DebuggedProcess, TellsTheMessageBoxFromTheProgramsOtherDialogs)
{
    DebuggedProcess process;
    ASSERT_TRUE(process.Start(Probe("--dialog Settings --box Boom --exit 5"))) << process.Error();
    std::string text;
    HWND box = process.FindMessageBox(Timeout, &text);
    ASSERT_TRUE(box);
    EXPECT_EQ("Boom", text);
    // The other dialog is open, above the box.
    HWND dialog = process.FindTopWindow("#32770", 0);
    ASSERT_TRUE(dialog);
    char title[64] = {};
    GetWindowTextA(dialog, title, sizeof title);
    EXPECT_STREQ("Settings", title);
    EXPECT_NE(dialog, box);
    ASSERT_TRUE(process.PressButton(IDOK));
    ASSERT_TRUE(process.Wait(Timeout));
    EXPECT_EQ(5u, process.ExitCode());
}

TEST(DebuggedProcess, NoMessageBoxIsFoundWhenTheProgramShowsNone)
{
    DebuggedProcess process;
    ASSERT_TRUE(process.Start(Probe("--say x"))) << process.Error();
    ASSERT_TRUE(process.Wait(Timeout));
    std::string text = "unchanged";
    EXPECT_EQ(nullptr, process.FindMessageBox(100, &text));
    EXPECT_EQ("", text);
    EXPECT_FALSE(process.PressButton(IDOK));
}

TEST(DebuggedProcess, ACrashEndsTheProgramWithTheExceptionCode)
{
    DebuggedProcess process;
    ASSERT_TRUE(process.Start(Probe("--say \"about to crash\" --crash --say unreachable"))) << process.Error();
    ASSERT_TRUE(process.Wait(Timeout));
    EXPECT_EQ(std::vector<std::string>{"about to crash"}, process.Lines());
    EXPECT_EQ(DWORD(EXCEPTION_ACCESS_VIOLATION), process.ExitCode());
}

TEST(DebuggedProcess, WaitsForALineWhileTheProgramRuns)
{
    DebuggedProcess process;
    ASSERT_TRUE(process.Start(Probe("--say ready --box waiting"))) << process.Error();
    EXPECT_TRUE(process.WaitForLine("read", Timeout));
    EXPECT_FALSE(process.WaitForLine("never written", 300));
    EXPECT_FALSE(process.Finished());
    process.Terminate(42);
    ASSERT_TRUE(process.Wait(Timeout));
    EXPECT_EQ(42u, process.ExitCode());
    EXPECT_FALSE(process.WaitForLine("never written", Timeout)) << "the program has ended";
}

TEST(DebuggedProcess, TheDestructorEndsAProgramStillRunning)
{
    DWORD id = 0;
    HWND box = nullptr;
    {
        DebuggedProcess process;
        ASSERT_TRUE(process.Start(Probe("--box waiting"))) << process.Error();
        box = process.FindMessageBox(Timeout);
        ASSERT_TRUE(box);
        id = process.ProcessId();
    }
    EXPECT_FALSE(IsWindow(box));
    // Gone, or at least ended.
    if (HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, id)) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handle, 0));
        CloseHandle(handle);
    }
}

TEST(DebuggedProcess, ReportsAProgramThatCannotStart)
{
    DebuggedProcess process;
    EXPECT_FALSE(process.Start("\"Z:\\no\\such\\program.exe\""));
    EXPECT_NE(std::string::npos, process.Error().find("CreateProcess failed")) << process.Error();
    EXPECT_TRUE(process.Wait(0));
    EXPECT_TRUE(process.Lines().empty());
    EXPECT_FALSE(process.Start(Probe("--exit 0"))) << "one program per object";
}
