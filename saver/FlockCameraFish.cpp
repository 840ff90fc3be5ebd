#include "FlockCameraFish.h"

FlockCameraFishEntry FlockCameraFish[FlockCameraFishCount] = {};
OruObject* WanderingPointFish = nullptr;
