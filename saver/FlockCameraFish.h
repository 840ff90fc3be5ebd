// The fish the camera can ride with or look at: per flock the head, centre
// and tail fish of the first formation column, and the hidden fish that
// carries the wandering point. None of them is owned here (the world owns
// every fish); entries stay null until the scene is built.
#pragma once

class OruObject;

struct FlockCameraFishEntry {
    OruObject* head;
    OruObject* centre;
    OruObject* tail;
};

const int FlockCameraFishCount = 10;

extern FlockCameraFishEntry FlockCameraFish[FlockCameraFishCount];
extern OruObject* WanderingPointFish;
