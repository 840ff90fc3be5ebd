#include "ArcBall.h"

#include <windowsx.h>

namespace {

D3DXMATRIX g_mouseRotation = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

// The angle for a pointer coordinate along one axis of a window of the given
// extent: (position - extent/2) / (extent * radius / 2), with an integer
// (truncated) half extent. 0 while the extent or the radius is 0, so a move
// before the window size is known divides by nothing.
float Angle(int32_t position, int32_t extent, float radius)
{
    const double scale = double(extent) * double(radius) * 0.5;
    if (scale == 0.0)
        return 0.0f;
    return float(double(position - extent / 2) / scale);
}

} // namespace

ArcBall::ArcBall() : width(0), height(0), radius(0.0f), dragging(0), rightDown(0), mouseX(0.0f), mouseY(0.0f) {}

void ArcBall::SetWindowSize(int32_t newWidth, int32_t newHeight, float newRadius)
{
    width = newWidth;
    height = newHeight;
    radius = newRadius;
}

int32_t ArcBall::OnMouseMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE:
        // The button state rides on every move, so a drag also starts and
        // ends here: the left button may have been released outside the
        // window, where no WM_LBUTTONUP reaches us.
        if (wParam & MK_LBUTTON)
            dragging = 1;
        else if (dragging)
            dragging = 0;
        // Signed client coordinates: left of or above the client area the
        // pointer is negative.
        mouseX = Angle(GET_X_LPARAM(lParam), width, radius);
        mouseY = Angle(GET_Y_LPARAM(lParam), height, radius);
        return 1;
    case WM_LBUTTONDOWN:
        dragging = 1;
        return 1;
    case WM_LBUTTONUP:
        dragging = 0;
        return 1;
    case WM_RBUTTONDOWN:
        rightDown = 1;
        return 1;
    case WM_RBUTTONUP:
        rightDown = 0;
        return 1;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return 1;
    default: // double clicks included
        return 0;
    }
}

D3DXMATRIX* ArcBall::GetMouseRotation()
{
    D3DXMATRIX pitch;
    D3DXMatrixRotationY(&g_mouseRotation, mouseX);
    D3DXMatrixRotationX(&pitch, mouseY);
    D3DXMatrixMultiply(&g_mouseRotation, &pitch, &g_mouseRotation);
    return &g_mouseRotation;
}
