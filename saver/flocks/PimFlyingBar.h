// The mover of a flock's hidden leader (and of the camera's wandering fish):
// a path wanderer that also records, per formation column, the path of a
// point fixed in the body's frame, which rolls about the heading at the
// FBRotation setting. Each column's trail is what one formation column
// follows.
#pragma once

#include "flocks/CPathWanderer.h"

#include "scene/OruTrailRecorder.h"

#include "mesh/Vector3.h"

#include <cstdint>

// Columns a bar can record.
const int FlyingBarColumnCapacity = 30;

class PimFlyingBar : public CPathWanderer {
public:
    // A bar of columns columns (at most FlyingBarColumnCapacity are made;
    // a count below 0 makes none), each with its trail recorder and a random
    // offset across the heading.
    explicit PimFlyingBar(int columns);
    ~PimFlyingBar() override;

    // Deletes the column trails, then the base clean-up; returns 0.
    HRESULT FinalCleanup() override;

    // Steers body as a path wanderer, rolls it and samples every column.
    void Follow(float time, float prevTime, OruObject* body) override;

    // Column column's trail; null for a column the bar does not have.
    OruTrailRecorder* ColumnTrail(int column) const;
    // Whether every column got its trail recorder (false when one could
    // not be allocated).
    bool Complete() const;

    Vector3 columnOffsets[FlyingBarColumnCapacity]; // in the body's own frame
    OruTrailRecorder* columnTrails[FlyingBarColumnCapacity]; // owned
    int32_t columns;

private:
    void FreeTrails();
};
