// Tracks the mouse for the mouse-control camera: whether the left or right
// button is held, and the pointer's offset from the window centre as two
// angles in radians.
#pragma once

#include "D3DXMath.h"

#include <windows.h>

#include <cstdint>

class ArcBall {
public:
    // Not dragging, no right button, angles 0. The window size is unknown
    // (0) until SetWindowSize; until then mouse moves give angles 0.
    ArcBall();

    void SetWindowSize(int32_t width, int32_t height, float radius);

    // Handles one mouse message; returns 1 for the messages it acts on
    // (moves, left and right button presses and releases, middle button
    // presses and releases) and 0 for every other message.
    int32_t OnMouseMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Pitch by mouseY about X, then yaw by mouseX about Y. The result lives
    // in one process-wide matrix that every call overwrites.
    D3DXMATRIX* GetMouseRotation();

    int32_t width;
    int32_t height;
    float radius;
    int32_t dragging;
    int32_t rightDown;
    float mouseX;
    float mouseY;
};
