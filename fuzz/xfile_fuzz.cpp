// Fuzzes .x files the way the game loads them: by file name through
// D3DXLoadMeshFromX to a mesh on the device (reader, mesh builder, vertex,
// index and attribute buffers), then through the mesh object's own load
// (the clone to its vertex format, the colours) and one draw of it.
#include "fuzz_support.h"
#include "fuzz_target.h"

#include "MeshObject.h"
#include "assetgen/mesh.h"
#include "assetgen/world_meshes.h"
#include "d3dx8_api.h"

#include <cstdlib>

namespace {

// What the device mesh hands out must be self-consistent: every index names
// a vertex and every face a material.
void checkMesh(ID3DXMesh* mesh, DWORD materials) {
    const DWORD vertices = mesh->GetNumVertices(), faces = mesh->GetNumFaces();
    if (vertices == 0 || faces == 0 || materials == 0) std::abort();
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    BYTE* indices = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indices)) || !indices) std::abort();
    for (DWORD i = 0; i < faces * 3; ++i) {
        const DWORD index = wide ? reinterpret_cast<const uint32_t*>(indices)[i]
                                 : reinterpret_cast<const uint16_t*>(indices)[i];
        if (index >= vertices) std::abort();
    }
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    if (FAILED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes)) || !attributes) std::abort();
    for (DWORD i = 0; i < faces; ++i)
        if (attributes[i] >= materials) std::abort();
    mesh->UnlockAttributeBuffer();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IDirect3DDevice8* device = fuzzsupport::device();
    if (!device) std::abort();
    const std::string path = fuzzsupport::scratchFile(data, size, ".x");

    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    const HRESULT hr = D3DXLoadMeshFromX(path.c_str(), D3DXMESH_MANAGED, device, nullptr, &materials,
                                         &materialCount, &mesh);
    if (SUCCEEDED(hr) != (mesh != nullptr)) std::abort();
    if (!mesh) {
        if (materials) std::abort();  // nothing handed out with a failure
        return 0;
    }
    if (!materials || materials->GetBufferSize() < materialCount * sizeof(D3DXMATERIAL)) std::abort();
    checkMesh(mesh, materialCount);
    mesh->Release();
    materials->Release();

    CMeshObject object;
    if (!object.Load(path.c_str(), nullptr, 0xFF8080FF, device, 1)) std::abort();  // it loaded above
    device->BeginScene();
    object.Draw(0);
    device->EndScene();
    return 0;
}

std::vector<std::string> fuzzSeeds() {
    // The game's own models as the generator writes them, then hand-made ones
    // for the parts of the format the generator does not use.
    return {
        assetgen::write_x_file(assetgen::make_blaster_mesh(), "blaster", "blaster.bmp"),
        assetgen::write_x_file(assetgen::make_powerup_mesh(), "powerup", "powerup.bmp"),
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
