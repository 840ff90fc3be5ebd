#include "OruFrameProbe.h"

#include "framework/AppTimer.h"

#include <windows.h>

#include <cstdio>

namespace {

// Frames before the probe starts keeping extremes (start-up is not typical).
const uint32_t ProbeSettleFrames = 100;

} // namespace

OruFrameProbe::OruFrameProbe() : lastMark(), minInterval(), maxInterval(), timeOfDay()
{
    for (int i = 0; i < FramePhaseCount; ++i) {
        lastMark[i] = -1.0f;
        minInterval[i] = 1.0e30f;
        maxInterval[i] = 0.0f;
    }
}

void OruFrameProbe::Mark(OruFramePhase phase, uint32_t frame)
{
    if (phase < 0 || phase >= FramePhaseCount)
        return;
    const float now = AppTimer(ClockAbsoluteTime);
    if (frame > ProbeSettleFrames && lastMark[phase] >= 0.0f) {
        const float interval = now - lastMark[phase];
        if (interval < minInterval[phase])
            minInterval[phase] = interval;
        if (interval > maxInterval[phase])
            maxInterval[phase] = interval;
    }
    lastMark[phase] = now;
}

const char* OruFrameProbe::FormatTimeOfDay()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::snprintf(timeOfDay, sizeof timeOfDay, "%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
    return timeOfDay;
}
