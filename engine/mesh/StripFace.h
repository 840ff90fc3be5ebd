// One accepted input triangle of the strip search, with the claims that trial
// and adopted strips make on it.
#pragma once

#include <cstdint>

struct StripFace {
    // A face that no strip holds or has claimed yet.
    StripFace(int32_t a, int32_t b, int32_t c) : va(a), vb(b), vc(c), ownerStrip(-1), trialStrip(-1), trial(-1) {}

    bool HasVertex(int32_t v) const { return v == va || v == vb || v == vc; }

    int32_t va;
    int32_t vb;
    int32_t vc;
    int32_t ownerStrip; // number of the adopted strip holding the face, -1 while none
    int32_t trialStrip; // number of the trial strip that last claimed the face
    int32_t trial;      // trial number of the last claim; -1 at first and after adoption
};
