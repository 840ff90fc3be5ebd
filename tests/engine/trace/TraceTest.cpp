// Result trace and debug print, observed through the real debug-output channel.

#include "DebugOutputCapture.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

#include <gtest/gtest.h>

#include <string>

TEST(TraceD3DResult, WritesOneLineForEveryNonZeroResult)
{
    struct Case {
        HRESULT hr;
        const char* path;
        int line;
        const char* time;
        int result;
        const char* expected; // null: nothing written
    };
    const Case cases[] = {
        {0, "engine/scene/OruWorld.cpp", 12, "01:02:03", 0, nullptr},
        {HRESULT(0x8876086C), "saver/fish.cpp", 204, "03:19:17", 1, "DXZING:saver/fish.cpp:204 - 03:19:17:8876086C\n"},
        {1, "engine/servers/VBServer.cpp", 7, "23:59:59", 1, "DXZING:engine/servers/VBServer.cpp:7 - 23:59:59:1\n"},
        {HRESULT(0x80004005), "a.cpp", 0, "00:00:00", 1, "DXZING:a.cpp:0 - 00:00:00:80004005\n"},
        {0x10, "b.cpp", -1, "10:20:30", 1, "DXZING:b.cpp:-1 - 10:20:30:10\n"},
    };
    for (const Case& c : cases) {
        DebugOutputCapture capture;
        EXPECT_EQ(c.result, TraceD3DResult(c.path, c.line, c.time, c.hr)) << std::hex << c.hr;
        if (c.expected) {
            ASSERT_EQ(1u, capture.Lines().size()) << std::hex << c.hr;
            EXPECT_EQ(c.expected, capture.Lines()[0]);
        } else {
            EXPECT_TRUE(capture.Lines().empty());
        }
    }
}

TEST(TraceD3DResult, LongSourcePathIsCutButTheLineStillEnds)
{
    std::string path(2000, 'p');
    DebugOutputCapture capture;
    EXPECT_EQ(1, TraceD3DResult(path.c_str(), 1, "01:02:03", E_FAIL));
    ASSERT_EQ(1u, capture.Lines().size());
    const std::string& line = capture.Lines()[0];
    EXPECT_EQ(511u, line.size());
    EXPECT_EQ(0u, line.rfind("DXZING:ppp", 0));
    EXPECT_EQ('\n', line.back());
}

TEST(TraceD3DResult, CallSiteMacroNamesTheCallingFileAndLine)
{
    DebugOutputCapture capture;
    const int line = __LINE__ + 1;
    EXPECT_EQ(1, TRACE_D3D(E_OUTOFMEMORY));
    ASSERT_EQ(1u, capture.Lines().size());
    std::string expected = std::string("DXZING:") + __FILE__ + ":" + std::to_string(line) + " - " + __TIME__ + ":8007000E\n";
    EXPECT_EQ(expected, capture.Lines()[0]);
    EXPECT_EQ(0, TRACE_D3D(S_OK));
    EXPECT_EQ(1u, capture.Lines().size());
}

TEST(DebugPrint, BothFormsReturnZeroAndWriteNothing)
{
    DebugOutputCapture capture;
    EXPECT_EQ(0, DebugPrint("one time scene init.\n"));
    EXPECT_EQ(0, DebugPrint("Illegal VS:%X\n", 0x1234));
    EXPECT_EQ(0, DebugPrint(2, "!MDF"));
    EXPECT_EQ(0, DebugPrint(0, "%s %d %f", "name", 3, 1.5));
    EXPECT_TRUE(capture.Lines().empty());
}
