#include "ship_meshes.h"

#include <vector>

namespace assetgen {
namespace {

using namespace ship_atlas;

const Vec3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

// Closes a loft's tail with the engine glow: the last ring is capped by
// add_loft with the hull map, so a glowing disc sits just behind it.
void add_exhaust(MeshBuilder& b, float cx, float cy, float z, float w, float h) {
    add_loft(b, {{z, cx, cy, w, h}, {z + 0.25f, cx, cy, w * 0.8f, h * 0.8f}}, 8, kPi / 8, patch(kEngine));
}

// A slab in the x-z plane (seen from above), mapped onto the wing patch.
void add_wing_pair(MeshBuilder& b, const std::vector<Vec2>& right, float y, float thickness, float x0, float x1,
                   float z0, float z1) {
    add_slab(b, right, {0, y, 0}, kX, kZ, kY, thickness, top_view(kWing, x0, x1, z0, z1));
    add_slab(b, mirror_u(right), {0, y, 0}, kX, kZ, kY, thickness, top_view({kWing.u1, kWing.v0, kWing.u0, kWing.v1}, -x1, -x0, z0, z1));
}

// A vertical fin in the y-z plane at x; outline points are (z, y).
void add_fin(MeshBuilder& b, const std::vector<Vec2>& outline_zy, float x, float thickness) {
    add_slab(b, outline_zy, {x, 0, 0}, kZ, kY, kX, thickness, top_view(kTrim, -0.2f, 0.2f, -6, 6));
}

}  // namespace

Mesh make_arrow_ship() {
    MeshBuilder b;
    const float x0 = -1.1f, x1 = 1.1f, z0 = -6.0f, z1 = 5.2f;
    add_loft(b, {{-6.0f, 0, 0, 0, 0}, {-4.6f, 0, 0.05f, 0.5f, 0.4f}, {-2.2f, 0, 0.1f, 0.9f, 0.7f},
                 {1.0f, 0, 0.1f, 1.05f, 0.75f}, {3.6f, 0, 0.05f, 0.95f, 0.6f}, {5.2f, 0, 0, 0.75f, 0.5f}},
             8, kPi / 8, top_view(kHull, x0, x1, z0, z1));
    add_exhaust(b, 0, 0, 5.2f, 0.6f, 0.4f);
    add_loft(b, {{-3.4f, 0, 0.45f, 0, 0}, {-2.6f, 0, 0.55f, 0.38f, 0.32f}, {-0.6f, 0, 0.6f, 0.42f, 0.35f},
                 {0.6f, 0, 0.5f, 0, 0}},
             8, kPi / 8, top_view(kGlass, -0.45f, 0.45f, -3.4f, 0.6f));
    add_wing_pair(b, {{0.8f, -1.6f}, {5.3f, 3.7f}, {5.3f, 4.5f}, {0.8f, 4.6f}}, -0.15f, 0.22f, 0.8f, 5.3f, -1.6f, 4.6f);
    add_fin(b, {{2.4f, 0.4f}, {4.7f, 2.1f}, {5.3f, 2.1f}, {5.1f, 0.4f}}, 0, 0.2f);
    return b.mesh();
}

Mesh make_hammer_ship() {
    MeshBuilder b;
    // Central pod.
    add_loft(b, {{-4.4f, 0, 0, 0, 0}, {-3.6f, 0, 0, 0.9f, 0.7f}, {-2.0f, 0, 0.05f, 1.35f, 1.0f},
                 {2.0f, 0, 0.05f, 1.35f, 1.0f}, {3.8f, 0, 0, 1.0f, 0.75f}},
             8, kPi / 8, top_view(kHull, -1.4f, 1.4f, -6, 6));
    add_exhaust(b, 0, 0, 3.8f, 0.8f, 0.6f);
    add_loft(b, {{-3.6f, 0, 0.6f, 0, 0}, {-3.0f, 0, 0.75f, 0.6f, 0.4f}, {-1.2f, 0, 0.95f, 0.7f, 0.45f},
                 {0.2f, 0, 0.8f, 0, 0}},
             8, kPi / 8, top_view(kGlass, -0.75f, 0.75f, -3.6f, 0.2f));
    // Two long engine nacelles reaching past the nose: the fork silhouette.
    for (float side : {-1.0f, 1.0f}) {
        float x = 3.1f * side;
        add_loft(b, {{-5.8f, x, 0, 0, 0}, {-4.9f, x, 0, 0.45f, 0.45f}, {-3.6f, x, 0, 0.72f, 0.72f},
                     {4.6f, x, 0, 0.72f, 0.72f}, {5.4f, x, 0, 0.6f, 0.6f}},
                 8, kPi / 8, top_view(kTrim, x - 0.8f, x + 0.8f, -6, 6));
        add_exhaust(b, x, 0, 5.4f, 0.5f, 0.5f);
    }
    add_wing_pair(b, {{1.0f, -1.8f}, {3.0f, -1.0f}, {3.0f, 3.2f}, {1.0f, 3.0f}}, 0, 0.5f, 1.0f, 3.0f, -1.8f, 3.2f);
    add_fin(b, {{1.0f, 0.5f}, {3.6f, 1.7f}, {4.2f, 1.7f}, {3.6f, 0.5f}}, 3.1f, 0.18f);
    add_fin(b, {{1.0f, 0.5f}, {3.6f, 1.7f}, {4.2f, 1.7f}, {3.6f, 0.5f}}, -3.1f, 0.18f);
    return b.mesh();
}

Mesh make_manta_ship() {
    MeshBuilder b;
    // Spine with the cockpit.
    add_loft(b, {{-5.8f, 0, 0.1f, 0, 0}, {-4.4f, 0, 0.15f, 0.45f, 0.35f}, {-1.5f, 0, 0.2f, 0.75f, 0.6f},
                 {2.5f, 0, 0.15f, 0.7f, 0.5f}, {4.3f, 0, 0.05f, 0.5f, 0.35f}},
             8, kPi / 8, top_view(kHull, -0.8f, 0.8f, -6, 5));
    add_exhaust(b, 0, 0.05f, 4.3f, 0.42f, 0.3f);
    add_loft(b, {{-3.8f, 0, 0.4f, 0, 0}, {-3.1f, 0, 0.55f, 0.3f, 0.3f}, {-1.0f, 0, 0.65f, 0.36f, 0.32f},
                 {0.4f, 0, 0.5f, 0, 0}},
             8, kPi / 8, top_view(kGlass, -0.4f, 0.4f, -3.8f, 0.4f));
    // The crescent wing: swept forward edge, notched trailing edge.
    add_wing_pair(b, {{0.3f, -3.2f}, {2.5f, -0.6f}, {5.6f, 2.4f}, {5.4f, 3.9f}, {3.6f, 2.6f}, {1.8f, 2.4f}, {0.3f, 3.6f}},
                  0, 0.3f, 0.3f, 5.6f, -3.2f, 3.9f);
    for (float x : {-5.3f, 5.3f}) add_fin(b, {{1.6f, 0.1f}, {3.3f, 1.3f}, {3.9f, 1.3f}, {3.8f, 0.1f}}, x, 0.16f);
    return b.mesh();
}

}  // namespace assetgen
