// The application clock, with the performance counter and with the
// millisecond fallback.

#include "framework/AppTimer.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

class AppTimerTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { AppTimerResetState(GetParam()); }
    // One clock step in seconds as the clock computes it.
    double Step() const
    {
        if (!GetParam())
            return double(0.1f);
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart / 10) / double(f.QuadPart);
    }
};

} // namespace

TEST_P(AppTimerTest, StartsAtZeroAndRuns)
{
    AppTimer(ClockStart);
    float t0 = AppTimer(ClockAppTime);
    EXPECT_GE(t0, 0.0f);
    EXPECT_LT(t0, 0.05f);
    Sleep(60);
    float t1 = AppTimer(ClockAppTime);
    EXPECT_GT(t1, t0 + 0.03f);
    EXPECT_LT(t1, t0 + 1.0f);
}

TEST_P(AppTimerTest, StopFreezesStepMovesOnStartResumes)
{
    AppTimer(ClockStart);
    Sleep(20);
    EXPECT_EQ(0.0f, AppTimer(ClockStop));
    float frozen = AppTimer(ClockAppTime);
    Sleep(40);
    EXPECT_EQ(frozen, AppTimer(ClockAppTime));
    EXPECT_EQ(0.0f, AppTimer(ClockElapsedTime));
    EXPECT_EQ(0.0f, AppTimer(ClockElapsedTime));

    // A second stop keeps the first stop instant.
    AppTimer(ClockStop);
    EXPECT_EQ(frozen, AppTimer(ClockAppTime));

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(0.0f, AppTimer(ClockStep));
    EXPECT_NEAR(frozen + 3 * Step(), AppTimer(ClockAppTime), 1e-5);
    // The step shows in the next elapsed time, then the clock stands again.
    EXPECT_NEAR(3 * Step(), AppTimer(ClockElapsedTime), 1e-5);
    EXPECT_EQ(0.0f, AppTimer(ClockElapsedTime));

    float beforeStart = AppTimer(ClockAppTime);
    Sleep(50); // stopped time is not counted
    AppTimer(ClockStart);
    float resumed = AppTimer(ClockAppTime);
    EXPECT_GE(resumed, beforeStart);
    EXPECT_LT(resumed, beforeStart + 0.03f);
}

TEST_P(AppTimerTest, ElapsedTimeWhileRunning)
{
    AppTimer(ClockStart);
    AppTimer(ClockElapsedTime);
    Sleep(30);
    float elapsed = AppTimer(ClockElapsedTime);
    EXPECT_GT(elapsed, 0.015f);
    EXPECT_LT(elapsed, 1.0f);
    float again = AppTimer(ClockElapsedTime);
    EXPECT_GE(again, 0.0f);
    EXPECT_LT(again, 0.02f);
}

TEST_P(AppTimerTest, AbsoluteTimeRunsWhileStopped)
{
    AppTimer(ClockStart);
    AppTimer(ClockStop);
    float a0 = AppTimer(ClockAbsoluteTime);
    Sleep(40);
    float a1 = AppTimer(ClockAbsoluteTime);
    EXPECT_GT(a1, a0);
}

TEST_P(AppTimerTest, StepOnARunningClockIsIgnored)
{
    AppTimer(ClockStart);
    AppTimer(ClockStep);
    float t0 = AppTimer(ClockAppTime);
    Sleep(40);
    float t1 = AppTimer(ClockAppTime);
    EXPECT_GT(t1, t0 + 0.02f) << "a step must not freeze a running clock";
    EXPECT_LT(t1, t0 + 0.5f);

    // A step before the very first start is ignored too.
    AppTimerResetState(GetParam());
    AppTimer(ClockStep);
    AppTimer(ClockStart);
    EXPECT_LT(AppTimer(ClockAppTime), 0.05f);
}

TEST_P(AppTimerTest, UnknownCommandReturnsMinusOneAndChangesNothing)
{
    AppTimer(ClockStart);
    AppTimer(ClockStop);
    float frozen = AppTimer(ClockAppTime);
    for (int command : {-1, 7, 100})
        EXPECT_EQ(-1.0f, AppTimer(command));
    EXPECT_EQ(frozen, AppTimer(ClockAppTime));
}

TEST_P(AppTimerTest, ResetRestartsApplicationTimeAndRuns)
{
    AppTimer(ClockStart);
    Sleep(30);
    AppTimer(ClockStop);
    EXPECT_EQ(0.0f, AppTimer(ClockReset));
    EXPECT_LT(AppTimer(ClockAppTime), 0.02f);
    Sleep(30);
    EXPECT_GT(AppTimer(ClockAppTime), 0.015f);
}

INSTANTIATE_TEST_SUITE_P(Clock, AppTimerTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "PerformanceCounter" : "MillisecondTimer";
                         });
