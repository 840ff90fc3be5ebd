#include "effects/CBubble.h"

#include "effects/CBubbles.h"
#include "app/SelRandom.h"
#include "scene/FrameStep.h"

#include <cmath>

CBubble::CBubble() : index(0), position(0.0f, -2.0f, 0.0f), alive(0), emitter(nullptr) {}

void CBubble::Respawn()
{
    alive = emitter ? emitter->EmitBubble(&position) : 0;
}

void CBubble::Move(float time, float prevTime)
{
    const float dt = FrameStep(time, prevTime);
    if (!alive) {
        Respawn();
    } else {
        position.y += 0.2f * dt;

        // Outward from the emitter's axis; a bubble on the axis has no
        // direction and does not drift.
        const Vector3 centre = emitter ? emitter->position : Vector3(0.0f, 0.0f, 0.0f);
        float u = position.x - centre.x, w = position.z - centre.z;
        const float length = std::sqrt(u * u + w * w);
        if (length > 0.0f && std::isfinite(length)) {
            u /= length;
            w /= length;
        } else {
            u = w = 0.0f;
        }
        const float r1 = SelRandUnit();
        const float r2 = SelRandUnit();
        // Per update, not scaled by the frame time.
        position.x += (r1 + 1.0f) * 0.01f * u * 0.2f;
        position.z += (r2 + 1.0f) * 0.01f * w * 0.2f;

        // The sway needs time (and a time that is a number).
        if (dt > 0.0f) {
            const float phase = float(index) * 0.1f + time * 7.0f;
            position.x += std::cos(phase) * dt * 0.05f;
            position.z += std::sin(phase) * dt * 0.05f;
        }
    }
    if (position.y > BubbleCeiling)
        alive = 0;
}
