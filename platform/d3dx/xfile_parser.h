// Our strict reader of text .x mesh files. It understands the objects a
// mesh file needs (Mesh, MeshNormals, MeshTextureCoords, MeshVertexColors,
// MeshMaterialList, Material, TextureFilename, Frame, FrameTransformMatrix),
// skips templates and every other object, and checks every count and index.
#pragma once

#include "d3d8_api.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct XVec3 {
    float x, y, z;
};
struct XVec2 {
    float u, v;
};

struct XMaterial {
    D3DCOLORVALUE diffuse{1, 1, 1, 1};
    float power = 0.0f;
    D3DCOLORVALUE specular{0, 0, 0, 1};
    D3DCOLORVALUE emissive{0, 0, 0, 1};
    bool hasTexture = false;
    std::string textureFile;
};

// Polygons stored flat: face f has cornerCounts[f] corners, whose indices
// follow those of face f-1 in `corners`.
struct XFaces {
    std::vector<uint32_t> cornerCounts;
    std::vector<uint32_t> corners;
};

struct XMesh {
    D3DMATRIX transform{};  // the joined frame transforms, row vectors
    std::vector<XVec3> positions;
    XFaces faces;
    bool hasNormals = false;
    std::vector<XVec3> normals;
    XFaces normalFaces;  // same corner counts as `faces`
    bool hasTextureCoords = false;
    std::vector<XVec2> textureCoords;  // one per position
    bool hasColours = false;
    std::vector<D3DCOLORVALUE> colours;  // one per position; white where the file gives none
    bool hasMaterialList = false;
    std::vector<XMaterial> materials;
    std::vector<uint32_t> faceMaterials;  // one per face
};

struct XFileScene {
    std::vector<XMesh> meshes;
};

// Parses a whole file (header included). On failure `error` says why and
// where; the scene is then incomplete and must not be used.
bool parseXFile(std::string_view bytes, XFileScene& scene, std::string& error);

}  // namespace platform
