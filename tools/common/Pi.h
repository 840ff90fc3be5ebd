// The circle constant for every host tool, in double and in float.
#pragma once

constexpr double Pi = 3.14159265358979323846;
constexpr float PiF = float(Pi);
