// Transform and lighting on the CPU: the fixed-function formulas, the three
// decisions the layer makes (zero attenuation, ambient source without a
// material, renormalised normals) and the clip-space mapping for OpenGL.
#include "vertex_processing.h"

#include "d3dx8_api.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using platform::DeviceState;
using platform::ProcessedVertex;
using platform::VertexProcessor;

struct MeshVertex {  // 0x152
    float x, y, z, nx, ny, nz;
    DWORD diffuse;
    float u, v;
};
static_assert(sizeof(MeshVertex) == 36, "layout of format 0x152");

struct ScreenVertex {  // 0x144
    float x, y, z, rhw;
    DWORD diffuse;
    float u, v;
};

DeviceState litState() {
    DeviceState state;
    state.setDefaults();
    state.renderStates[D3DRS_LIGHTING] = TRUE;
    return state;
}

void addDirectional(DeviceState& state, DWORD index, D3DVECTOR direction, float diffuse) {
    platform::LightSlot& slot = state.lights[index];
    slot.light = D3DLIGHT8{};
    slot.light.Type = D3DLIGHT_DIRECTIONAL;
    slot.light.Diffuse = {diffuse, diffuse, diffuse, 0};
    slot.light.Direction = direction;
    slot.light.Range = 1000;
    slot.enabled = true;
}

// The game's point light: only position, diffuse, ambient and range filled.
void addPoint(DeviceState& state, DWORD index, D3DVECTOR position, D3DCOLORVALUE colour, float range) {
    platform::LightSlot& slot = state.lights[index];
    slot.light = D3DLIGHT8{};
    slot.light.Type = D3DLIGHT_POINT;
    slot.light.Position = position;
    slot.light.Diffuse = colour;
    slot.light.Ambient = colour;
    slot.light.Range = range;
    slot.enabled = true;
}

ProcessedVertex run(const DeviceState& state, DWORD fvf, const void* vertex) {
    const VertexProcessor processor(state, platform::describeFvf(fvf), 800, 600);
    ProcessedVertex out{};
    processor.process(static_cast<const uint8_t*>(vertex), out);
    return out;
}

TEST(TnlVertexProcessing, DirectionalLightFollowsTheCosineAndIgnoresRange) {
    DeviceState state = litState();
    addDirectional(state, 0, {0, -1, 1}, 0.5f);  // the game's light: not normalised
    MeshVertex facing{0, 0, 0, 0, 0.70710678f, -0.70710678f, 0xFFFFFFFF, 0, 0};
    MeshVertex away{0, 0, 5000, 0, 0, 1, 0xFFFFFFFF, 0, 0};
    MeshVertex edgeOn{0, 0, 0, 1, 0, 0, 0xFF808080, 0, 0};
    EXPECT_NEAR(run(state, 0x152, &facing).r, 0.5f, 1e-4f);
    EXPECT_NEAR(run(state, 0x152, &away).g, 0.0f, 1e-6f);
    EXPECT_NEAR(run(state, 0x152, &edgeOn).b, 0.0f, 1e-6f);
    // Alpha is the diffuse source's alpha.
    MeshVertex translucent = facing;
    translucent.diffuse = 0x4DFFFFFF;
    EXPECT_NEAR(run(state, 0x152, &translucent).a, 0x4D / 255.0f, 1e-6f);
}

TEST(TnlVertexProcessing, PointLightWithZeroAttenuationLightsFullyInsideItsRangeOnly) {
    DeviceState state = litState();
    addPoint(state, 1, {0, 0, -10}, {1, 0, 0, 0}, 50);
    MeshVertex inside{0, 0, 30, 0, 0, -1, 0xFFFFFFFF, 0, 0};   // 40 units away, facing it
    MeshVertex outside{0, 0, 45, 0, 0, -1, 0xFFFFFFFF, 0, 0};  // 55 units away
    const ProcessedVertex lit = run(state, 0x152, &inside);
    EXPECT_FLOAT_EQ(lit.r, 1.0f) << "factor 1, then clamped";
    EXPECT_FLOAT_EQ(lit.g, 0.0f);
    const ProcessedVertex dark = run(state, 0x152, &outside);
    EXPECT_FLOAT_EQ(dark.r, 0.0f);

    // Real factors attenuate: 1 / (0 + 0.1 * 40).
    state.lights[1].light.Attenuation1 = 0.1f;
    state.lights[1].light.Ambient = {0, 0, 0, 0};
    EXPECT_NEAR(run(state, 0x152, &inside).r, 0.25f, 1e-5f);
}

// With no material set the ambient reflectance is the vertex colour: the
// global ambient and a light's ambient colour tint every lit vertex.
TEST(TnlVertexProcessing, AmbientFollowsTheVertexColourUntilAMaterialIsSet) {
    DeviceState state = litState();
    state.renderStates[D3DRS_AMBIENT] = 0x11111111;
    addDirectional(state, 0, {0, -1, 1}, 0.5f);
    MeshVertex away{0, 0, 0, 0, 1, -1, 0xFFFFFFFF, 0, 0};
    away.ny = 0.0f, away.nz = 1.0f;  // turned away from the light
    ProcessedVertex out = run(state, 0x152, &away);
    EXPECT_NEAR(out.r, 0x11 / 255.0f, 1e-5f);
    EXPECT_NEAR(out.b, 0x11 / 255.0f, 1e-5f);

    MeshVertex greenAway = away;
    greenAway.diffuse = 0xFF00FF00;
    out = run(state, 0x152, &greenAway);
    EXPECT_NEAR(out.r, 0.0f, 1e-6f);
    EXPECT_NEAR(out.g, 0x11 / 255.0f, 1e-5f);

    // A material that has been set decides, as the source states say.
    state.material = D3DMATERIAL8{};
    state.material.Diffuse = {1, 1, 1, 1};
    state.material.Ambient = {0, 0, 1, 1};
    out = run(state, 0x152, &away);
    EXPECT_NEAR(out.r, 0.0f, 1e-6f);
    EXPECT_NEAR(out.b, 0x11 / 255.0f, 1e-5f);
}

TEST(TnlVertexProcessing, NormalsAreRenormalisedWhateverTheScale) {
    DeviceState state = litState();
    addDirectional(state, 0, {0, 0, 1}, 0.5f);  // shining along +z onto faces looking at -z
    MeshVertex v{1, 1, 1, 0, 0, -1, 0xFFFFFFFF, 0, 0};
    for (float scale : {0.05f, 0.3f, 1.0f, 4.0f}) {
        D3DXMATRIX world;
        D3DXMatrixScaling(&world, scale, scale, scale);
        state.world = world;
        EXPECT_NEAR(run(state, 0x152, &v).r, 0.5f, 1e-4f) << "scale " << scale;
    }
    // A non-uniform scale keeps the normal perpendicular to the surface: a
    // face tilted 45 degrees, stretched along x, tilts further from the light.
    D3DXMATRIX stretch;
    D3DXMatrixScaling(&stretch, 2, 1, 1);
    state.world = stretch;
    MeshVertex tilted{0, 0, 0, -0.70710678f, 0, -0.70710678f, 0xFFFFFFFF, 0, 0};
    // Inverse transpose: (-0.5, 0, -1) normalised -> cos = 1/sqrt(1.25).
    EXPECT_NEAR(run(state, 0x152, &tilted).r, 0.5f / std::sqrt(1.25f), 1e-4f);
}

TEST(TnlVertexProcessing, UnlitAndUncolouredVerticesAndUnknownLights) {
    DeviceState state = litState();
    state.renderStates[D3DRS_LIGHTING] = FALSE;
    MeshVertex v{0, 0, 0, 0, 0, 1, 0x80402010, 0.25f, 0.75f};
    ProcessedVertex out = run(state, 0x152, &v);
    EXPECT_NEAR(out.r, 0x40 / 255.0f, 1e-6f);
    EXPECT_NEAR(out.a, 0x80 / 255.0f, 1e-6f);
    EXPECT_EQ(out.u, 0.25f);
    EXPECT_EQ(out.v, 0.75f);

    // A lit vertex without a normal gets ambient and emissive light only; an
    // enabled record of no known type lights nothing.
    state = litState();
    state.lights[3].enabled = true;  // type 0
    const float positionOnly[3] = {0, 0, 0};
    out = run(state, D3DFVF_XYZ, positionOnly);
    EXPECT_EQ(out.r, 0.0f);
    EXPECT_EQ(out.a, 0.0f) << "no material and no vertex colour";
}

TEST(TnlVertexProcessing, ClipDepthIsRemappedFromZeroToW) {
    DeviceState state = litState();
    state.renderStates[D3DRS_LIGHTING] = FALSE;
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 4.0f / 3.0f, 1.0f, 1000.0f);
    state.projection = projection;
    MeshVertex nearPoint{0, 0, 1, 0, 0, 0, 0, 0, 0}, farPoint{0, 0, 1000, 0, 0, 0, 0, 0, 0};
    ProcessedVertex n = run(state, 0x152, &nearPoint), f = run(state, 0x152, &farPoint);
    EXPECT_NEAR(n.z / n.w, -1.0f, 1e-5f);
    EXPECT_NEAR(f.z / f.w, 1.0f, 1e-4f);
    EXPECT_NEAR(f.w, 1000.0f, 1e-3f);
}

TEST(TnlVertexProcessing, ScreenVerticesMapPixelEdgesOntoTheTarget) {
    DeviceState state = litState();  // lighting and transforms do not touch them
    D3DXMATRIX junk;
    D3DXMatrixScaling(&junk, 3, 3, 3);
    state.projection = junk;
    ScreenVertex topLeft{0, 0, 1, 1, 0xFF00FF00, 0, 0};
    ScreenVertex centre{400, 300, 0.5f, 1, 0xFF00FF00, 1, 1};
    ProcessedVertex a = run(state, 0x144, &topLeft), b = run(state, 0x144, &centre);
    EXPECT_EQ(a.x, -1.0f);
    EXPECT_EQ(a.y, 1.0f);
    EXPECT_EQ(a.z, 1.0f);
    EXPECT_EQ(b.x, 0.0f);
    EXPECT_EQ(b.y, 0.0f);
    EXPECT_EQ(b.z, 0.0f);
    EXPECT_EQ(a.g, 1.0f);
    EXPECT_EQ(a.r, 0.0f);
}

// A draw may be skipped only when all its vertices lie beyond one and the
// same plane of the view volume; vertices beyond different planes can still
// make a triangle that crosses the view.
TEST(TnlVertexProcessing, VerticesAreOutsideOnlyWhenAllLieBeyondOnePlane) {
    DeviceState state = litState();
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 4.0f / 3.0f, 1.0f, 1000.0f);
    state.projection = projection;  // at z 100 the view spans about +-55 by +-41
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        std::vector<std::array<float, 3>> points;
        bool outside;
    };
    const Case cases[] = {
        {"all left", {{-90, 0, 100}, {-70, 30, 100}, {-200, -30, 100}}, true},
        {"all right", {{90, 0, 100}, {70, 30, 100}, {200, -30, 100}}, true},
        {"all below", {{0, -50, 100}, {30, -45, 100}, {-30, -300, 100}}, true},
        {"all above", {{0, 50, 100}, {30, 45, 100}, {-30, 300, 100}}, true},
        {"all behind the camera", {{0, 0, -5}, {50, 0, -1}, {-50, 0, 0.5f}}, true},
        {"all beyond the far plane", {{0, 0, 1200}, {10, 0, 1001}, {0, 10, 5000}}, true},
        {"left, right and above round the view", {{-300, -200, 100}, {300, -200, 100}, {0, 400, 100}}, false},
        {"one inside", {{-90, 0, 100}, {-70, 30, 100}, {0, 0, 100}}, false},
        // Past the float range once projected: what OpenGL makes of that is its own affair.
        {"right but one overflowing", {{90, 0, 100}, {3e38f, 0, 100}, {200, -30, 100}}, false},
        {"left but one not finite", {{-90, 0, 100}, {-inf, 0, 100}, {-200, -30, 100}}, false},
        {"behind and in front", {{0, 0, -5}, {0, 0, 50}, {0, 10, -1}}, false},
    };
    const VertexProcessor processor(state, platform::describeFvf(0x152), 800, 600);
    for (const Case& c : cases) {
        std::vector<MeshVertex> vertices;
        for (const auto& p : c.points) vertices.push_back({p[0], p[1], p[2], 0, 0, -1, 0xFFFFFFFF, 0, 0});
        std::vector<ProcessedVertex> out(vertices.size());
        EXPECT_EQ(processor.transform(reinterpret_cast<const uint8_t*>(vertices.data()), sizeof(MeshVertex),
                                      vertices.size(), out.data()),
                  c.outside)
            << c.what;
    }
    // Screen vertices are never reported outside, wherever they lie.
    const std::vector<ScreenVertex> screen = {{-100, -100, 0.5f, 1, 0, 0, 0}, {-50, -300, 0.5f, 1, 0, 0, 0}};
    std::vector<ProcessedVertex> out(screen.size());
    const VertexProcessor screenProcessor(state, platform::describeFvf(0x144), 800, 600);
    EXPECT_FALSE(screenProcessor.transform(reinterpret_cast<const uint8_t*>(screen.data()), sizeof(ScreenVertex),
                                           screen.size(), out.data()));
}

// A whole stream is dropped only when its box lies clearly beyond one plane;
// a box round the view, one reaching into it, or one that only touches an
// edge is kept for the per-vertex test and OpenGL to decide.
TEST(TnlVertexProcessing, ABoxIsOutsideOnlyWhenClearlyBeyondOnePlane) {
    DeviceState state = litState();
    D3DXMATRIX projection, world;
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 4.0f / 3.0f, 1.0f, 1000.0f);
    state.projection = projection;  // at z 100 the view's left edge is x = -55.2285
    const float edge = 100.0f * std::tan(0.7853982f / 2) * 4.0f / 3.0f;
    struct Case {
        const char* what;
        platform::PositionBox box;
        float worldX;
        bool outside;
    };
    const Case cases[] = {
        {"left", {{-90, -10, 90}, {-70, 10, 110}}, 0, true},
        {"right", {{70, -10, 90}, {90, 10, 110}}, 0, true},
        {"above", {{-10, 50, 90}, {10, 70, 110}}, 0, true},
        {"below", {{-10, -70, 90}, {10, -50, 110}}, 0, true},
        {"behind the camera", {{-10, -10, -30}, {10, 10, -2}}, 0, true},
        {"beyond the far plane", {{-10, -10, 1100}, {10, 10, 1200}}, 0, true},
        {"just beyond the far plane", {{-10, -10, 1000.5f}, {10, 10, 1200}}, 0, false},
        {"moved left by its world", {{-10, -10, 90}, {10, 10, 110}}, -300, true},
        {"moved into view by its world", {{-90, -10, 90}, {-70, 10, 110}}, 80, false},
        {"round the whole view", {{-500, -500, 50}, {500, 500, 150}}, 0, false},
        {"reaching in from the left", {{-90, -10, 100}, {-50, 10, 100}}, 0, false},
        {"ending on the left edge", {{-90, -10, 100}, {-edge, 10, 100}}, 0, false},
        {"ending just past the left edge", {{-90, -10, 100}, {-edge - 0.1f, 10, 100}}, 0, true},
        {"from behind the camera to far in front", {{-1, -1, -50}, {1, 1, 50}}, 0, false},
    };
    for (const Case& c : cases) {
        D3DXMatrixTranslation(&world, c.worldX, 0, 0);
        state.world = world;
        EXPECT_EQ(platform::boxOutsideView(state, c.box), c.outside) << c.what;
    }
}

// A draw's vertices in bulk come out as each of them alone does.
TEST(TnlVertexProcessing, BulkProcessingMatchesOneVertexAtATime) {
    DeviceState state = litState();
    addDirectional(state, 0, {0, -1, 1}, 0.5f);
    addPoint(state, 1, {0, 0, 20}, {1, 0.5f, 0, 0}, 40);
    state.renderStates[D3DRS_AMBIENT] = 0x11223344;
    D3DXMATRIX turnX, turnY, scale;
    D3DXMatrixRotationX(&turnX, 0.7f);
    D3DXMatrixRotationY(&turnY, 0.3f);
    D3DXMatrixScaling(&scale, 0.5f, 2.0f, 1.0f);
    state.world = scale * turnX * turnY;
    std::vector<MeshVertex> vertices;
    for (int i = 0; i < 12; ++i)
        vertices.push_back({float(i * 5 - 30), float(i % 4), float(i * 3), std::sin(i * 1.0f), std::cos(i * 1.0f),
                            -0.5f, 0xFF000000u | DWORD(i * 0x151515), i / 12.0f, 1.0f - i / 12.0f});
    const VertexProcessor processor(state, platform::describeFvf(0x152), 800, 600);
    std::vector<ProcessedVertex> bulk(vertices.size());
    const auto* first = reinterpret_cast<const uint8_t*>(vertices.data());
    processor.transform(first, sizeof(MeshVertex), vertices.size(), bulk.data());
    processor.shade(first, sizeof(MeshVertex), vertices.size(), bulk.data());
    for (size_t i = 0; i < vertices.size(); ++i) {
        const ProcessedVertex one = run(state, 0x152, &vertices[i]);
        EXPECT_EQ(std::memcmp(&one, &bulk[i], sizeof one), 0) << "vertex " << i;
    }
}

}  // namespace
