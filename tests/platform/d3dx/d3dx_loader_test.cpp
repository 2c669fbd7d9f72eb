// Textures from image files and meshes from .x files through the utility
// library's calls, on the headless device.
#include "bmp_writer.h"
#include "../d3d8/pipeline_fixture.h"
#include "test_env.h"
#include "texture.h"

#include <filesystem>
#include <fstream>

namespace {

using namespace pipeline_test;

std::string writeFile(const std::string& name, const std::string& bytes) {
    const std::string path = testenv::outputPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<uint32_t> readLevel(IDirect3DTexture8* texture, UINT level, UINT width, UINT height) {
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<uint32_t> texels(size_t(width) * height);
    for (UINT y = 0; y < height; ++y)
        std::memcpy(&texels[size_t(y) * width], static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                    size_t(width) * 4);
    texture->UnlockRect(level);
    return texels;
}

TEST(D3DXLoader, BitmapBecomesAManagedTextureOfItsOwnSizeWithAFullChain) {
    HeadlessDevice d;
    // 6x3: not a power of two; black stays the value 0.
    std::vector<uint32_t> texels(18, 0x00000000);
    texels[0] = 0x00FF0000;
    texels[1] = 0x00FF0000;
    texels[6] = 0x00FF0000;
    texels[7] = 0x00FF0000;
    const std::string path = writeFile("loader_plain.bmp", platform::encodeBmp(6, 3, texels));
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(d.device(), path.c_str(), &texture), D3D_OK);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Width, 6u);
    EXPECT_EQ(desc.Height, 3u);
    EXPECT_EQ(texture->GetLevelCount(), 3u);  // 6x3, 3x1, 1x1
    EXPECT_EQ(readLevel(texture, 0, 6, 3), texels);
    // The next level averages 2x2 blocks.
    EXPECT_EQ(readLevel(texture, 1, 3, 1), (std::vector<uint32_t>{0x00FF0000, 0, 0}));
    texture->Release();

    std::vector<uint32_t> withAlpha(4, 0x80FFFFFF);
    const std::string alphaPath =
        writeFile("loader_alpha.bmp", platform::encodeBmp(2, 2, withAlpha, {32, true}));
    ASSERT_EQ(D3DXCreateTextureFromFileA(d.device(), alphaPath.c_str(), &texture), D3D_OK);
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(readLevel(texture, 0, 2, 2), withAlpha);
    texture->Release();
}

// Padded rows cannot take the decoded texels as they are: the levels are
// filled row by row instead and read the same.
TEST(D3DXLoader, PaddedRowsHoldTheSameLevels) {
    HeadlessDevice d;
    std::vector<uint32_t> texels(4 * 2);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = 0x00102030u * uint32_t(i + 1);
    const std::string path = writeFile("loader_padded.bmp", platform::encodeBmp(4, 2, texels));
    IDirect3DTexture8* plain = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(d.device(), path.c_str(), &plain), D3D_OK);
    platform::setExtraTexturePitch(12);
    IDirect3DTexture8* padded = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileA(d.device(), path.c_str(), &padded);
    platform::setExtraTexturePitch(0);
    ASSERT_EQ(hr, D3D_OK);
    EXPECT_EQ(readLevel(padded, 0, 4, 2), texels);
    for (UINT level = 0; level < 3; ++level) {
        const UINT w = std::max(1u, 4u >> level), h = std::max(1u, 2u >> level);
        EXPECT_EQ(readLevel(padded, level, w, h), readLevel(plain, level, w, h)) << level;
    }
    padded->Release();
    plain->Release();
}

TEST(D3DXLoader, MissingOrBrokenImagesFailWithNoTexture) {
    HeadlessDevice d;
    const std::string broken = writeFile("loader_broken.bmp", "BM this is not a bitmap at all........");
    for (const std::string& path : {testenv::outputPath("loader_missing.bmp"), broken}) {
        IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(1);
        EXPECT_LT(D3DXCreateTextureFromFileA(d.device(), path.c_str(), &texture), 0) << path;
        EXPECT_EQ(texture, nullptr);
    }
    IDirect3DTexture8* texture = nullptr;
    EXPECT_LT(D3DXCreateTextureFromFileA(nullptr, broken.c_str(), &texture), 0);
    EXPECT_LT(D3DXCreateTextureFromFileA(d.device(), nullptr, &texture), 0);
}

TEST(D3DXLoader, CreateTextureGivesTheSizeAsked) {
    HeadlessDevice d;
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTexture(d.device(), 320, 240, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 320u);
    EXPECT_EQ(desc.Height, 240u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    texture->Release();
}

const char* kTexturedQuad = R"(xof 0302txt 0032
Mesh {
  4; -1;-1;0;, -1;1;0;, 1;1;0;, 1;-1;0;;
  1; 4;0,1,2,3;;
  MeshNormals { 1; 0;0;-1;; 1; 4;0,0,0,0;; }
  MeshTextureCoords { 4; 0;1;, 0;0;, 1;0;, 1;1;; }
  MeshMaterialList { 1; 1; 0;;
    Material { 1.0;0.5;0.0;1.0;; 0.0; 0;0;0;; 0;0;0;; TextureFilename { "skin.bmp"; } } }
}
)";

TEST(D3DXLoader, MeshLoadsAsTheFileDescribesAndClonesToTheMeshFormat) {
    HeadlessDevice d;
    const std::string path = writeFile("Loader_Quad.x", kTexturedQuad);
    // Through the path mapping: backslashes and another case.
    const std::string folder = path.substr(0, path.rfind('/'));
    const std::string asGameWrites = folder + "\\loader_quad.X";
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    DWORD count = 0;
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX(asGameWrites.c_str(), D3DXMESH_MANAGED, d.device(), &adjacency,
                                &materials, &count, &mesh),
              D3D_OK);
    EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(mesh->GetNumVertices(), 4u);
    EXPECT_EQ(mesh->GetNumFaces(), 2u);
    ASSERT_EQ(count, 1u);
    const auto* material = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_EQ(D3DCOLOR(D3DXCOLOR(material->MatD3D.Diffuse)), 0xFFFF8000u);
    EXPECT_STREQ(material->pTextureFilename, "skin.bmp");
    EXPECT_EQ(adjacency->GetBufferSize(), 2u * 3 * sizeof(DWORD));
    EXPECT_EQ(materials->Release(), 0u);
    adjacency->Release();

    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED, 0x152, d.device(), &clone), D3D_OK);
    EXPECT_EQ(mesh->Release(), 0u);
    EXPECT_EQ(clone->GetFVF(), 0x152u);
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(clone->GetVertexBuffer(&vertices), D3D_OK);
    ASSERT_EQ(clone->GetIndexBuffer(&indices), D3D_OK);
    BYTE* bytes = nullptr;
    vertices->Lock(0, 0, &bytes, D3DLOCK_READONLY);
    MeshVertex v[4];
    std::memcpy(v, bytes, sizeof v);
    vertices->Unlock();
    EXPECT_EQ(v[1].y, 1.0f);
    EXPECT_EQ(v[1].nz, -1.0f);
    EXPECT_EQ(v[1].diffuse, 0xFFFFFFFFu) << "a colour the file lacked is white";
    EXPECT_EQ(v[3].u, 1.0f);
    EXPECT_EQ(v[3].v, 1.0f);
    D3DINDEXBUFFER_DESC indexDesc{};
    indices->GetDesc(&indexDesc);
    EXPECT_EQ(indexDesc.Format, D3DFMT_INDEX16);
    EXPECT_EQ(indexDesc.Size, 12u);
    uint16_t corners[6];
    indices->Lock(0, 0, &bytes, D3DLOCK_READONLY);
    std::memcpy(corners, bytes, sizeof corners);
    indices->Unlock();
    EXPECT_EQ(std::vector<uint16_t>(corners, corners + 6), (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
    DWORD* attributes = nullptr;
    ASSERT_EQ(clone->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), D3D_OK);
    EXPECT_EQ(attributes[0], 0u);
    EXPECT_EQ(attributes[1], 0u);
    clone->UnlockAttributeBuffer();

    // Held references keep the buffers; releasing everything frees all.
    EXPECT_EQ(clone->Release(), 0u);
    EXPECT_EQ(vertices->Release(), 0u);
    EXPECT_EQ(indices->Release(), 0u);
}

TEST(D3DXLoader, MeshFailuresLeaveEveryOutputEmpty) {
    HeadlessDevice d;
    const std::string broken = writeFile("loader_broken.x", "xof 0302txt 0032\nMesh { 3; 0;0;0;; }");
    for (const std::string& path : {testenv::outputPath("loader_missing.x"), broken}) {
        ID3DXBuffer* materials = reinterpret_cast<ID3DXBuffer*>(1);
        DWORD count = 7;
        ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
        EXPECT_LT(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_MANAGED, d.device(), nullptr, &materials, &count, &mesh), 0);
        EXPECT_EQ(mesh, nullptr);
        EXPECT_EQ(materials, nullptr);
        EXPECT_EQ(count, 0u);
    }
    EXPECT_EQ(host::defaultPoolResources(), 0);
}

TEST(D3DXLoader, LoadedMeshDrawsLitAndTextured) {
    HeadlessDevice d;
    const std::string path = writeFile("loader_draw.x", kTexturedQuad);
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ID3DXMesh* loaded = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_MANAGED, d.device(), nullptr, &materials, &count, &loaded), D3D_OK);
    materials->Release();
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(loaded->CloneMeshFVF(D3DXMESH_MANAGED, 0x152, d.device(), &mesh), D3D_OK);
    loaded->Release();
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    mesh->GetVertexBuffer(&vertices);
    mesh->GetIndexBuffer(&indices);

    // A 2x2 texture: red on top, green below.
    IDirect3DTexture8* texture = makeTexture(d.device(), 2, 2, D3DFMT_X8R8G8B8,
                                             {0x00FF0000, 0x00FF0000, 0x0000FF00, 0x0000FF00});
    D3DXMATRIX world, view, projection;
    D3DXMatrixTranslation(&world, 0, 0, 5);
    D3DXMatrixIdentity(&view);
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 800.0f / 600.0f, 1.0f, 1000.0f);
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_PROJECTION, &projection);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d->BeginScene();
    d->SetTexture(0, texture);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetVertexShader(0x152);
    d->SetStreamSource(0, vertices, 36);
    d->SetIndices(indices, 0);
    ASSERT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, mesh->GetNumVertices(), 0, mesh->GetNumFaces()), D3D_OK);
    d->SetVertexShader(0);
    d->EndScene();
    EXPECT_EQ(pixel(400, 260), 0xFFFF0000u) << "texture row 0 at the top";
    EXPECT_EQ(pixel(400, 340), 0xFF00FF00u);
    EXPECT_EQ(pixel(400, 100), 0xFF000000u);

    d->SetStreamSource(0, nullptr, 0);
    d->SetIndices(nullptr, 0);
    d->SetTexture(0, nullptr);
    texture->Release();
    vertices->Release();
    indices->Release();
    EXPECT_EQ(mesh->Release(), 0u);
}

// Every model and picture the asset generator writes loads, each model with
// positions, normals and texture coordinates, as the game's meshes need.
TEST(D3DXLoader, EveryGeneratedModelAndPictureLoads) {
    const std::filesystem::path media = std::filesystem::path(testenv::runDir()) / "media";
    ASSERT_TRUE(std::filesystem::is_directory(media)) << "no generated media in " << media;
    HeadlessDevice d;
    int models = 0, pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(media)) {
        const std::string path = entry.path().string();
        const std::string extension = entry.path().extension().string();
        SCOPED_TRACE(path);
        if (extension == ".x") {
            ID3DXBuffer* materials = nullptr;
            DWORD count = 0;
            ID3DXMesh* mesh = nullptr;
            ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_MANAGED, d.device(), nullptr, &materials, &count, &mesh), D3D_OK);
            EXPECT_EQ(mesh->GetFVF() & 0x112u, 0x112u);
            EXPECT_GT(mesh->GetNumFaces(), 0u);
            EXPECT_GE(count, 1u);
            materials->Release();
            mesh->Release();
            ++models;
        } else if (extension == ".bmp") {
            IDirect3DTexture8* texture = nullptr;
            ASSERT_EQ(D3DXCreateTextureFromFileA(d.device(), path.c_str(), &texture), D3D_OK);
            texture->Release();
            ++pictures;
        }
    }
    EXPECT_GT(models, 0);
    EXPECT_GT(pictures, 0);
}

}  // namespace
