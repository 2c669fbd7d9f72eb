#include "world_meshes.h"

#include <array>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "mesh_parts.h"
#include "noise.h"
#include "prng.h"

namespace assetgen {
namespace {

struct TriMesh {
    std::vector<Vec3> points;
    std::vector<std::array<int, 3>> faces;
};

TriMesh icosphere(int subdivisions) {
    const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
    TriMesh m;
    m.points = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (Vec3& p : m.points) p = normalize(p);
    m.faces = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
               {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
               {3, 8, 9},  {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (int s = 0; s < subdivisions; ++s) {
        std::map<std::pair<int, int>, int> midpoints;
        auto mid = [&](int a, int b) {
            auto key = std::minmax(a, b);
            auto found = midpoints.find(key);
            if (found != midpoints.end()) return found->second;
            m.points.push_back(normalize((m.points[a] + m.points[b]) * 0.5f));
            int index = static_cast<int>(m.points.size()) - 1;
            midpoints.emplace(key, index);
            return index;
        };
        std::vector<std::array<int, 3>> next;
        for (const auto& f : m.faces) {
            int ab = mid(f[0], f[1]), bc = mid(f[1], f[2]), ca = mid(f[2], f[0]);
            next.push_back({f[0], ab, ca});
            next.push_back({f[1], bc, ab});
            next.push_back({f[2], ca, bc});
            next.push_back({ab, bc, ca});
        }
        m.faces = std::move(next);
    }
    return m;
}

// Radius factor of the rock's surface in direction `d`: broad lumps,
// finer knobs and a few bowl-shaped craters with raised rims.
float rock_radius(Vec3 d, const std::vector<std::pair<Vec3, float>>& craters, uint32_t seed) {
    float r = 1.0f + 0.30f * fbm3(d.x * 1.2f + 3.1f, d.y * 1.2f, d.z * 1.2f - 1.7f, 3, seed) +
              0.07f * fbm3(d.x * 4.0f, d.y * 4.0f, d.z * 4.0f, 2, seed + 7);
    for (const auto& [centre, size] : craters) {
        float angle = std::acos(std::fmax(-1.0f, std::fmin(1.0f, dot(d, centre))));
        float x = angle / size;
        if (x < 1.0f) r -= 0.12f * (1.0f - x * x);
        else if (x < 1.4f) r += 0.03f * std::sin((x - 1.0f) / 0.4f * kPi);
    }
    return r;
}

Vec2 box_uv(Vec3 p, Vec3 n) {
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    const float k = 1.0f / 150.0f;  // keeps u, v inside [0, 1] for the largest lumps
    if (ax >= ay && ax >= az) return {0.5f + p.z * k, 0.5f - p.y * k};
    if (ay >= az) return {0.5f + p.x * k, 0.5f + p.z * k};
    return {0.5f + p.x * k, 0.5f - p.y * k};
}

Mesh sphere(float radius, int slices, int stacks, bool poles_on_y) {
    MeshBuilder b;
    auto point = [&](int i, int j) {
        float phi = 2 * kPi * static_cast<float>(i) / slices;
        float theta = kPi * static_cast<float>(j) / stacks;
        float s = std::sin(theta), c = std::cos(theta);
        Vec3 d = poles_on_y ? Vec3{s * std::cos(phi), c, s * std::sin(phi)} : Vec3{s * std::cos(phi), s * std::sin(phi), c};
        return Corner{d * radius, {static_cast<float>(i) / slices, static_cast<float>(j) / stacks}, d};
    };
    for (int j = 0; j < stacks; ++j)
        for (int i = 0; i < slices; ++i) {
            Corner a = point(i, j), c = point(i + 1, j), d = point(i + 1, j + 1), e = point(i, j + 1);
            if (j == 0) a.uv.x = c.uv.x = (a.uv.x + c.uv.x) / 2;               // one pole point per slice
            if (j == stacks - 1) d.uv.x = e.uv.x = (d.uv.x + e.uv.x) / 2;
            Vec3 out = (a.position + d.position) * 0.5f;
            b.add(a, c, d, out);
            b.add(a, d, e, out);
        }
    return b.mesh();
}

}  // namespace

Mesh make_rock_mesh(uint32_t seed) {
    TriMesh sphere_mesh = icosphere(2);
    Prng rng(seed);
    std::vector<std::pair<Vec3, float>> craters;
    for (int i = 0; i < 6; ++i) {
        Vec3 c = normalize({rng.range(-1, 1), rng.range(-1, 1), rng.range(-1, 1)});
        craters.push_back({c, rng.range(0.25f, 0.5f)});
    }
    const Vec3 stretch{1.18f, 0.86f, 1.0f};
    std::vector<Vec3> points;
    double sum = 0;
    for (const Vec3& d : sphere_mesh.points) {
        float r = rock_radius(d, craters, seed);
        Vec3 p{d.x * r * stretch.x, d.y * r * stretch.y, d.z * r * stretch.z};
        points.push_back(p);
        sum += length(p);
    }
    const float to_fifty = static_cast<float>(50.0 / (sum / points.size()));
    for (Vec3& p : points) p = p * to_fifty;

    // Corner normals lean halfway between the face and the smooth surface:
    // facets catch the light like broken stone without looking like a gem.
    std::vector<Vec3> smooth(points.size());
    for (const auto& f : sphere_mesh.faces) {
        Vec3 n = cross(points[f[1]] - points[f[0]], points[f[2]] - points[f[0]]);
        if (dot(n, points[f[0]]) < 0) n = n * -1.0f;
        for (int k : f) smooth[k] = smooth[k] + n;
    }
    MeshBuilder b;
    for (const auto& f : sphere_mesh.faces) {
        Vec3 flat = normalize(cross(points[f[1]] - points[f[0]], points[f[2]] - points[f[0]]));
        Vec3 centre = (points[f[0]] + points[f[1]] + points[f[2]]) * (1.0f / 3.0f);
        if (dot(flat, centre) < 0) flat = flat * -1.0f;
        Corner c[3];
        for (int i = 0; i < 3; ++i)
            c[i] = {points[f[i]], box_uv(points[f[i]], flat), normalize(flat * 0.55f + normalize(smooth[f[i]]) * 0.45f)};
        b.add(c[0], c[1], c[2], flat);
    }
    return b.mesh();
}

Mesh make_planet_mesh() { return sphere(80.0f, 36, 18, true); }

Mesh make_shield_mesh() { return sphere(20.0f, 24, 12, false); }

Mesh make_blaster_mesh() {
    MeshBuilder b;
    // As thick as the shot's size allows: the game draws it at 1/20, under
    // three pixels across at the starting camera distance.
    add_loft(b, {{-72, 0, 0, 0, 0}, {-56, 0, 0, 10.5f, 10.5f}, {-30, 0, 0, 14, 14}, {34, 0, 0, 13, 13}, {58, 0, 0, 7, 7},
                 {70, 0, 0, 0, 0}},
             8, kPi / 8, wrap_around({0, 0, 1, 1}));
    return b.mesh();
}

Mesh make_missile_mesh() {
    MeshBuilder b;
    // Texture: body in the left half (nose at the top), fins and nozzle in
    // patches on the right.
    add_loft(b, {{-35, 0, 0, 0, 0}, {-29, 0, 0, 3.2f, 3.2f}, {-23, 0, 0, 5.4f, 5.4f}, {-18, 0, 0, 6, 6},
                 {27, 0, 0, 6, 6}, {31, 0, 0, 5, 5}, {33, 0, 0, 4, 4}},
             12, 0, wrap_around({0, 0, 0.5f, 1}));
    const std::vector<Vec2> fin = {{5.5f, 14}, {13, 28}, {13, 33}, {5.5f, 32}};
    for (int i = 0; i < 4; ++i) {
        float a = kPi / 4 + i * kPi / 2;
        Vec3 radial{std::cos(a), std::sin(a), 0}, side{-std::sin(a), std::cos(a), 0};
        add_slab(b, fin, {0, 0, 0}, radial, {0, 0, 1}, side, 1.2f, top_view({0.5f, 0, 1, 0.5f}, -13, 13, 14, 33));
    }
    return b.mesh();
}

Mesh make_powerup_mesh() {
    MeshBuilder b;
    add_loft(b, {{-50, 0, 0, 0, 0}, {-20, 0, 0, 36, 36}, {0, 0, 0, 46, 46}, {20, 0, 0, 36, 36}, {50, 0, 0, 0, 0}},
             10, 0, wrap_around({0, 0, 1, 1}));
    return b.mesh();
}

}  // namespace assetgen
