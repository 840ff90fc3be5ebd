// The application clock: seconds since start, stoppable, steppable while
// stopped. One function over process-wide state.
#pragma once

enum AppTimerCommand {
    ClockReset = 0,        // base and last-elapsed instants := now; running
    ClockStart = 1,        // resume; the time spent stopped is not counted
    ClockStop = 2,         // freeze the clock at this instant
    ClockStep = 3,         // while stopped: move the frozen instant on by 0.1 s
    ClockAbsoluteTime = 4, // system time in seconds, also while stopped
    ClockAppTime = 5,      // application time in seconds
    ClockElapsedTime = 6   // seconds since the previous ClockElapsedTime
};

// Runs one command; returns its time in seconds, 0.0 for the commands that
// only change state, and -1.0 for an unknown command.
float AppTimer(int command);

// Where the clock reads the time: the performance counter's rate (0 when
// there is no counter) and count, and the millisecond timer used without
// it. The program reads QueryPerformanceFrequency, QueryPerformanceCounter
// and timeGetTime; a test gives its own so that time passes only when it says.
struct AppTimerSource {
    long long (*countsPerSecond)();
    long long (*counts)();
    unsigned long (*milliseconds)();
};

// Forgets all clock state so that the next call initialises again, using the
// performance counter only when allowCounter is set, and reading source
// (the system's clocks when null). For tests.
void AppTimerResetState(bool allowCounter, const AppTimerSource* source = nullptr);
