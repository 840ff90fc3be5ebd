#include "OruObject.h"

#include "trace/DebugPrint.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

OruObject::OruObject()
    : worldIndex(0), flockIndex(-1), name(), position(0, 0, 0), world(), boundsMin(0, 0, 0),
      boundsMax(0, 0, 0), radius(0), sortDistance(0), transparent(0), late(0), countdown(0),
      lastSequenceTime(0), noCull(0), hidden(0), culled(0), drawSelf(0), cloneMaster(nullptr),
      masterRendered(0), pitch(0), roll(0), yaw(0), scale(1.0f), heading(-1, 0, 0), speed(0),
      mover(nullptr), group(nullptr), neighbourDistance(0), colour(), orientationMode(2), state(1),
      predecessor(nullptr), drawOnlyWhenAllowed(0)
{
    SetName("OruObject");
    D3DXMatrixIdentity(&world);
    // Three draws from the process-wide generator, stored in reverse order.
    const float r1 = std::rand() * (1.0f / 32767.0f);
    const float r2 = std::rand() * (1.0f / 32767.0f);
    const float r3 = std::rand() * (1.0f / 32767.0f);
    colour[0] = r3;
    colour[1] = r2;
    colour[2] = r1;
    colour[3] = 1.0f;
}

OruObject::~OruObject() = default;

void OruObject::SetName(const char* className)
{
    std::strncpy(name, className, OruObjectNameSize - 1);
    name[OruObjectNameSize - 1] = '\0';
}

void OruObject::Update(float, float)
{
    D3DXMATRIX s, x, z, y, t;
    D3DXMatrixScaling(&s, scale, scale, scale);
    D3DXMatrixRotationX(&x, roll);
    D3DXMatrixRotationZ(&z, pitch);
    D3DXMatrixRotationY(&y, yaw);
    D3DXMatrixTranslation(&t, position.x, position.y, position.z);
    D3DXMatrixMultiply(&world, &s, &x);
    D3DXMatrixMultiply(&world, &world, &z);
    D3DXMatrixMultiply(&world, &world, &y);
    D3DXMatrixMultiply(&world, &world, &t);
}

HRESULT OruObject::FinalCleanup()
{
    if (mover) {
        mover->FinalCleanup();
        delete mover;
        mover = nullptr;
    }
    return 0;
}

void OruObject::doSequence(float, float)
{
    DebugPrint("doSequence %X\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(this)));
    if (state == 2) {
        state = 1;
        if (predecessor)
            predecessor->state = 0;
    }
}

int OruObject::UpdateTimer(float time, float prevTime)
{
    if (!(countdown > 0))
        return 0;
    // An elapsed time that is not finite would leave the countdown NaN for good.
    const float elapsed = time - prevTime;
    if (!std::isfinite(elapsed))
        return 0;
    countdown -= elapsed;
    if (countdown > 0)
        return 0;
    countdown = 0;
    doSequence(time, prevTime);
    lastSequenceTime = time;
    return 1;
}
