#include "OruTrailRecorder.h"

OruTrailRecorder::OruTrailRecorder() : lastTime(-10.0f), writeIndex(0), count(0)
{
    for (Vector3& s : samples)
        s = Vector3(0, 0, 0);
}

void OruTrailRecorder::AddSample(const Vector3* position, float time)
{
    if (!position || !(time - lastTime >= 0.2f))
        return;
    PushSample(position->x, position->y, position->z);
    lastTime = time;
}

Vector3* OruTrailRecorder::GetDelayed(Vector3* out, int n) const
{
    if (count == 0) {
        *out = Vector3(0, 0, 0);
        return out;
    }
    // Delay 0 would name the slot about to be written (unset or the oldest).
    int m = n < 1 ? 1 : n;
    if (m > count)
        m = count;
    *out = samples[(writeIndex - m + TrailCapacity) % TrailCapacity];
    return out;
}

void OruTrailRecorder::PushSample(float x, float y, float z)
{
    samples[writeIndex] = Vector3(x, y, z);
    writeIndex = (writeIndex + 1) % TrailCapacity;
    if (count < TrailCapacity)
        ++count;
}
