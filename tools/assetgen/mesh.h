// A triangle mesh as the text .x format stores it: one uv per position,
// and normals indexed per face corner.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "vec.h"

namespace assetgen {

struct MeshFace {
    uint32_t position[3];
    uint32_t normal[3];
};

struct Mesh {
    std::vector<Vec3> positions;
    std::vector<Vec2> uvs;  // one per position; v runs down the image
    std::vector<Vec3> normals;
    std::vector<MeshFace> faces;
};

// One corner of a triangle being added.
struct Corner {
    Vec3 position;
    Vec2 uv;
    Vec3 normal;  // ignored by add_flat
};

// Collects triangles and shares identical positions (with identical uv)
// and identical normals, in first-seen order, so the output is stable.
class MeshBuilder {
public:
    // Adds a triangle with its own corner normals. The corners are put in
    // clockwise order as seen from the side `outward` points to.
    void add(Corner a, Corner b, Corner c, Vec3 outward);
    // Adds a triangle whose three corners take its face normal.
    void add_flat(Corner a, Corner b, Corner c, Vec3 outward);

    size_t face_count() const { return m_mesh.faces.size(); }
    const Mesh& mesh() const { return m_mesh; }

private:
    uint32_t position_index(Vec3 p, Vec2 uv);
    uint32_t normal_index(Vec3 n);

    Mesh m_mesh;
    std::map<std::tuple<float, float, float, float, float>, uint32_t> m_positions;
    std::map<std::tuple<float, float, float>, uint32_t> m_normals;
};

// The text .x file ("xof 0303txt 0032") holding one Mesh with
// MeshNormals, MeshTextureCoords and a one-material MeshMaterialList
// naming `texture_file`.
std::string write_x_file(const Mesh& mesh, const std::string& mesh_name, const std::string& texture_file);

}  // namespace assetgen
