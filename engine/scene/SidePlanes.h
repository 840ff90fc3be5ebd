// The side planes of a view: four planes through the eye that bound what it
// sees, given by their normals. Each normal is the view direction turned by
// a right angle plus the view's half angle: up and down about the view's
// horizontal axis, then left and right about its vertical one. A point is in
// view when its offset from the eye has a negative dot product with all four.
// The camera culls objects with them, and the bubbles gather what is in view.
#pragma once

#include "mesh/Vector3.h"

const int SidePlaneCount = 4;

// The normals for the unit view direction d. False, with out untouched,
// when d has no horizontal axis (zero, straight up or down, or not finite)
// or a normal is not finite.
bool BuildSidePlaneNormals(const D3DXVECTOR3& d, float halfAngle, Vector3 (&out)[SidePlaneCount]);
