// Fuzzes the .x reader and the mesh builder: any bytes must give a mesh or a
// reason, with no read outside the input, no unbounded recursion and no
// allocation larger than the input justifies.
#include "fuzz_target.h"

#include "mesh_builder.h"
#include "xfile_parser.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::XFileScene scene;
    std::string error;
    if (!platform::parseXFile(std::string_view(reinterpret_cast<const char*>(data), size), scene, error))
        return 0;
    platform::MeshData mesh;
    if (!platform::buildMesh(scene, 65535, mesh, error)) return 0;
    // What the builder hands out must be self-consistent.
    if (mesh.indices.size() != mesh.attributes.size() * 3 || mesh.materials.empty()) std::abort();
    for (uint32_t index : mesh.indices)
        if (index >= mesh.vertexCount) std::abort();
    for (DWORD attribute : mesh.attributes)
        if (attribute >= mesh.materials.size()) std::abort();
    return 0;
}

std::vector<std::string> fuzzSeeds() {
    return {
        R"(xof 0302txt 0032
template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
Material Red { 1.0;0.0;0.0;1.0;; 5.0; 0.1;0.2;0.3;; 0.0;0.0;0.0;; TextureFilename { "red.bmp"; } }
Frame Root {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,20,30,1;; }
  Mesh Quad {
    4; -1;-1;0;, 1;-1;0;, 1;1;0;, -1;1;0;;
    1; 4;0,1,2,3;;
    MeshNormals { 1; 0;0;-1;; 1; 4;0,0,0,0;; }
    MeshTextureCoords { 4; 0;1;, 1;1;, 1;0;, 0;0;; }
    MeshMaterialList { 1; 1; 0;; { Red } }
  }
})",
        R"(xof 0303txt 0064
Mesh tri {
  3; 0;0;0;, 1;0;0;, 0;1;0;;
  2; 3;0,1,2;, 3;2,1,0;;
  MeshNormals { 2; 0;0;-1;, 0;0;1;; 2; 3;0,0,0;, 3;1,1,1;; }
  MeshVertexColors { 2; 0;1.0;0.5;0.0;1.0;;, 2;0;0;1;0.5;; }
  MeshMaterialList { 2; 2; 0, 1;;
    Material { 0;0;1;1;; 0; 0;0;0;; 0;0;0;; }
    Material { 1;1;0;1;; 0; 0;0;0;; 0;0;0;; } }
}
# trailing comment)",
        "xof 0302txt 0032\nFrame { Frame { Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;; } } }",
        "xof 0302txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }",
        "xof 0302bin 0032",
    };
}
