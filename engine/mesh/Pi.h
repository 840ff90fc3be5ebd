// The circle constants, in single precision, for angles in radians.
#pragma once

constexpr float Pi = 3.14159265358979f;
constexpr float TwoPi = 2.0f * Pi;
constexpr float HalfPi = 0.5f * Pi;
