// The models: each parses strictly, faces the platform's way (clockwise
// seen from outside in left-handed coordinates, normals outward), and has
// the size and orientation the game places it with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "format_checks.h"
#include "test_env.h"

namespace {

using formats::Vec3;

Vec3 sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double len(Vec3 a) { return std::sqrt(dot(a, a)); }

formats::XMesh load(const std::string& name) {
    formats::XMesh mesh;
    const auto bytes = formats::read_file(testenv::runDir() + "/media/" + name);
    EXPECT_EQ(formats::parse_x(std::string(bytes.begin(), bytes.end()), mesh), "") << name;
    return mesh;
}

struct Box {
    Vec3 lo, hi;
    Vec3 size() const { return sub(hi, lo); }
};

Box box(const formats::XMesh& m) {
    Box b{m.positions[0], m.positions[0]};
    for (const Vec3& p : m.positions) {
        b.lo = {std::min(b.lo.x, p.x), std::min(b.lo.y, p.y), std::min(b.lo.z, p.z)};
        b.hi = {std::max(b.hi.x, p.x), std::max(b.hi.y, p.y), std::max(b.hi.z, p.z)};
    }
    return b;
}

double mean_radius(const formats::XMesh& m) {
    double s = 0;
    for (const Vec3& p : m.positions) s += len(p);
    return s / m.positions.size();
}

const char* const kMeshes[] = {"ship1.x", "ship2.x", "ship3.x", "blaster.x", "missle1.x",
                               "shield.x", "powerup.x", "kelvane1.x", "planet1.x"};

TEST(MeshFiles, EveryModelIsTrianglesWithUnitNormalsFacingItsWinding) {
    for (const char* name : kMeshes) {
        SCOPED_TRACE(name);
        formats::XMesh m = load(name);
        ASSERT_FALSE(m.faces.empty());
        EXPECT_LT(m.positions.size(), 65536u);
        EXPECT_EQ(m.materials, 1);
        for (const Vec3& n : m.normals) EXPECT_NEAR(len(n), 1.0, 1e-3);
        int against = 0;
        for (size_t f = 0; f < m.faces.size(); ++f) {
            ASSERT_EQ(m.faces[f].size(), 3u);
            Vec3 a = m.positions[m.faces[f][0]], b = m.positions[m.faces[f][1]], c = m.positions[m.faces[f][2]];
            Vec3 face = cross(sub(b, a), sub(c, a));
            EXPECT_GT(len(face), 0.0) << "degenerate face " << f;
            Vec3 n{0, 0, 0};
            for (uint32_t k : m.face_normals[f]) n = {n.x + m.normals[k].x, n.y + m.normals[k].y, n.z + m.normals[k].z};
            against += dot(face, n) <= 0;
        }
        EXPECT_EQ(against, 0) << "faces whose winding disagrees with their normals";
        for (auto [u, v] : m.uvs) {
            EXPECT_GE(u, -0.01);
            EXPECT_LE(u, 1.01);
            EXPECT_GE(v, -0.01);
            EXPECT_LE(v, 1.01);
        }
    }
}

TEST(MeshFiles, EachNamesATextureThatExistsWithPowerOfTwoSides) {
    const std::pair<const char*, const char*> table[] = {
        {"ship1.x", "ship1.bmp"},         {"ship2.x", "ship2.bmp"},     {"ship3.x", "ship3.bmp"},
        {"blaster.x", "blastersurf.bmp"}, {"missle1.x", "surface1.bmp"}, {"shield.x", "shield2.bmp"},
        {"powerup.x", "powerup.bmp"},     {"kelvane1.x", "surface2.bmp"}, {"planet1.x", "planetskin1.bmp"}};
    auto power_of_two = [](int v) { return v > 0 && (v & (v - 1)) == 0; };
    for (auto [mesh, texture] : table) {
        EXPECT_EQ(load(mesh).texture_file, texture);
        formats::Bitmap bmp;
        EXPECT_EQ(formats::parse_bmp(formats::read_file(testenv::runDir() + "/media/" + texture), bmp), "") << texture;
        EXPECT_TRUE(power_of_two(bmp.width) && power_of_two(bmp.height)) << texture;
    }
}

TEST(MeshFiles, RockIsAnIrregularLumpOfMeanRadiusFifty) {
    formats::XMesh m = load("kelvane1.x");
    EXPECT_LE(m.faces.size(), 500u);
    const double mean = mean_radius(m);
    EXPECT_NEAR(mean, 50.0, 1.0);
    double var = 0, lo = 1e9, hi = 0;
    for (const Vec3& p : m.positions) {
        var += (len(p) - mean) * (len(p) - mean);
        lo = std::min(lo, len(p));
        hi = std::max(hi, len(p));
    }
    EXPECT_GT(std::sqrt(var / m.positions.size()) / mean, 0.08) << "too round to read as rock";
    EXPECT_GT(lo, 25.0) << "a dent nearly through the rock";
    EXPECT_LT(hi, 80.0);
    // Solid from every side: each of the six axis directions has surface.
    Box b = box(m);
    for (double extent : {b.hi.x, b.hi.y, b.hi.z, -b.lo.x, -b.lo.y, -b.lo.z}) EXPECT_GT(extent, 30.0);
    for (const Vec3& n : m.normals) EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
}

TEST(MeshFiles, PlanetIsASphereUnderRadiusHundredWithPolesOnY) {
    formats::XMesh m = load("planet1.x");
    const double r = mean_radius(m);
    EXPECT_LT(r, 100.0);
    EXPECT_GT(r, 50.0);
    for (const Vec3& p : m.positions) EXPECT_NEAR(len(p), r, 1e-3);
    // The pole vertices (v = 0 and v = 1) lie on the y axis.
    for (size_t i = 0; i < m.positions.size(); ++i)
        if (m.uvs[i].second < 1e-6 || m.uvs[i].second > 1 - 1e-6) {
            EXPECT_NEAR(std::fabs(m.positions[i].y), r, 1e-3);
            EXPECT_EQ(m.uvs[i].second < 0.5, m.positions[i].y > 0) << "v = 0 is the +y pole";
        }
}

TEST(MeshFiles, ShipsPointAlongMinusZAndAreToldApart) {
    Box boxes[3];
    size_t faces[3];
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        formats::XMesh m = load("ship" + std::to_string(i + 1) + ".x");
        boxes[i] = box(m);
        faces[i] = m.faces.size();
        Vec3 size = boxes[i].size();
        EXPECT_GE(size.z, 10.0);
        EXPECT_LE(size.z, 12.5);
        EXPECT_LE(size.x, 12.5);
        EXPECT_LT(size.y, size.x) << "a flat craft, seen from above in play";
        EXPECT_NEAR(boxes[i].lo.z + boxes[i].hi.z, 0.0, 1.5) << "centred on the origin";
        EXPECT_NEAR(boxes[i].lo.x + boxes[i].hi.x, 0.0, 1e-3) << "symmetric left and right";
        EXPECT_GT(boxes[i].hi.y, -boxes[i].lo.y) << "canopy and fins on top (+y)";
        // The engines' glow (the texture patch centred on u 0.875, v 0.625)
        // sits at the tail, so the nose is the -z end.
        int glow = 0;
        for (size_t k = 0; k < m.positions.size(); ++k)
            if (std::fabs(m.uvs[k].first - 0.875) < 1e-3 && std::fabs(m.uvs[k].second - 0.625) < 1e-3) {
                ++glow;
                EXPECT_GT(m.positions[k].z, size.z * 0.25);
            }
        EXPECT_GT(glow, 0);
    }
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) {
            Vec3 a = boxes[i].size(), b = boxes[j].size();
            double diff = std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z);
            EXPECT_TRUE(diff > 1.0 || faces[i] != faces[j]) << "ships " << i << " and " << j << " look alike";
        }
}

TEST(MeshFiles, SmallModelsHaveTheSizesTheGameScalesThemBy) {
    struct Row {
        const char* name;
        double length_lo, length_hi;  // along z
        double width_lo, width_hi;    // along x
    };
    const Row table[] = {{"blaster.x", 120, 160, 20, 30},
                         {"missle1.x", 60, 80, 10, 30},
                         {"shield.x", 36, 44, 36, 44},
                         {"powerup.x", 90, 110, 80, 100}};
    for (const Row& r : table) {
        SCOPED_TRACE(r.name);
        Vec3 size = box(load(r.name)).size();
        EXPECT_GE(size.z, r.length_lo);
        EXPECT_LE(size.z, r.length_hi);
        EXPECT_GE(size.x, r.width_lo);
        EXPECT_LE(size.x, r.width_hi);
    }
    formats::XMesh blaster = load("blaster.x");
    Box b = box(blaster);
    EXPECT_LT(b.lo.z, -b.hi.z) << "the bolt's nose reaches further along -z";
}

}  // namespace
