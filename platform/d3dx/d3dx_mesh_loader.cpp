// Meshes from text .x files: parse, join into one triangle list, and hand
// out the mesh, its materials and (when asked) an adjacency buffer.
#include "d3dx8_api.h"

#include "d3dx_mesh.h"
#include "diagnostics.h"
#include "file_paths.h"
#include "image_file.h"
#include "mesh_builder.h"
#include "xfile_parser.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kMaxMeshFileBytes = size_t(64) * 1024 * 1024;

// D3DXMATERIAL records followed by their texture names, in one buffer.
ID3DXBuffer* materialBuffer(const std::vector<platform::XMaterial>& materials) {
    size_t size = materials.size() * sizeof(D3DXMATERIAL);
    for (const auto& m : materials)
        if (m.hasTexture) size += m.textureFile.size() + 1;
    auto* buffer = new platform::D3DXBufferObject(size);
    auto* records = static_cast<D3DXMATERIAL*>(buffer->GetBufferPointer());
    char* names = reinterpret_cast<char*>(records + materials.size());
    for (size_t i = 0; i < materials.size(); ++i) {
        const platform::XMaterial& in = materials[i];
        D3DXMATERIAL& out = records[i];
        out.MatD3D.Diffuse = in.diffuse;
        // The file has no ambient colour; the diffuse one stands in for it.
        out.MatD3D.Ambient = in.diffuse;
        out.MatD3D.Specular = in.specular;
        out.MatD3D.Emissive = in.emissive;
        out.MatD3D.Power = in.power;
        out.pTextureFilename = nullptr;
        if (in.hasTexture) {
            std::memcpy(names, in.textureFile.c_str(), in.textureFile.size() + 1);
            out.pTextureFilename = names;
            names += in.textureFile.size() + 1;
        }
    }
    return buffer;
}

// Adjacency is not computed: every edge reads "no neighbour".
ID3DXBuffer* adjacencyBuffer(UINT faces) {
    auto* buffer = new platform::D3DXBufferObject(size_t(faces) * 3 * sizeof(DWORD));
    std::memset(buffer->GetBufferPointer(), 0xFF, buffer->GetBufferSize());
    return buffer;
}

HRESULT fail(const std::string& path, const std::string& why) {
    platform::reportUnusableFile("mesh", path, why);
    return E_FAIL;
}

}  // namespace

HRESULT D3DXLoadMeshFromX(LPCSTR fileName, DWORD options, IDirect3DDevice8* device,
                          ID3DXBuffer** adjacency, ID3DXBuffer** materials, DWORD* numMaterials,
                          ID3DXMesh** mesh) {
    if (adjacency) *adjacency = nullptr;
    if (materials) *materials = nullptr;
    if (numMaterials) *numMaterials = 0;
    if (mesh) *mesh = nullptr;
    if (!fileName || !device || !mesh) return D3DERR_INVALIDCALL;

    const std::string path = platform::resolvePath(fileName);
    std::vector<uint8_t> bytes;
    std::string error;
    if (!platform::readWholeFile(path, kMaxMeshFileBytes, bytes, error)) return fail(path, error);
    platform::XFileScene scene;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!platform::parseXFile(text, scene, error)) return fail(path, error);
    platform::MeshData data;
    if (!platform::buildMesh(scene, platform::maxMeshVertices(options), data, error))
        return fail(path, error);

    platform::MeshContents contents;
    contents.fvf = data.fvf;
    contents.vertexCount = data.vertexCount;
    contents.faceCount = UINT(data.attributes.size());
    contents.vertices = data.vertices.data();
    contents.indices = data.indices.data();
    contents.attributes = data.attributes.data();
    const HRESULT hr = platform::D3DXMeshObject::create(device, options, contents, mesh);
    if (FAILED(hr)) return hr;

    if (materials) *materials = materialBuffer(data.materials);
    if (numMaterials) *numMaterials = DWORD(data.materials.size());
    if (adjacency) *adjacency = adjacencyBuffer(contents.faceCount);
    return D3D_OK;
}
