// The mover an object owns: once per update it sets a desired direction and
// speed, turns its body's yaw and pitch toward the direction at limited
// rates, eases the body's speed and adds a flocking offset that keeps the
// fish of one group apart and swimming alike. Subclasses place a goal point
// and desired speed, then call Follow.
#pragma once

#include "OruObject.h"
#include "OruTrailRecorder.h"

#include "mesh/Vector3.h"

#include <cstdint>

class OruPtrArray;

// Course modes: 2 wanders; 0, 1 and 3 seek the goal; any other sets no course.
const int32_t CourseWander = 2;
const int32_t CourseSeek = 0;

class OruSteering : public OruObject {
public:
    OruSteering();
    // Frees a trail recorder that FinalCleanup did not.
    ~OruSteering() override;

    // Deletes the owned trail recorder; returns 0.
    HRESULT FinalCleanup() override;

    // Steers body for the step from prevTime to time (seconds): chooses the
    // course, eases the speed and records the body's position in the trail.
    // Does nothing without a body.
    virtual void Follow(float time, float prevTime, OruObject* body);

    void ChooseCourse(float time, float prevTime, OruObject* body);
    Vector3 FlockOffset(float time, float prevTime, OruObject* body);
    void TurnTowards(float time, float prevTime, OruObject* body);
    void EaseSpeed(float time, float prevTime, OruObject* body);

    int32_t courseMode;
    float yawRate;   // radians per second
    float pitchRate; // radians per second
    int32_t yawEnabled;
    int32_t pitchEnabled;
    OruObject* target;        // not owned; the seek goal when set
    float speedScale;         // the wander course's speed factor
    float speedChangeRate;    // speed units per second, from EaseSpeed
    OruTrailRecorder* trail;  // owned; null: nothing recorded
    float desiredSpeed;
    Vector3 desiredDirection; // unit vector, or zero

    // The body's yaw and pitch after the last turn that left them finite; a
    // turn that would leave one not finite restores it from here.
    float lastGoodYaw;
    float lastGoodPitch;

private:
    // The list the flock offset walks, per the flock-mate setting; null: none.
    OruPtrArray* Neighbours(OruObject* body);
};
