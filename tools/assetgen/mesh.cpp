#include "mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace assetgen {
namespace {

constexpr float kMinArea = 1e-6f;

// Rounds away float noise so that equal points built along different
// paths share one index, and so the printed file never shows "-0.000000".
float tidy(float v) {
    float r = std::round(v * 1.0e5f) / 1.0e5f;
    return r == 0.0f ? 0.0f : r;
}

Vec3 tidy(Vec3 v) { return {tidy(v.x), tidy(v.y), tidy(v.z)}; }

void append(std::string& out, const char* format, double a, double b, double c, const char* end) {
    char line[128];
    std::snprintf(line, sizeof line, format, a, b, c, end);
    out += line;
}

}  // namespace

uint32_t MeshBuilder::position_index(Vec3 p, Vec2 uv) {
    auto key = std::make_tuple(p.x, p.y, p.z, tidy(uv.x), tidy(uv.y));
    auto found = m_positions.find(key);
    if (found != m_positions.end()) return found->second;
    uint32_t index = static_cast<uint32_t>(m_mesh.positions.size());
    m_mesh.positions.push_back(p);
    m_mesh.uvs.push_back({tidy(uv.x), tidy(uv.y)});
    m_positions.emplace(key, index);
    return index;
}

uint32_t MeshBuilder::normal_index(Vec3 n) {
    n = tidy(normalize(n));
    auto key = std::make_tuple(n.x, n.y, n.z);
    auto found = m_normals.find(key);
    if (found != m_normals.end()) return found->second;
    uint32_t index = static_cast<uint32_t>(m_mesh.normals.size());
    m_mesh.normals.push_back(n);
    m_normals.emplace(key, index);
    return index;
}

void MeshBuilder::add(Corner a, Corner b, Corner c, Vec3 outward) {
    a.position = tidy(a.position);
    b.position = tidy(b.position);
    c.position = tidy(c.position);
    Vec3 n = cross(b.position - a.position, c.position - a.position);
    if (length(n) < kMinArea) return;  // degenerate: no face, no NaN normal
    // Left-handed, clockwise seen from the front: the cross product of the
    // first two edges points at the viewer.
    if (dot(n, outward) < 0) std::swap(b, c);
    MeshFace face{};
    const Corner* corners[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
        face.position[i] = position_index(corners[i]->position, corners[i]->uv);
        face.normal[i] = normal_index(corners[i]->normal);
    }
    m_mesh.faces.push_back(face);
}

void MeshBuilder::add_flat(Corner a, Corner b, Corner c, Vec3 outward) {
    Vec3 n = cross(b.position - a.position, c.position - a.position);
    if (length(n) < kMinArea) return;
    if (dot(n, outward) < 0) n = n * -1.0f;
    a.normal = b.normal = c.normal = n;
    add(a, b, c, outward);
}

std::string write_x_file(const Mesh& mesh, const std::string& mesh_name, const std::string& texture_file) {
    std::string out = "xof 0303txt 0032\n\n";
    out += "Mesh " + mesh_name + " {\n";
    out += " " + std::to_string(mesh.positions.size()) + ";\n";
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const Vec3& p = mesh.positions[i];
        append(out, " %.5f;%.5f;%.5f;%s\n", p.x, p.y, p.z, i + 1 < mesh.positions.size() ? "," : ";");
    }
    auto write_faces = [&](bool normals) {
        out += " " + std::to_string(mesh.faces.size()) + ";\n";
        for (size_t i = 0; i < mesh.faces.size(); ++i) {
            const uint32_t* idx = normals ? mesh.faces[i].normal : mesh.faces[i].position;
            out += " 3;" + std::to_string(idx[0]) + "," + std::to_string(idx[1]) + "," + std::to_string(idx[2]) +
                   (i + 1 < mesh.faces.size() ? ";,\n" : ";;\n");
        }
    };
    write_faces(false);
    out += "\n MeshNormals {\n";
    out += "  " + std::to_string(mesh.normals.size()) + ";\n";
    for (size_t i = 0; i < mesh.normals.size(); ++i) {
        const Vec3& n = mesh.normals[i];
        append(out, "  %.5f;%.5f;%.5f;%s\n", n.x, n.y, n.z, i + 1 < mesh.normals.size() ? "," : ";");
    }
    write_faces(true);
    out += " }\n\n MeshTextureCoords {\n";
    out += "  " + std::to_string(mesh.uvs.size()) + ";\n";
    for (size_t i = 0; i < mesh.uvs.size(); ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "  %.5f;%.5f;%s\n", mesh.uvs[i].x, mesh.uvs[i].y,
                      i + 1 < mesh.uvs.size() ? "," : ";");
        out += line;
    }
    out += " }\n\n MeshMaterialList {\n  1;\n  " + std::to_string(mesh.faces.size()) + ";\n";
    for (size_t i = 0; i < mesh.faces.size(); ++i) out += i + 1 < mesh.faces.size() ? "  0,\n" : "  0;;\n";
    out += "  Material {\n   1.000000;1.000000;1.000000;1.000000;;\n   0.000000;\n"
           "   0.000000;0.000000;0.000000;;\n   0.000000;0.000000;0.000000;;\n";
    out += "   TextureFilename {\n    \"" + texture_file + "\";\n   }\n  }\n }\n}\n";
    return out;
}

}  // namespace assetgen
