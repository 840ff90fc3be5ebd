// The mouse tracker of the mouse-control camera: pointer-to-angle mapping,
// the button state it follows, and the rotation built from the angles. Each
// message table runs twice: straight into OnMouseMessage, and as real
// messages sent to a hidden window whose procedure forwards to the tracker.

#include "framework/ArcBall.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>

namespace {

const float kPi = 3.14159265358979f;

LRESULT CALLBACK ForwardingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* ball = reinterpret_cast<ArcBall*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!ball)
        return DefWindowProcA(window, message, wParam, lParam);
    return ball->OnMouseMessage(window, message, wParam, lParam);
}

// Delivers messages to an ArcBall, directly or through a real window.
class ArcBallTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        if (!ThroughWindow())
            return;
        HINSTANCE instance = GetModuleHandleA(nullptr);
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = ForwardingProc;
            wc.hInstance = instance;
            wc.lpszClassName = "ReefArcBallTestWindow";
            registered = RegisterClassA(&wc) != 0;
        }
        window_ = CreateWindowA("ReefArcBallTestWindow", "arc ball", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                                nullptr, instance, nullptr);
        ASSERT_NE(nullptr, window_);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ball_));
    }

    void TearDown() override
    {
        if (window_) {
            SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
    }

    bool ThroughWindow() const { return GetParam(); }

    int32_t Send(UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (ThroughWindow())
            return int32_t(SendMessageA(window_, message, wParam, lParam));
        return ball_.OnMouseMessage(nullptr, message, wParam, lParam);
    }

    int32_t Move(int x, int y, WPARAM buttons = 0) { return Send(WM_MOUSEMOVE, buttons, MAKELPARAM(x, y)); }

    ArcBall ball_;
    HWND window_ = nullptr;
};

std::string Driver(const ::testing::TestParamInfo<bool>& info)
{
    return info.param ? "ThroughWindow" : "Direct";
}

D3DXVECTOR3 Rotate(const D3DXVECTOR3& v, const D3DXMATRIX& m)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}

void ExpectVec3Near(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-5f) << "x";
    EXPECT_NEAR(actual.y, expected.y, 1e-5f) << "y";
    EXPECT_NEAR(actual.z, expected.z, 1e-5f) << "z";
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Drivers, ArcBallTest, ::testing::Bool(), Driver);

TEST_P(ArcBallTest, StartsIdleWithUnknownSize)
{
    EXPECT_EQ(0, ball_.width);
    EXPECT_EQ(0, ball_.height);
    EXPECT_EQ(0.0f, ball_.radius);
    EXPECT_EQ(0, ball_.dragging);
    EXPECT_EQ(0, ball_.rightDown);
    EXPECT_EQ(0.0f, ball_.mouseX);
    EXPECT_EQ(0.0f, ball_.mouseY);

    ball_.SetWindowSize(640, 480, 0.75f);
    EXPECT_EQ(640, ball_.width);
    EXPECT_EQ(480, ball_.height);
    EXPECT_EQ(0.75f, ball_.radius);
}

TEST_P(ArcBallTest, MapsPointerToAngles)
{
    struct Case {
        int width, height;
        float radius;
        int x, y;
        float angleX, angleY;
    };
    // Expected angles worked out by hand: (x - w/2) / (w * r / 2) with w/2
    // truncated, and the same for y.
    const Case cases[] = {
        {800, 600, 0.2f, 400, 300, 0.0f, 0.0f},        // centre
        {800, 600, 0.2f, 800, 300, 5.0f, 0.0f},        // right edge
        {800, 600, 0.2f, 0, 300, -5.0f, 0.0f},         // left edge
        {800, 600, 0.2f, 400, 600, 0.0f, 5.0f},        // bottom edge
        {800, 600, 0.2f, 400, 0, 0.0f, -5.0f},         // top edge
        {800, 600, 0.2f, 600, 450, 2.5f, 2.5f},        // halfway to the bottom right
        {800, 600, 0.2f, -80, -60, -6.0f, -6.0f},      // left of and above the client area
        {800, 600, 0.2f, -1, -1, -5.0125f, -5.0166667f},
        {800, 600, 0.2f, -32768, 32767, -414.6f, 32467.0f / 60.0f},
        {801, 601, 0.2f, 400, 300, 0.0f, 0.0f},        // odd sizes: the half is truncated
        {801, 601, 0.2f, 801, 0, 5.0062422f, -4.9916805f},
        {101, 51, 1.0f, 101, 51, 51.0f / 50.5f, 26.0f / 25.5f},
        {100, 50, 1.0f, 100, 0, 1.0f, -1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " r=" << c.radius << " at (" << c.x << ", "
                                          << c.y << ")");
        ball_.SetWindowSize(c.width, c.height, c.radius);
        EXPECT_EQ(1, Move(c.x, c.y));
        EXPECT_FLOAT_EQ(c.angleX, ball_.mouseX);
        EXPECT_FLOAT_EQ(c.angleY, ball_.mouseY);
    }
}

TEST_P(ArcBallTest, UnknownOrEmptySizeGivesZeroAngles)
{
    struct Case {
        bool setSize;
        int width, height;
        float radius;
        float angleX, angleY; // for a move to (-7, 50000), whose y word is -15536
    };
    const Case cases[] = {
        {false, 0, 0, 0.0f, 0.0f, 0.0f},               // before SetWindowSize
        {true, 0, 0, 0.2f, 0.0f, 0.0f},
        {true, 800, 600, 0.0f, 0.0f, 0.0f},            // zero radius
        {true, 0, 600, 0.2f, 0.0f, -15836.0f / 60.0f}, // only the empty axis gives 0
        {true, 800, 0, 0.2f, -407.0f / 80.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " r=" << c.radius);
        ArcBall fresh;
        ball_ = fresh;
        if (c.setSize)
            ball_.SetWindowSize(c.width, c.height, c.radius);
        EXPECT_EQ(1, Move(-7, 50000));
        EXPECT_TRUE(std::isfinite(ball_.mouseX));
        EXPECT_TRUE(std::isfinite(ball_.mouseY));
        EXPECT_FLOAT_EQ(c.angleX, ball_.mouseX);
        EXPECT_FLOAT_EQ(c.angleY, ball_.mouseY);
    }
}

TEST_P(ArcBallTest, FollowsButtons)
{
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        int dragging, rightDown; // before
        int32_t result;
        int draggingAfter, rightDownAfter;
    };
    const Case cases[] = {
        {"move with left button starts a drag", WM_MOUSEMOVE, MK_LBUTTON, 0, 0, 1, 1, 0},
        {"move with left button keeps a drag", WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 1, 1, 1, 1, 1},
        {"move without left button ends a drag", WM_MOUSEMOVE, 0, 1, 0, 1, 0, 0},
        {"move without buttons", WM_MOUSEMOVE, 0, 0, 1, 1, 0, 1},
        {"move with right button only", WM_MOUSEMOVE, MK_RBUTTON, 0, 0, 1, 0, 0},
        {"move with right button keeps right state", WM_MOUSEMOVE, MK_RBUTTON, 0, 1, 1, 0, 1},
        {"move with right button only ends a drag", WM_MOUSEMOVE, MK_RBUTTON, 1, 1, 1, 0, 1},
        {"move with both buttons", WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, 0, 0, 1, 1, 0},
        {"left down", WM_LBUTTONDOWN, MK_LBUTTON, 0, 0, 1, 1, 0},
        {"left up", WM_LBUTTONUP, 0, 1, 1, 1, 0, 1},
        {"left double click", WM_LBUTTONDBLCLK, MK_LBUTTON, 0, 0, 0, 0, 0},
        {"left double click while dragging", WM_LBUTTONDBLCLK, MK_LBUTTON, 1, 1, 0, 1, 1},
        {"right down", WM_RBUTTONDOWN, MK_RBUTTON, 1, 0, 1, 1, 1},
        {"right up", WM_RBUTTONUP, 0, 0, 1, 1, 0, 0},
        {"right double click", WM_RBUTTONDBLCLK, MK_RBUTTON, 0, 1, 0, 0, 1},
        {"middle down", WM_MBUTTONDOWN, MK_MBUTTON, 1, 1, 1, 1, 1},
        {"middle up", WM_MBUTTONUP, 0, 0, 0, 1, 0, 0},
        {"middle double click", WM_MBUTTONDBLCLK, MK_MBUTTON, 0, 0, 0, 0, 0},
        {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 1, 0, 0, 1, 0},
        {"key", WM_KEYDOWN, VK_SPACE, 0, 1, 0, 0, 1},
        {"null", WM_NULL, 0, 1, 1, 0, 1, 1},
    };
    ball_.SetWindowSize(200, 100, 1.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ball_.dragging = c.dragging;
        ball_.rightDown = c.rightDown;
        ball_.mouseX = 0.25f;
        ball_.mouseY = 0.75f;
        EXPECT_EQ(c.result, Send(c.message, c.wParam, MAKELPARAM(150, 25)));
        EXPECT_EQ(c.draggingAfter, ball_.dragging);
        EXPECT_EQ(c.rightDownAfter, ball_.rightDown);
        // Only a move updates the angles; (150, 25) in 200 x 100 maps to (0.5, -0.5).
        const bool move = c.message == WM_MOUSEMOVE;
        EXPECT_EQ(move ? 0.5f : 0.25f, ball_.mouseX);
        EXPECT_EQ(move ? -0.5f : 0.75f, ball_.mouseY);
    }
}

TEST_P(ArcBallTest, DragSequenceWithReleaseOutsideTheWindow)
{
    ball_.SetWindowSize(200, 100, 1.0f);
    EXPECT_EQ(1, Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 50)));
    EXPECT_EQ(1, ball_.dragging);
    EXPECT_EQ(1, Move(300, -20, MK_LBUTTON)); // captured drag beyond the window
    EXPECT_EQ(1, ball_.dragging);
    EXPECT_FLOAT_EQ(2.0f, ball_.mouseX);
    EXPECT_FLOAT_EQ(-1.4f, ball_.mouseY);
    // The button went up outside the window: no WM_LBUTTONUP, the next move
    // comes without MK_LBUTTON.
    EXPECT_EQ(1, Move(120, 60));
    EXPECT_EQ(0, ball_.dragging);
    EXPECT_FLOAT_EQ(0.2f, ball_.mouseX);
    EXPECT_FLOAT_EQ(0.2f, ball_.mouseY);
}

TEST_P(ArcBallTest, RotationPitchesThenYaws)
{
    struct Case {
        float mouseX, mouseY;
        D3DXVECTOR3 in, out; // row vector in times the matrix gives out
    };
    const float q = kPi / 2;
    const float s = std::sqrt(0.5f);
    const Case cases[] = {
        {0, 0, {0.3f, -0.4f, 0.5f}, {0.3f, -0.4f, 0.5f}},
        {q, 0, {0, 0, 1}, {1, 0, 0}},      // yaw: forward turns to the right
        {q, 0, {1, 0, 0}, {0, 0, -1}},
        {0, q, {0, 1, 0}, {0, 0, 1}},      // pitch: up tips forward
        {0, q, {0, 0, 1}, {0, -1, 0}},
        {q, q, {0, 1, 0}, {1, 0, 0}},      // pitch first (up -> forward), then yaw (forward -> right)
        {q, q, {1, 0, 0}, {0, 0, -1}},     // pitch leaves x alone, yaw turns it
        {kPi / 4, 0, {0, 0, 1}, {s, 0, s}},
        {-q, 0, {0, 0, 1}, {-1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mouseX " << c.mouseX << " mouseY " << c.mouseY << " in (" << c.in.x
                                          << ", " << c.in.y << ", " << c.in.z << ")");
        ball_.mouseX = c.mouseX;
        ball_.mouseY = c.mouseY;
        ExpectVec3Near(Rotate(c.in, *ball_.GetMouseRotation()), c.out);
    }
}

TEST_P(ArcBallTest, RotationFollowsMouseMoves)
{
    // With radius 2/pi the right edge is a quarter turn of yaw and the
    // bottom edge a quarter turn of pitch.
    ball_.SetWindowSize(800, 600, 2.0f / kPi);
    EXPECT_EQ(1, Move(800, 300, MK_LBUTTON));
    ExpectVec3Near(Rotate(D3DXVECTOR3(0, 0, 1), *ball_.GetMouseRotation()), D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(1, Move(400, 600, MK_LBUTTON));
    ExpectVec3Near(Rotate(D3DXVECTOR3(0, 1, 0), *ball_.GetMouseRotation()), D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(1, Move(400, 300));
    ExpectVec3Near(Rotate(D3DXVECTOR3(0.3f, -0.4f, 0.5f), *ball_.GetMouseRotation()), D3DXVECTOR3(0.3f, -0.4f, 0.5f));
}

TEST(ArcBallRotation, IdentityBeforeAnyMove)
{
    ArcBall ball;
    const D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    EXPECT_EQ(identity, *ball.GetMouseRotation());
}

TEST(ArcBallRotation, OneProcessWideMatrix)
{
    ArcBall first, second;
    first.mouseX = kPi / 2;
    D3DXMATRIX* a = first.GetMouseRotation();
    ExpectVec3Near(Rotate(D3DXVECTOR3(0, 0, 1), *a), D3DXVECTOR3(1, 0, 0));
    // Another tracker's call writes the same matrix.
    D3DXMATRIX* b = second.GetMouseRotation();
    EXPECT_EQ(a, b);
    ExpectVec3Near(Rotate(D3DXVECTOR3(0, 0, 1), *a), D3DXVECTOR3(0, 0, 1));
}
