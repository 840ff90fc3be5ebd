// The application clock, with the performance counter and with the
// millisecond fallback, on a scripted source whose time moves only when the
// test moves it; and once on the system's clocks, with lower bounds only (a
// busy machine makes time pass faster, never slower).

#include "framework/AppTimer.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// A scripted clock: a counter of 10 MHz (Wine's rate) far from zero, and a
// millisecond timer far from zero.
const long long CountsPerSecond = 10000000;
long long g_counts = 0;
unsigned long g_milliseconds = 0;

long long ScriptedCountsPerSecond()
{
    return CountsPerSecond;
}
long long ScriptedCounts()
{
    return g_counts;
}
unsigned long ScriptedMilliseconds()
{
    return g_milliseconds;
}
const AppTimerSource Scripted = {ScriptedCountsPerSecond, ScriptedCounts, ScriptedMilliseconds};

// Moves the scripted time on by a whole number of milliseconds.
void Pass(unsigned long ms)
{
    g_counts += (long long)ms * (CountsPerSecond / 1000);
    g_milliseconds += ms;
}

// The exactness the clock's float results allow for times of a few seconds.
const double Exact = 1e-6;

class AppTimerTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        g_counts = 12345678901LL;
        g_milliseconds = 987654;
        AppTimerResetState(GetParam(), &Scripted);
    }
    void TearDown() override { AppTimerResetState(true); }
    // One clock step in seconds: a tenth of the counter's rate in counts, or
    // 0.1 as a float in seconds.
    double Step() const { return GetParam() ? double(CountsPerSecond / 10) / double(CountsPerSecond) : double(0.1f); }
};

} // namespace

TEST_P(AppTimerTest, StartsAtZeroAndRuns)
{
    AppTimer(ClockStart);
    EXPECT_EQ(0.0f, AppTimer(ClockAppTime));
    Pass(60);
    EXPECT_NEAR(0.06, AppTimer(ClockAppTime), Exact);
    Pass(1940);
    EXPECT_NEAR(2.0, AppTimer(ClockAppTime), Exact);
}

TEST_P(AppTimerTest, StopFreezesStepMovesOnStartResumes)
{
    AppTimer(ClockStart);
    Pass(20);
    EXPECT_EQ(0.0f, AppTimer(ClockStop));
    const float frozen = AppTimer(ClockAppTime);
    EXPECT_NEAR(0.02, frozen, Exact);
    Pass(40);
    EXPECT_EQ(frozen, AppTimer(ClockAppTime));
    EXPECT_EQ(0.0f, AppTimer(ClockElapsedTime));
    EXPECT_EQ(0.0f, AppTimer(ClockElapsedTime));

    // A second stop keeps the first stop instant.
    Pass(10);
    AppTimer(ClockStop);
    EXPECT_EQ(frozen, AppTimer(ClockAppTime));

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(0.0f, AppTimer(ClockStep));
    EXPECT_NEAR(frozen + 3 * Step(), AppTimer(ClockAppTime), Exact);
    // The step shows in the next elapsed time, then the clock stands again.
    EXPECT_NEAR(3 * Step(), AppTimer(ClockElapsedTime), Exact);
    EXPECT_EQ(0.0f, AppTimer(ClockElapsedTime));

    // The time spent stopped is not counted: the clock goes on from where
    // the steps left it.
    const float beforeStart = AppTimer(ClockAppTime);
    Pass(50);
    AppTimer(ClockStart);
    EXPECT_NEAR(beforeStart, AppTimer(ClockAppTime), Exact);
    Pass(30);
    EXPECT_NEAR(beforeStart + 0.03, AppTimer(ClockAppTime), Exact);
    EXPECT_NEAR(0.03, AppTimer(ClockElapsedTime), Exact) << "elapsed counts from the start";
}

TEST_P(AppTimerTest, ElapsedTimeWhileRunning)
{
    AppTimer(ClockStart);
    Pass(5);
    EXPECT_NEAR(0.005, AppTimer(ClockElapsedTime), Exact) << "from the start";
    Pass(30);
    EXPECT_NEAR(0.03, AppTimer(ClockElapsedTime), Exact);
    EXPECT_EQ(0.0f, AppTimer(ClockElapsedTime));
    Pass(17);
    EXPECT_NEAR(0.017, AppTimer(ClockElapsedTime), Exact);
    EXPECT_NEAR(0.052, AppTimer(ClockAppTime), Exact) << "reading elapsed time leaves the application time";
}

TEST_P(AppTimerTest, AbsoluteTimeRunsWhileStopped)
{
    AppTimer(ClockStart);
    AppTimer(ClockStop);
    const double source = GetParam() ? double(g_counts) / double(CountsPerSecond) : g_milliseconds * 0.001;
    const float a0 = AppTimer(ClockAbsoluteTime);
    EXPECT_NEAR(source, a0, 1e-3) << "the source's own time in seconds";
    Pass(40);
    const float a1 = AppTimer(ClockAbsoluteTime);
    EXPECT_NEAR(0.04, double(a1) - double(a0), 1e-3);
    EXPECT_EQ(0.0f, AppTimer(ClockAppTime)) << "the application time stands";
}

TEST_P(AppTimerTest, StepOnARunningClockIsIgnored)
{
    AppTimer(ClockStart);
    AppTimer(ClockStep);
    EXPECT_EQ(0.0f, AppTimer(ClockAppTime));
    Pass(40);
    EXPECT_NEAR(0.04, AppTimer(ClockAppTime), Exact) << "a step must not freeze a running clock";

    // A step before the very first start is ignored too.
    AppTimerResetState(GetParam(), &Scripted);
    AppTimer(ClockStep);
    AppTimer(ClockStart);
    EXPECT_EQ(0.0f, AppTimer(ClockAppTime));
    Pass(10);
    EXPECT_NEAR(0.01, AppTimer(ClockAppTime), Exact);
}

TEST_P(AppTimerTest, UnknownCommandReturnsMinusOneAndChangesNothing)
{
    AppTimer(ClockStart);
    Pass(25);
    AppTimer(ClockStop);
    const float frozen = AppTimer(ClockAppTime);
    for (int command : {-1, 7, 100})
        EXPECT_EQ(-1.0f, AppTimer(command));
    EXPECT_EQ(frozen, AppTimer(ClockAppTime));
    AppTimer(ClockStart);
    Pass(5);
    EXPECT_NEAR(0.03, AppTimer(ClockAppTime), Exact);
}

TEST_P(AppTimerTest, ResetRestartsApplicationTimeAndRuns)
{
    AppTimer(ClockStart);
    Pass(30);
    AppTimer(ClockStop);
    EXPECT_EQ(0.0f, AppTimer(ClockReset));
    EXPECT_EQ(0.0f, AppTimer(ClockAppTime));
    Pass(30);
    EXPECT_NEAR(0.03, AppTimer(ClockAppTime), Exact) << "a reset clock runs";
    EXPECT_NEAR(0.03, AppTimer(ClockElapsedTime), Exact) << "elapsed counts from the reset";
}

// The program's own clocks: time passes at least as fast as Sleep waits, and
// a stopped clock stands.
TEST_P(AppTimerTest, SystemClockRunsAndStands)
{
    AppTimerResetState(GetParam());
    AppTimer(ClockStart);
    const float t0 = AppTimer(ClockAppTime);
    EXPECT_GE(t0, 0.0f);
    Sleep(60);
    const float t1 = AppTimer(ClockAppTime);
    EXPECT_GT(t1, t0 + 0.04f);
    AppTimer(ClockStop);
    const float frozen = AppTimer(ClockAppTime);
    Sleep(20);
    EXPECT_EQ(frozen, AppTimer(ClockAppTime));
    const float a0 = AppTimer(ClockAbsoluteTime);
    Sleep(30);
    EXPECT_GT(AppTimer(ClockAbsoluteTime), a0);
}

INSTANTIATE_TEST_SUITE_P(Clock, AppTimerTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "PerformanceCounter" : "MillisecondTimer";
                         });
