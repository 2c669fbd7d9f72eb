// The utility library's matrix and colour functions against worked values.
#include "d3dx8_api.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

constexpr float kPi = 3.1415927f;

D3DXVECTOR3 transform(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    const float w = v.x * m._14 + v.y * m._24 + v.z * m._34 + m._44;
    return D3DXVECTOR3((v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41) / w,
                       (v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42) / w,
                       (v.x * m._13 + v.y * m._23 + v.z * m._33 + m._43) / w);
}

void expectNear(const D3DXVECTOR3& got, float x, float y, float z) {
    EXPECT_NEAR(got.x, x, 1e-4f);
    EXPECT_NEAR(got.y, y, 1e-4f);
    EXPECT_NEAR(got.z, z, 1e-4f);
}

TEST(D3DXMath, RotationsTurnTheWayRowVectorsExpect) {
    D3DXMATRIX m;
    // A quarter turn about each axis, applied to a unit vector on another axis.
    expectNear(transform({0, 1, 0}, *D3DXMatrixRotationX(&m, kPi / 2)), 0, 0, 1);
    expectNear(transform({0, 0, 1}, *D3DXMatrixRotationY(&m, kPi / 2)), 1, 0, 0);
    expectNear(transform({1, 0, 0}, *D3DXMatrixRotationZ(&m, kPi / 2)), 0, 1, 0);
    // A full turn is the identity.
    expectNear(transform({1, 2, 3}, *D3DXMatrixRotationX(&m, 2 * kPi)), 1, 2, 3);
}

TEST(D3DXMath, MultiplyAppliesTheLeftMatrixFirst) {
    D3DXMATRIX scale, move, both;
    D3DXMatrixScaling(&scale, 2, 3, 4);
    D3DXMatrixTranslation(&move, 10, 20, 30);
    expectNear(transform({1, 1, 1}, *D3DXMatrixMultiply(&both, &scale, &move)), 12, 23, 34);
    expectNear(transform({1, 1, 1}, move * scale), 22, 63, 124);
    // The output may be one of the inputs.
    D3DXMatrixMultiply(&scale, &scale, &move);
    expectNear(transform({1, 1, 1}, scale), 12, 23, 34);

    D3DXMATRIX transposed;
    D3DXMatrixTranspose(&transposed, &move);
    EXPECT_EQ(transposed._14, 10.0f);
    EXPECT_EQ(transposed._41, 0.0f);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    D3DXMATRIX product = identity * move;
    EXPECT_EQ(0, std::memcmp(&product, &move, sizeof move));
}

// The camera's view: RX(-pitch) RY(-yaw) RZ(-roll) T(-position). Yaw pi/2 with
// the camera at (10, 0, 0) turns the world about its origin before moving it,
// so the camera's own position lands at (-10, 0, 10).
TEST(D3DXMath, CameraYawExampleMapsTheCameraPosition) {
    D3DXMATRIX rx, ry, rz, t, view;
    D3DXMatrixRotationX(&rx, -0.0f);
    D3DXMatrixRotationY(&ry, -kPi / 2);
    D3DXMatrixRotationZ(&rz, -0.0f);
    D3DXMatrixTranslation(&t, -10, 0, 0);
    view = rx * ry * rz * t;
    expectNear(transform({10, 0, 0}, view), -10, 0, 10);
}

TEST(D3DXMath, ProjectionsMatchTheLeftHandedFormulas) {
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, 0.7853982f, 800.0f / 600.0f, 1.0f, 1000.0f);
    const float ys = 1.0f / std::tan(0.7853982f / 2);
    EXPECT_NEAR(p._22, ys, 1e-5f);
    EXPECT_NEAR(p._11, ys / (800.0f / 600.0f), 1e-5f);
    EXPECT_NEAR(p._33, 1000.0f / 999.0f, 1e-6f);
    EXPECT_EQ(p._34, 1.0f);
    EXPECT_NEAR(p._43, -1000.0f / 999.0f, 1e-6f);
    EXPECT_EQ(p._44, 0.0f);
    // Depth 0 at the near plane and 1 at the far plane.
    EXPECT_NEAR(transform({0, 0, 1}, p).z, 0.0f, 1e-5f);
    EXPECT_NEAR(transform({0, 0, 1000}, p).z, 1.0f, 1e-5f);

    D3DXMATRIX o;
    D3DXMatrixOrthoLH(&o, 800, 600, 0, 100);
    EXPECT_FLOAT_EQ(o._11, 2.0f / 800);
    EXPECT_FLOAT_EQ(o._22, 2.0f / 600);
    EXPECT_FLOAT_EQ(o._33, 1.0f / 100);
    EXPECT_EQ(o._43, 0.0f);
    EXPECT_EQ(o._44, 1.0f);
}

TEST(D3DXMath, ColourConversionClampsAndRounds) {
    struct Case {
        D3DXCOLOR colour;
        D3DCOLOR packed;
    } cases[] = {
        {{0.6f, 0.6f, 0.6f, 0.5f}, 0x80999999u},
        {{1, 0, 0, 0.5f}, 0x80FF0000u},
        {{1, 1, 1, 0.3f}, 0x4DFFFFFFu},
        {{1, 0.5f, 0, 1}, 0xFFFF8000u},
        {{1.2f, -0.1f, 0, 1}, 0xFFFF0000u},
        {{NAN, 0, 0, 0}, 0x00000000u},
    };
    for (const Case& c : cases) EXPECT_EQ(D3DCOLOR(c.colour), c.packed) << std::hex << c.packed;
    const D3DXCOLOR back(0x80FF4000u);
    EXPECT_FLOAT_EQ(back.r, 1.0f);
    EXPECT_FLOAT_EQ(back.g, 64 / 255.0f);
    EXPECT_FLOAT_EQ(back.a, 128 / 255.0f);
}

}  // namespace
