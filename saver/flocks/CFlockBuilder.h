// Builds the aquarium's flocks once, while the scene is set up: per flock a
// hidden leader on a flying bar, a formation of rows x columns fish on the
// bar's column trails and a few followers around each formation fish; then
// one fish group per formation row with its followers and, with the
// clone-fish technique, one render texture per group. Records the head,
// centre and tail fish of each flock's first column for the camera, and
// makes the camera's wandering-point fish.
#pragma once

#include "scene/OruFlockRecord.h"

#include "mesh/Vector3.h"

#include <windows.h>

#include <cstdint>

class CFish;
class CFishFactory;
class OruObject;
class OruWorld;

// Flock shape tables, indexed [FlockForm][FlockScale]: formation rows,
// formation columns and followers per formation fish.
const int FlockShapeCount = 3;
extern const int32_t FlockLengthTable[FlockShapeCount][FlockShapeCount];
extern const int32_t FlockWidthTable[FlockShapeCount][FlockShapeCount];
extern const int32_t FlockFollowerTable[FlockShapeCount][FlockShapeCount];

// Where flock i starts: x +2 for i < 4, else -2; y -2 when bit 1 of i is
// set, else +2; z -2 when bit 0 is set, else +2.
const int FlockStartCornerCount = 8;
extern const Vector3 FlockStartCorners[FlockStartCornerCount];

// Entries of the temporary fish list: every formation row's fish, each row
// ended by a null, and one more null at the end.
const int FlockFishListCapacity = 5000;

class CFlockBuilder {
public:
    // world: where everything built is added (it takes ownership); factory:
    // makes the fish; showCloneTexture: add the viewer of the first clone
    // group's texture (the debug run mode).
    CFlockBuilder(OruWorld* world, CFishFactory* factory, bool showCloneTexture);

    // Flocks 0 to 7 from their settings, then the fish groups. Returns 0,
    // or E_OUTOFMEMORY when something could not be made or added (what was
    // made is left in the world, consistently wired, and the rest skipped).
    HRESULT BuildFlocks();
    // One flock: leader, formation and followers. Returns 0.
    HRESULT BuildFlock(OruFlockRecord record);
    // A new fish of the record's kind with the flock's scale, a random
    // colour, the flock index, its start corner and stencil id; not added.
    CFish* CreateFish(const OruFlockRecord* record);
    // The followers of one formation fish.
    void AddFollowers(CFish* fish, OruFlockRecord record);
    // One group per run of the fish list; with the clone-fish technique one
    // render texture per group (and in debug mode the viewer of the first).
    void BuildFishGroups();
    // The camera's hidden wandering-point fish: a sardine at the origin on a
    // one-column flying bar, added to the world and kept in
    // WanderingPointFish. Returns 0, or E_OUTOFMEMORY when it could not be
    // made or added.
    HRESULT BuildWanderingPointFish();

    // The kind a FlockFish setting builds: 1 sardine, 2 (and the bream
    // colours 4, 5, 6) bream, 3 mackerel; any other value a sardine.
    static int32_t FishKind(int32_t flockFish);
    // A fish's scale for the FlockSizeVarie setting and a uniform r in
    // [0, 1]: 1.0, 1 + r, 1 + 2r, 2 + r; 1.0 for any other setting.
    static float FishScale(int32_t sizeVarie, float r);

private:
    // Hands object to the world; when the world cannot take it the object
    // is finalised and deleted and false returned.
    bool Adopt(OruObject* object);
    // Appends an entry to the fish list, keeping room for its final null.
    void Append(CFish* fish);
    // A new T, or null (and the build marked short of memory).
    template <typename T, typename... Args> T* Make(Args... args);
    // Finalises and deletes a fish that is not handed to the world.
    static void Discard(OruObject* object);

    OruWorld* world;
    CFishFactory* factory;
    bool showCloneTexture;
    CFish** fishList; // during BuildFlocks only
    int32_t listLength;
    bool outOfMemory;
};

// The scene set-up's calls, on the registered application's world with the
// program's fish kinds: the flocks, then the wandering-point fish. Both
// return 0, or E_OUTOFMEMORY when something could not be made.
HRESULT BuildFlocks();
HRESULT BuildWanderingPointFish();
