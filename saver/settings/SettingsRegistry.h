// Loading and saving the settings tables, the camera presets and the
// per-flock tables.
#pragma once

#include <cstdint>

// Fills the tables at start-up: the technique and dialog rows from the
// registry, the camera preset of CameraMode, the eight flock tables and
// their common scale from FlockSize. A dialog setting outside 0..2 keeps
// its default.
void LoadParameters();

// Stores the dialog rows, then the technique rows. Every value written is
// read back; one that did not arrive is traced. Returns 0, or E_FAIL when a
// value was not stored.
int32_t SaveParameters();

// Writes the preset of the current CameraMode into the camera rows of
// SceneParams.
void ApplyCameraPreset();

// Fills flock tables 0..7 from their descriptor rows and FlockDefaults.
int32_t InitFlockParams();

// Sets every flock's FlockScale from the dialog's FlockSize (0 few .. 2
// many fish): scale 2, 1 or 0.
void TranslateFlockSize(int32_t flockSize);
