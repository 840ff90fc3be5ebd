// One strip: its start, its faces in strip order (not owned), and the claims
// it makes on faces, as a trial strip (trial >= 0) or an adopted one (-1).
#pragma once

#include "StripFace.h"
#include "StripStart.h"

#include <cstdint>
#include <vector>

struct StripRecord {
    StripRecord(const StripStart& start, int32_t stripNumber, int32_t trialNumber)
        : startFace(start.face), startEdge(start.edge), forward(start.forward), number(stripNumber),
          trial(trialNumber), visited(false)
    {
    }

    // A trial strip marks the face with its trial; any other strip owns it.
    void Claim(StripFace& face) const
    {
        if (trial >= 0) {
            face.trial = trial;
            face.trialStrip = number;
        } else {
            face.trial = -1;
            face.ownerStrip = number;
        }
    }

    // Held by an adopted strip, or claimed by this strip's own trial.
    bool IsTaken(const StripFace& face) const { return face.ownerStrip >= 0 || (trial >= 0 && face.trial == trial); }

    bool IsInStrip(const StripFace& face) const { return (trial >= 0 ? face.trialStrip : face.ownerStrip) == number; }

    StripFace* startFace;
    StripEdge* startEdge;
    bool forward;
    std::vector<StripFace*> faces;
    int32_t number;
    int32_t trial;
    bool visited;
};
