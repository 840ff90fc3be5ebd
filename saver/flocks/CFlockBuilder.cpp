#include "flocks/CFlockBuilder.h"

#include "fish/CFish.h"
#include "fish/CFishFactory.h"
#include "flocks/COffsetFollower.h"
#include "flocks/CTrailFollower.h"
#include "framework/AppAccess.h"
#include "settings/SceneSettings.h"
#include "fish/PimCloneTexViewer.h"
#include "flocks/PimFlyingBar.h"
#include "fish/PimRenderTexture.h"
#include "app/SelRandom.h"
#include "settings/SettingsTables.h"

#include "framework/OruApplication.h"
#include "mesh/OruPtrArray.h"
#include "scene/OruWorld.h"
#include "servers/OruGroupList.h"
#include "trace/DebugPrint.h"

#include <new>

const int32_t FlockLengthTable[FlockShapeCount][FlockShapeCount] = {{10, 8, 4}, {15, 10, 6}, {7, 6, 3}};
const int32_t FlockWidthTable[FlockShapeCount][FlockShapeCount] = {{6, 4, 3}, {4, 3, 2}, {8, 6, 4}};
const int32_t FlockFollowerTable[FlockShapeCount][FlockShapeCount] = {{4, 3, 2}, {4, 3, 2}, {4, 3, 2}};

const Vector3 FlockStartCorners[FlockStartCornerCount] = {
    Vector3(2, 2, 2),  Vector3(2, 2, -2),  Vector3(2, -2, 2),  Vector3(2, -2, -2),
    Vector3(-2, 2, 2), Vector3(-2, 2, -2), Vector3(-2, -2, 2), Vector3(-2, -2, -2),
};

namespace {

const float LeaderSpeedScale = 2.0f;
const float FollowerSpeedScale = 4.0f;
const int GroupCapacity = 10;
const int GroupGrowStep = 10;
// The debug viewer's rectangle: left, top, width.
const float ViewerLeft = -0.5f;
const float ViewerTop = -0.5f;
const float ViewerWidth = 0.3f;

// A shape-table index from a FlockForm or FlockScale setting; a value
// outside the tables takes the nearest row.
int ShapeIndex(int32_t setting)
{
    return setting < 0 ? 0 : (setting >= FlockShapeCount ? FlockShapeCount - 1 : setting);
}

} // namespace

CFlockBuilder::CFlockBuilder(OruWorld* worldIn, CFishFactory* factoryIn, bool showCloneTextureIn)
    : world(worldIn), factory(factoryIn), showCloneTexture(showCloneTextureIn), fishList(nullptr), listLength(0),
      outOfMemory(false)
{
}

template <typename T, typename... Args> T* CFlockBuilder::Make(Args... args)
{
    T* made = new (std::nothrow) T(args...);
    if (!made)
        outOfMemory = true;
    return made;
}

void CFlockBuilder::Discard(OruObject* object)
{
    object->FinalCleanup();
    delete object;
}

int32_t CFlockBuilder::FishKind(int32_t flockFish)
{
    switch (flockFish) {
    case 2:
    case 4: // black, blue and yellow breams are built as plain breams
    case 5:
    case 6:
        return FishKindBream;
    case 3:
        return FishKindMackerel;
    default:
        return FishKindSardine;
    }
}

float CFlockBuilder::FishScale(int32_t sizeVarie, float r)
{
    switch (sizeVarie) {
    case 1:
        return 1.0f + r;
    case 2:
        return 1.0f + 2.0f * r;
    case 3:
        return 2.0f + r;
    default:
        return 1.0f;
    }
}

bool CFlockBuilder::Adopt(OruObject* object)
{
    if (world->AddObject(object) == 0)
        return true;
    outOfMemory = true;
    Discard(object);
    return false;
}

void CFlockBuilder::Append(CFish* fish)
{
    // The last entry always stays null: it ends the list.
    if (fishList && listLength < FlockFishListCapacity - 1)
        fishList[listLength++] = fish;
}

HRESULT CFlockBuilder::BuildFlocks()
{
    if (!world || !factory)
        return 0;
    outOfMemory = false;
    fishList = new (std::nothrow) CFish*[FlockFishListCapacity]();
    if (!fishList)
        return E_OUTOFMEMORY;
    listLength = 0;

    for (int32_t k = 0; k < FlockCount; ++k) {
        FlockCameraFish[k] = FlockCameraFishEntry{};
        OruFlockRecord& record = world->flocks[k];
        const int32_t scaleSetting = FlockSetting(k, FlockScale);
        const int form = ShapeIndex(FlockSetting(k, FlockForm));
        const int scale = ShapeIndex(scaleSetting);
        record.flockIndex = k;
        record.rows = FlockLengthTable[form][scale];
        record.columns = FlockWidthTable[form][scale];
        record.followersPerFish = FlockFollowerTable[form][scale];
        record.kind = FlockSetting(k, FlockFish);
        record.density = FlockSetting(k, FlockDensity);
        DebugPrint("FLOCK %d:SCL:%d L%d W%d F%d type%d\n", k, scaleSetting, record.rows, record.columns,
                   record.followersPerFish, record.kind);
        if (record.kind != 0)
            BuildFlock(record);
    }

    Append(nullptr);
    BuildFishGroups();
    delete[] fishList;
    fishList = nullptr;
    listLength = 0;
    return outOfMemory ? E_OUTOFMEMORY : 0;
}

HRESULT CFlockBuilder::BuildFlock(OruFlockRecord record)
{
    if (!world || !factory)
        return 0;
    CFish* leader = CreateFish(&record);
    if (!leader)
        return 0;
    leader->hidden = 1;
    // A column without its trail would leave its fish nothing to follow.
    PimFlyingBar* bar = Make<PimFlyingBar>(record.columns);
    if (bar && !bar->Complete()) {
        outOfMemory = true;
        Discard(bar);
        bar = nullptr;
    }
    if (!bar) {
        Discard(leader);
        return 0;
    }
    bar->speedScale = LeaderSpeedScale;
    leader->mover = bar;
    // Without its leader the formation would have no trails to follow.
    if (!Adopt(leader))
        return 0;

    const int32_t k = record.flockIndex;
    FlockCameraFishEntry* camera = k >= 0 && k < FlockCameraFishCount ? &FlockCameraFish[k] : nullptr;
    for (int32_t i = 0; i < record.rows; ++i) {
        bool rowHasFish = false;
        for (int32_t j = 0; j < record.columns; ++j) {
            CFish* fish = CreateFish(&record);
            if (!fish)
                continue;
            CTrailFollower* follower = Make<CTrailFollower>();
            if (!follower) {
                Discard(fish);
                continue;
            }
            follower->SetTrail(bar->ColumnTrail(j), 5 * i + 5);
            follower->speedScale = FollowerSpeedScale;
            fish->mover = follower;
            if (!Adopt(fish))
                continue;
            if (j == 0 && camera) {
                if (i == 0)
                    camera->head = fish;
                else if (i == record.rows / 2)
                    camera->centre = fish;
                else if (i == record.rows - 1)
                    camera->tail = fish;
            }
            Append(fish);
            rowHasFish = true;
            AddFollowers(fish, record);
        }
        // A row end after an empty row would end the whole list.
        if (rowHasFish)
            Append(nullptr);
    }
    return 0;
}

CFish* CFlockBuilder::CreateFish(const OruFlockRecord* record)
{
    if (!factory || !record)
        return nullptr;
    CFish* fish = factory->MakeFish(FishKind(record->kind));
    if (!fish) {
        outOfMemory = true;
        return nullptr;
    }
    const int32_t k = record->flockIndex;
    const float r = SelRandUnit();
    fish->scale = FishScale(FlockSetting(k, FlockSizeVarie), r);
    const float r1 = SelRandUnit();
    const float r2 = SelRandUnit();
    const float r3 = SelRandUnit();
    fish->colour[0] = r3;
    fish->colour[1] = r2;
    fish->colour[2] = r1;
    fish->colour[3] = 1.0f;
    fish->flockIndex = k;
    fish->position = k >= 0 && k < FlockStartCornerCount ? FlockStartCorners[k] : Vector3(0, 0, 0);
    fish->stencilId = k + 1;
    return fish;
}

void CFlockBuilder::AddFollowers(CFish* fish, OruFlockRecord record)
{
    for (int32_t n = 0; n < record.followersPerFish; ++n) {
        const float r1 = SelRandUnit();
        const float r2 = SelRandUnit();
        const float r3 = SelRandUnit();
        CFish* follower = CreateFish(&record);
        if (!follower)
            continue;
        COffsetFollower* mover = Make<COffsetFollower>();
        if (!mover) {
            Discard(follower);
            continue;
        }
        mover->SetTarget(fish, 1.5f * r3 - 0.75f, 3.0f * r2 - 1.5f, 1.5f * r1 - 0.75f);
        mover->speedScale = FollowerSpeedScale;
        follower->mover = mover;
        if (Adopt(follower))
            Append(follower);
    }
}

void CFlockBuilder::BuildFishGroups()
{
    if (!world || !fishList)
        return;

    // One group per run of fish up to a null; the double null ends the list.
    for (int pos = 0; pos < FlockFishListCapacity && fishList[pos];) {
        OruPtrArray* group = Make<OruPtrArray>(GroupCapacity, GroupGrowStep);
        if (group && (!world->groupList || !world->groupList->Add(group))) {
            outOfMemory = true;
            delete group;
            group = nullptr;
        }
        for (; pos < FlockFishListCapacity && fishList[pos]; ++pos) {
            if (!group)
                continue;
            if (group->Push(fishList[pos]))
                fishList[pos]->group = group;
            else
                outOfMemory = true; // the fish swims without its group
        }
        ++pos;
    }

    if (TechniqueSetting(TechCloneFishTech) != 1)
        return;
    bool viewerMade = false;
    for (int pos = 0; pos < FlockFishListCapacity && fishList[pos];) {
        PimRenderTexture* texture = Make<PimRenderTexture>();
        const bool added = texture && Adopt(texture);
        CFish* master = fishList[pos];
        for (; pos < FlockFishListCapacity && fishList[pos]; ++pos) {
            if (!added)
                continue;
            CFish* fish = fishList[pos];
            // A fish the member list cannot hold draws as an ordinary fish.
            const int32_t before = texture->memberCount;
            texture->AM(fish);
            if (texture->memberCount == before)
                continue;
            if (fish == master) {
                fish->cloneRole = CloneRoleMaster;
                texture->SetMaster(fish);
            } else {
                fish->cloneRole = CloneRoleMember;
            }
            fish->renderTexture = texture;
            fish->cloneMaster = master;
            if (showCloneTexture && !viewerMade) {
                viewerMade = true;
                PimCloneTexViewer* viewer = Make<PimCloneTexViewer>(ViewerLeft, ViewerTop, ViewerWidth);
                if (viewer) {
                    viewer->SetTexture(&texture->texture);
                    Adopt(viewer);
                }
            }
        }
        ++pos;
    }
}

HRESULT CFlockBuilder::BuildWanderingPointFish()
{
    if (!world || !factory)
        return 0;
    CFish* fish = factory->MakeFish(FishKindSardine);
    if (!fish)
        return E_OUTOFMEMORY;
    fish->position = Vector3(0, 0, 0);
    fish->hidden = 1;
    fish->flockIndex = -1;
    PimFlyingBar* bar = Make<PimFlyingBar>(1);
    if (!bar || !bar->Complete()) {
        if (bar)
            Discard(bar);
        Discard(fish);
        return E_OUTOFMEMORY;
    }
    bar->speedScale = LeaderSpeedScale;
    fish->mover = bar;
    if (!Adopt(fish))
        return E_OUTOFMEMORY;
    WanderingPointFish = fish;
    return 0;
}

namespace {

// The program's builder: the registered application's world and the fish
// kinds; the clone viewer in the debug run mode.
template <typename Step> HRESULT WithProgramBuilder(Step step)
{
    OruApplication* app = App();
    if (!app || !app->world)
        return 0;
    CFishFactory factory;
    CFlockBuilder builder(app->world, &factory, app->runMode == RunModeDebug);
    return step(builder);
}

} // namespace

HRESULT BuildFlocks()
{
    return WithProgramBuilder([](CFlockBuilder& b) { return b.BuildFlocks(); });
}

HRESULT BuildWanderingPointFish()
{
    return WithProgramBuilder([](CFlockBuilder& b) { return b.BuildWanderingPointFish(); });
}
