// The camera's matrices: what Init and Update put on the device, and the
// angles LookAt derives from a target.
#include "Camera.h"

#include "drawing_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using drawtest::DrawingTest;

const float kPi = 3.14159265f;

class CameraTest : public DrawingTest {};

TEST_F(CameraTest, InitSetsIdentityViewPerspectiveAndKeepsScreenMatrix) {
    CCamera camera;
    camera.Init(device(), window());

    D3DMATRIX view, projection;
    device()->GetTransform(D3DTS_VIEW, &view);
    device()->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_TRUE(drawtest::matricesNear(view, drawtest::translation(0, 0, 0)));
    EXPECT_TRUE(drawtest::matricesNear(projection, camera.m_matProj, 0.0f));

    // Perspective: y scale 1 / tan(pi / 8), x scale that over the aspect 4:3,
    // near 1 and far 1000.
    const float yScale = 1.0f / std::tan(0.7853982f / 2.0f);
    EXPECT_NEAR(camera.m_matProj._22, yScale, 1e-5f);
    EXPECT_NEAR(camera.m_matProj._22 / camera.m_matProj._11, 1.3333334f, 1e-6f);
    EXPECT_NEAR(camera.m_matProj._33, 1000.0f / 999.0f, 1e-6f);
    EXPECT_NEAR(camera.m_matProj._43, -1000.0f / 999.0f, 1e-5f);
    EXPECT_EQ(camera.m_matProj._34, 1.0f);
    EXPECT_EQ(camera.m_matProj._44, 0.0f);

    // The screen matrix from the 800 x 600 client area, never set on the device.
    EXPECT_FLOAT_EQ(camera.m_matScreen._11, 2.0f / 800.0f);
    EXPECT_FLOAT_EQ(camera.m_matScreen._22, 2.0f / 600.0f);
    EXPECT_FLOAT_EQ(camera.m_matScreen._33, 1.0f / 100.0f);
    EXPECT_EQ(camera.m_matScreen._43, 0.0f);
    EXPECT_EQ(camera.m_matScreen._44, 1.0f);
}

TEST_F(CameraTest, EmptyClientAreaFallsBackToFourByThree) {
    struct Case {
        const char* name;
        int width, height;
    };
    const Case cases[] = {{"no height", 640, 0}, {"no width", 0, 480}};
    for (const Case& c : cases) {
        HWND flat = CreateWindowExA(0, "Drawing Test", "flat", WS_POPUP, 0, 0, c.width, c.height,
                                    nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(flat, nullptr) << c.name;
        RECT rc = {0, 0, 0, 0};
        GetClientRect(flat, &rc);
        ASSERT_EQ((rc.right - rc.left) * (rc.bottom - rc.top), 0) << c.name;

        CCamera camera;
        camera.Init(device(), flat);
        EXPECT_TRUE(std::isfinite(camera.m_matProj._11)) << c.name;
        EXPECT_NEAR(camera.m_matProj._22 / camera.m_matProj._11, 4.0f / 3.0f, 1e-6f) << c.name;
        for (int i = 0; i < 16; ++i)
            EXPECT_TRUE(std::isfinite((&camera.m_matScreen._11)[i])) << c.name << " " << i;
        DestroyWindow(flat);
    }
}

// The game's own use: camera over the ship, target on the play field.
TEST_F(CameraTest, GameViewIsPureTranslationByMinusPosition) {
    CCamera camera;
    camera.Init(device(), window());
    for (float zoom : {-240.0f, -50.0f, 150.0f}) {
        camera.m_fX = 12.5f;
        camera.m_fY = -40.0f;
        camera.m_fZ = zoom;
        camera.LookAt(12.5f, -40.0f, 250.0f);
        EXPECT_EQ(camera.m_fPitch, 0.0f);
        EXPECT_EQ(camera.m_fYaw, 0.0f);
        EXPECT_EQ(camera.m_fRoll, 0.0f);
        camera.Update(device(), 0);

        D3DMATRIX view;
        device()->GetTransform(D3DTS_VIEW, &view);
        EXPECT_TRUE(drawtest::matricesNear(view, drawtest::translation(-12.5f, 40.0f, -zoom)))
            << "zoom " << zoom;
        EXPECT_TRUE(drawtest::matricesNear(view, camera.m_matView, 0.0f));
    }
}

TEST_F(CameraTest, RotationsTurnTheWorldAboutTheOriginBeforeTheTranslation) {
    CCamera camera;
    camera.m_fX = 10.0f;
    camera.m_fYaw = kPi / 2.0f;
    camera.Update(device(), 0);
    float out[4];
    drawtest::transform(camera.m_matView, 10.0f, 0.0f, 0.0f, out);
    EXPECT_NEAR(out[0], -10.0f, 1e-4f);
    EXPECT_NEAR(out[1], 0.0f, 1e-4f);
    EXPECT_NEAR(out[2], 10.0f, 1e-4f);

    // All three angles: RX(-pitch) RY(-yaw) RZ(-roll) T(-position).
    camera.m_fX = 3.0f;
    camera.m_fY = -7.0f;
    camera.m_fZ = 20.0f;
    camera.m_fPitch = 0.3f;
    camera.m_fYaw = -1.1f;
    camera.m_fRoll = 0.7f;
    camera.Update(device(), 0);
    using namespace drawtest;
    const D3DMATRIX expected =
        multiply(multiply(multiply(rotationX(-0.3f), rotationY(1.1f)), rotationZ(-0.7f)),
                 translation(-3.0f, 7.0f, -20.0f));
    EXPECT_TRUE(matricesNear(camera.m_matView, expected));
}

TEST_F(CameraTest, NonZeroFlagKeepsAnIdentityView) {
    CCamera camera;
    camera.m_fX = 5.0f;
    camera.m_fYaw = 1.0f;
    camera.Update(device(), 1);
    D3DMATRIX view;
    device()->GetTransform(D3DTS_VIEW, &view);
    EXPECT_TRUE(drawtest::matricesNear(view, drawtest::translation(0, 0, 0), 0.0f));
}

TEST(CameraLookAt, AnglesFromTheDirectionToTheTarget) {
    struct Case {
        float tx, ty, tz;
        float pitch, yaw;
    };
    const Case cases[] = {
        {0, 100, 0, -kPi / 2, 0},           // straight above
        {0, 0, 0, 0, 0},                    // the camera's own position
        {100, 0, 0, 0, kPi / 2},            // to the right
        {0, 0, -100, 0, kPi},               // behind
        {0, -100, 100, kPi / 4, 0},         // below and ahead
        {100, 0, 100, 0, kPi / 4},
    };
    for (const Case& c : cases) {
        CCamera camera;
        camera.m_fRoll = 5.0f;
        camera.LookAt(c.tx, c.ty, c.tz);
        EXPECT_NEAR(camera.m_fPitch, c.pitch, 1e-6f) << c.tx << "," << c.ty << "," << c.tz;
        EXPECT_NEAR(camera.m_fYaw, c.yaw, 1e-6f) << c.tx << "," << c.ty << "," << c.tz;
        EXPECT_EQ(camera.m_fRoll, 0.0f);
        EXPECT_EQ(camera.m_fX, 0.0f);
        EXPECT_EQ(camera.m_fZ, 0.0f);
    }
}

}  // namespace
