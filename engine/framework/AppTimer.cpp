#include "AppTimer.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

long long SystemCountsPerSecond()
{
    LARGE_INTEGER frequency;
    return QueryPerformanceFrequency(&frequency) ? frequency.QuadPart : 0;
}

long long SystemCounts()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

unsigned long SystemMilliseconds()
{
    return timeGetTime();
}

const AppTimerSource SystemSource = {SystemCountsPerSecond, SystemCounts, SystemMilliseconds};

// Instants are kept in the clock's own unit: performance-counter counts, or
// seconds when the counter is not available. Counter values are exact in a
// double up to 2^53 counts.
struct ClockState {
    bool initialised = false;
    bool allowCounter = true;
    const AppTimerSource* source = &SystemSource;
    bool useCounter = false;
    double unitsPerSecond = 1.0;
    double stepUnits = 0.0;
    double stopInstant = 0.0; // 0: no stop instant set
    double lastElapsed = 0.0;
    double base = 0.0;
    bool stopped = true;
};

ClockState g_clock;

void Initialise()
{
    const long long frequency = g_clock.allowCounter ? g_clock.source->countsPerSecond() : 0;
    g_clock.useCounter = frequency > 0;
    if (g_clock.useCounter) {
        g_clock.unitsPerSecond = double(frequency);
        g_clock.stepUnits = double(frequency / 10);
    } else {
        g_clock.unitsPerSecond = 1.0;
        g_clock.stepUnits = double(0.1f);
    }
    g_clock.initialised = true;
}

double SystemInstant()
{
    if (g_clock.useCounter)
        return double(g_clock.source->counts());
    return double(g_clock.source->milliseconds()) * 0.001;
}

// The frozen instant while one is set, else the system clock.
double Now()
{
    return g_clock.stopInstant != 0.0 ? g_clock.stopInstant : SystemInstant();
}

} // namespace

float AppTimer(int command)
{
    if (!g_clock.initialised)
        Initialise();

    switch (command) {
    case ClockReset: {
        double now = Now();
        g_clock.base = now;
        g_clock.lastElapsed = now;
        g_clock.stopInstant = 0.0;
        g_clock.stopped = false;
        return 0.0f;
    }
    case ClockStart: {
        double now = SystemInstant();
        if (g_clock.stopped)
            g_clock.base += now - g_clock.stopInstant;
        g_clock.stopInstant = 0.0;
        g_clock.lastElapsed = now;
        g_clock.stopped = false;
        return 0.0f;
    }
    case ClockStop: {
        double now = Now();
        g_clock.stopInstant = now;
        g_clock.lastElapsed = now;
        g_clock.stopped = true;
        return 0.0f;
    }
    case ClockStep:
        // Only a frozen clock can be stepped; on a running clock (or before
        // the first start) a step would plant a stop instant out of nothing.
        if (g_clock.stopped && g_clock.stopInstant != 0.0)
            g_clock.stopInstant += g_clock.stepUnits;
        return 0.0f;
    case ClockAbsoluteTime:
        return float(SystemInstant() / g_clock.unitsPerSecond);
    case ClockAppTime:
        return float((Now() - g_clock.base) / g_clock.unitsPerSecond);
    case ClockElapsedTime: {
        double now = Now();
        double elapsed = (now - g_clock.lastElapsed) / g_clock.unitsPerSecond;
        g_clock.lastElapsed = now;
        return float(elapsed);
    }
    default:
        return -1.0f;
    }
}

void AppTimerResetState(bool allowCounter, const AppTimerSource* source)
{
    g_clock = ClockState();
    g_clock.allowCounter = allowCounter;
    g_clock.source = source ? source : &SystemSource;
}
