// Turns a parsed .x scene into one drawable triangle list: the meshes joined
// with their frame transforms applied, polygons split into triangles in face
// order (a fan from each polygon's first corner), and a vertex split wherever
// one position is used with different normals.
#pragma once

#include "xfile_parser.h"

#include <string>
#include <vector>

namespace platform {

struct MeshData {
    DWORD fvf = 0;  // XYZ, plus NORMAL, DIFFUSE and TEX1 as the file provides them
    UINT stride = 0;
    UINT vertexCount = 0;
    std::vector<uint8_t> vertices;   // vertexCount * stride bytes in the format's layout
    std::vector<uint32_t> indices;   // three per triangle, triangles in face order
    std::vector<DWORD> attributes;   // one material number per triangle
    std::vector<XMaterial> materials;  // never empty: a white default when the file has none
};

// False with a reason when the joined mesh would need more than maxVertices
// vertices (65535 for 16-bit indices) or has no triangle.
bool buildMesh(const XFileScene& scene, UINT maxVertices, MeshData& out, std::string& error);

}  // namespace platform
