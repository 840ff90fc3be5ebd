// Timing probe of the world's frame: the shortest and longest time between
// consecutive marks of each phase, after the first 100 frames, and the time of
// day as text for the world's periodic trace. It changes nothing it measures.
#pragma once

#include <cstdint>

enum OruFramePhase : int32_t { FramePhaseUpdate = 0, FramePhaseRender = 1, FramePhaseClone = 2, FramePhaseCount = 3 };

class OruFrameProbe {
public:
    OruFrameProbe();

    // Notes the application timer's absolute time for phase at frame.
    void Mark(OruFramePhase phase, uint32_t frame);
    // Writes the time of day as "hh:mm:ss" into timeOfDay and returns it.
    const char* FormatTimeOfDay();

    float lastMark[FramePhaseCount];
    float minInterval[FramePhaseCount];
    float maxInterval[FramePhaseCount];
    char timeOfDay[16];
};
