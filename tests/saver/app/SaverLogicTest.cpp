// The screensaver's pure rules: the command line, the input rule and the
// device rule for hardware vertex processing.
#include "app/CommandLine.h"
#include "app/SelApplication.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

UINT_PTR Handle(HWND window)
{
    return reinterpret_cast<UINT_PTR>(window);
}

// Notes the C runtime's reports of an invalid parameter (a null given to
// strtoul, say) while it lives: a call of the invalid-parameter handler, and
// errno set to EINVAL, which is all Wine's msvcrt.dll does (it has no
// handler to call). Either way the call returns as it would without a
// handler, so the parse goes on and the report tells.
class InvalidParameters {
public:
    InvalidParameters() : previous_(_set_invalid_parameter_handler(Record)) { Clear(); }
    ~InvalidParameters() { _set_invalid_parameter_handler(previous_); }
    static void Clear()
    {
        calls_ = 0;
        errno = 0;
    }
    static bool Reported() { return calls_ > 0 || errno == EINVAL; }

private:
    static void Record(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) { ++calls_; }
    static int calls_;
    _invalid_parameter_handler previous_;
};
int InvalidParameters::calls_ = 0;

TEST(CommandLineParse, SwitchesAndHandles)
{
    struct Case {
        const char* line;
        RunMode mode;
        UINT_PTR host;
    };
    const Case cases[] = {
        {"", RunModeConfigure, 0},          {"   ", RunModeConfigure, 0},     {"/s", RunModeSaver, 0},
        {"/S", RunModeSaver, 0},            {"/s:123", RunModeSaver, 0},      {"  /s", RunModeSaver, 0},
        {":/s", RunModeSaver, 0},           {"/p 1234", RunModePreview, 1234}, {"/p:1234", RunModePreview, 1234},
        {"/P:1234", RunModePreview, 1234}, {"/p abc", RunModePreview, 0},    {"/p", RunModePreview, 0},
        {"/p:", RunModePreview, 0},         {"/c", RunModeConfigure, 0},      {"/c:5678", RunModeConfigure, 0},
        {"/C", RunModeConfigure, 0},        {"/a", RunModeChangePassword, 0}, {"/A", RunModeChangePassword, 0},
        {"/debug", RunModeDebug, 0},        {"/DEBUG", RunModeDebug, 0},      {"/debugx", RunModeConfigure, 0},
        {"/d", RunModeConfigure, 0},        {"x /s", RunModeConfigure, 0},    {"s", RunModeConfigure, 0},
    };
    InvalidParameters invalid;
    // The runtime reports a null given to strtoul, so a parse that passes
    // one on is seen.
    const char* none = nullptr;
    EXPECT_EQ(0ul, std::strtoul(none, nullptr, 10));
    ASSERT_TRUE(InvalidParameters::Reported()) << "the runtime no longer reports a null given to strtoul";
    for (const Case& c : cases) {
        InvalidParameters::Clear();
        ParsedCommandLine parsed = ParseCommandLine(c.line);
        EXPECT_FALSE(InvalidParameters::Reported()) << '"' << c.line << "\": an invalid parameter reached the runtime";
        EXPECT_EQ(c.mode, parsed.mode) << '"' << c.line << '"';
        EXPECT_EQ(c.host, Handle(parsed.host)) << '"' << c.line << '"';
    }
    InvalidParameters::Clear();
    EXPECT_EQ(RunModeConfigure, ParseCommandLine(nullptr).mode);
    EXPECT_FALSE(InvalidParameters::Reported()) << "no line: an invalid parameter reached the runtime";
}

TEST(CommandLineParse, LongLinesAreCutAt255Characters)
{
    // A long line is read in its first 255 characters, never past them.
    std::string line = "/a " + std::string(1200, 'x');
    EXPECT_EQ(RunModeChangePassword, ParseCommandLine(line.c_str()).mode);

    // The handle after "/p" ends at character 255: digits beyond are not read.
    std::string padded = "/p" + std::string(248, ' ') + "12345678";
    ASSERT_EQ(258u, padded.size());
    EXPECT_EQ(12345u, Handle(ParseCommandLine(padded.c_str()).host));

    // A first token that only starts within the first 255 characters is cut too.
    std::string late = std::string(254, ' ') + "/s";
    EXPECT_EQ(RunModeConfigure, ParseCommandLine(late.c_str()).mode);
}

TEST(SaverInput, DecisionTable)
{
    struct Case {
        const char* name;
        RunMode mode;
        bool mouseCamera;
        UINT message;
        POINT cursor;
        SaverInputAction action;
        POINT lastAfter;
    };
    const POINT origin = {100, 100};
    const Case cases[] = {
        {"small move", RunModeSaver, false, WM_MOUSEMOVE, {103, 103}, SaverInputPassOn, {103, 103}},
        {"9 pixels", RunModeSaver, false, WM_MOUSEMOVE, {109, 100}, SaverInputPassOn, {109, 100}},
        {"10 pixels", RunModeSaver, false, WM_MOUSEMOVE, {105, 105}, SaverInputEnd, origin},
        {"negative jump", RunModeSaver, false, WM_MOUSEMOVE, {90, 100}, SaverInputEnd, origin},
        {"left click", RunModeSaver, false, WM_LBUTTONDOWN, origin, SaverInputEnd, origin},
        {"right click", RunModeSaver, false, WM_RBUTTONDOWN, origin, SaverInputEnd, origin},
        {"middle click", RunModeSaver, false, WM_MBUTTONDOWN, origin, SaverInputPassOn, origin},
        {"key", RunModeSaver, false, WM_KEYDOWN, origin, SaverInputEnd, origin},
        {"system key", RunModeSaver, false, WM_SYSKEYDOWN, origin, SaverInputPassOn, origin},
        {"context menu", RunModeSaver, false, WM_CONTEXTMENU, origin, SaverInputSwallow, origin},
        {"mouse camera jump", RunModeSaver, true, WM_MOUSEMOVE, {150, 150}, SaverInputPassOn, origin},
        {"mouse camera click", RunModeSaver, true, WM_LBUTTONDOWN, origin, SaverInputPassOn, origin},
        {"mouse camera right", RunModeSaver, true, WM_RBUTTONDOWN, origin, SaverInputPassOn, origin},
        {"mouse camera key", RunModeSaver, true, WM_KEYDOWN, origin, SaverInputEnd, origin},
        {"debug jump", RunModeDebug, false, WM_MOUSEMOVE, {150, 150}, SaverInputPassOn, origin},
        {"debug click", RunModeDebug, false, WM_LBUTTONDOWN, origin, SaverInputPassOn, origin},
        {"debug key", RunModeDebug, false, WM_KEYDOWN, origin, SaverInputPassOn, origin},
        {"debug context menu", RunModeDebug, false, WM_CONTEXTMENU, origin, SaverInputSwallow, origin},
    };
    for (const Case& c : cases) {
        POINT last = origin;
        EXPECT_EQ(c.action, DecideSaverInput(c.mode, c.mouseCamera, c.message, c.cursor, &last)) << c.name;
        EXPECT_EQ(c.lastAfter.x, last.x) << c.name;
        EXPECT_EQ(c.lastAfter.y, last.y) << c.name;
    }
}

TEST(SaverInput, SlowMovesNeverEndTheSaverBecauseEachStepMovesTheReference)
{
    POINT last = {0, 0};
    for (int i = 1; i <= 50; ++i) {
        POINT cursor = {i * 3, i * 3};
        ASSERT_EQ(SaverInputPassOn, DecideSaverInput(RunModeSaver, false, WM_MOUSEMOVE, cursor, &last)) << i;
    }
    EXPECT_EQ(150, last.x);
    POINT jump = {160, 150};
    EXPECT_EQ(SaverInputEnd, DecideSaverInput(RunModeSaver, false, WM_MOUSEMOVE, jump, &last));
}

TEST(SaverDevice, HardwareVertexProcessingNeedsVertexShaders)
{
    struct Case {
        DWORD behaviour;
        DWORD vertexShaderVersion;
        HRESULT result;
    };
    const Case cases[] = {
        {D3DCREATE_HARDWARE_VERTEXPROCESSING, 0xFFFE0100, 0},
        {D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, 0xFFFE0101, 0},
        {D3DCREATE_MIXED_VERTEXPROCESSING, 0xFFFE0100, 0},
        {D3DCREATE_HARDWARE_VERTEXPROCESSING, 0xFFFE0000, E_FAIL},
        {D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, 0, E_FAIL},
        {D3DCREATE_MIXED_VERTEXPROCESSING, 0xFFFE0000, E_FAIL},
        {D3DCREATE_SOFTWARE_VERTEXPROCESSING, 0, 0},
    };
    SelApplication app;
    for (const Case& c : cases) {
        D3DCAPS8 caps = {};
        caps.VertexShaderVersion = c.vertexShaderVersion;
        EXPECT_EQ(c.result, app.AcceptDevice(&caps, c.behaviour, D3DFMT_X8R8G8B8))
            << std::hex << c.behaviour << " " << c.vertexShaderVersion;
    }
    app.FinalCleanup();
}

} // namespace
