#include "mesh_parts.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

UvMap top_view(UvRect r, float x0, float x1, float z0, float z1) {
    return [=](Vec3 p, float, float) {
        float s = std::clamp((p.x - x0) / (x1 - x0), 0.0f, 1.0f);
        float t = std::clamp((p.z - z0) / (z1 - z0), 0.0f, 1.0f);
        return Vec2{r.u0 + s * (r.u1 - r.u0), r.v0 + t * (r.v1 - r.v0)};
    };
}

UvMap wrap_around(UvRect r) {
    return [=](Vec3, float around, float along) {
        return Vec2{r.u0 + around * (r.u1 - r.u0), r.v0 + along * (r.v1 - r.v0)};
    };
}

UvMap patch(UvRect r) {
    return [=](Vec3, float, float) { return Vec2{(r.u0 + r.u1) / 2, (r.v0 + r.v1) / 2}; };
}

namespace {

Vec3 ring_point(const LoftRing& ring, int k, int sides, float phase) {
    float a = phase + 2 * kPi * static_cast<float>(k) / static_cast<float>(sides);
    return {ring.cx + ring.w * std::cos(a), ring.cy + ring.h * std::sin(a), ring.z};
}

bool is_tip(const LoftRing& ring) { return ring.w <= 0 && ring.h <= 0; }

void add_cap(MeshBuilder& b, const LoftRing& ring, int sides, float phase, const UvMap& uv, float along,
             float facing) {
    Vec3 centre{ring.cx, ring.cy, ring.z};
    for (int k = 0; k < sides; ++k) {
        Vec3 p0 = ring_point(ring, k, sides, phase), p1 = ring_point(ring, k + 1, sides, phase);
        float a0 = static_cast<float>(k) / sides, a1 = static_cast<float>(k + 1) / sides;
        b.add_flat({centre, uv(centre, (a0 + a1) / 2, along), {}}, {p0, uv(p0, a0, along), {}},
                   {p1, uv(p1, a1, along), {}}, {0, 0, facing});
    }
}

}  // namespace

void add_loft(MeshBuilder& b, const std::vector<LoftRing>& rings, int sides, float phase, const UvMap& uv) {
    if (rings.size() < 2 || sides < 3) return;
    // `along` follows z, so that texture bands land at fixed distances.
    const float z0 = rings.front().z, span = rings.back().z - rings.front().z;
    auto along = [&](const LoftRing& r) { return span != 0 ? (r.z - z0) / span : 0.0f; };
    for (size_t i = 0; i + 1 < rings.size(); ++i) {
        const LoftRing &r0 = rings[i], &r1 = rings[i + 1];
        float t0 = along(r0), t1 = along(r1);
        Vec3 axis{(r0.cx + r1.cx) / 2, (r0.cy + r1.cy) / 2, (r0.z + r1.z) / 2};
        for (int k = 0; k < sides; ++k) {
            float a0 = static_cast<float>(k) / sides, a1 = static_cast<float>(k + 1) / sides;
            Corner c00{ring_point(r0, k, sides, phase), uv(ring_point(r0, k, sides, phase), a0, t0), {}};
            Corner c01{ring_point(r0, k + 1, sides, phase), uv(ring_point(r0, k + 1, sides, phase), a1, t0), {}};
            Corner c10{ring_point(r1, k, sides, phase), uv(ring_point(r1, k, sides, phase), a0, t1), {}};
            Corner c11{ring_point(r1, k + 1, sides, phase), uv(ring_point(r1, k + 1, sides, phase), a1, t1), {}};
            Vec3 mid = (c00.position + c01.position + c10.position + c11.position) * 0.25f;
            Vec3 out = mid - axis;
            b.add_flat(c00, c01, c11, out);
            b.add_flat(c00, c11, c10, out);
        }
    }
    if (!is_tip(rings.front())) add_cap(b, rings.front(), sides, phase, uv, 0.0f, rings.front().z < rings.back().z ? -1.0f : 1.0f);
    if (!is_tip(rings.back())) add_cap(b, rings.back(), sides, phase, uv, 1.0f, rings.front().z < rings.back().z ? 1.0f : -1.0f);
}

void add_slab(MeshBuilder& b, const std::vector<Vec2>& outline, Vec3 origin, Vec3 axis_u, Vec3 axis_v, Vec3 axis_n,
              float thickness, const UvMap& uv) {
    if (outline.size() < 3) return;
    Vec2 c{};
    for (const Vec2& p : outline) c = {c.x + p.x, c.y + p.y};
    c = {c.x / outline.size(), c.y / outline.size()};
    auto at = [&](Vec2 p, float side) { return origin + axis_u * p.x + axis_v * p.y + axis_n * (side * thickness / 2); };
    auto corner = [&](Vec3 p) { return Corner{p, uv(p, 0, 0), {}}; };
    const size_t n = outline.size();
    for (float side : {1.0f, -1.0f}) {
        Vec3 centre = at(c, side);
        for (size_t i = 0; i < n; ++i)
            b.add_flat(corner(centre), corner(at(outline[i], side)), corner(at(outline[(i + 1) % n], side)),
                       axis_n * side);
    }
    Vec3 middle = at(c, 0);
    for (size_t i = 0; i < n; ++i) {
        Vec3 p0t = at(outline[i], 1), p1t = at(outline[(i + 1) % n], 1);
        Vec3 p0b = at(outline[i], -1), p1b = at(outline[(i + 1) % n], -1);
        Vec3 out = (p0t + p1t) * 0.5f - (middle + axis_n * dot((p0t + p1t) * 0.5f - middle, axis_n));
        b.add_flat(corner(p0t), corner(p1t), corner(p1b), out);
        b.add_flat(corner(p0t), corner(p1b), corner(p0b), out);
    }
}

std::vector<Vec2> mirror_u(const std::vector<Vec2>& outline) {
    std::vector<Vec2> out;
    for (auto it = outline.rbegin(); it != outline.rend(); ++it) out.push_back({-it->x, it->y});
    return out;
}

}  // namespace assetgen
