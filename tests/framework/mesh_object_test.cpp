// The mesh object: loading and colouring, where Draw puts the model and what
// it leaves on the device, the shield's translucency, a missing file, and
// the frame list with its tween and the second mesh slot.
#include "MeshObject.h"

#include "drawing_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using drawtest::DrawingTest;

const float kPi = 3.14159265f;

class MeshObjectTest : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        if (!HasFatalFailure()) requireResources();
    }

    // Vertex colours (and positions) as the mesh holds them now.
    std::vector<SMeshVertex> vertices(ID3DXMesh* mesh) {
        std::vector<SMeshVertex> out;
        IDirect3DVertexBuffer8* buffer = nullptr;
        mesh->GetVertexBuffer(&buffer);
        if (!buffer) return out;
        BYTE* data = nullptr;
        const DWORD count = mesh->GetNumVertices();
        buffer->Lock(0, count * sizeof(SMeshVertex), &data, D3DLOCK_READONLY);
        if (data) {
            const SMeshVertex* v = reinterpret_cast<const SMeshVertex*>(data);
            out.assign(v, v + count);
        }
        buffer->Unlock();
        buffer->Release();
        return out;
    }

    static ULONG refCount(IUnknown* object) {
        object->AddRef();
        return object->Release();
    }
};

TEST_F(MeshObjectTest, LoadWritesTheColourArgumentUnchangedOnEveryVertex) {
    if (HasFatalFailure()) return;
    // Without vertex colours the file loads in another format and is cloned;
    // with them it is already in the mesh vertex format.
    for (bool vertexColours : {false, true}) {
        const std::string file = drawtest::writeMesh(
            vertexColours ? "coloured.x" : "plain.x", drawtest::rectangle(0, 0, 20, 5), {}, {},
            vertexColours);
        CMeshObject mesh;
        ASSERT_EQ(mesh.Load(file.c_str(), nullptr, 0x4DFFFFFF, device(), 0), 1);
        ASSERT_NE(mesh.m_pMesh[0], nullptr);
        EXPECT_EQ(mesh.m_pMesh[0]->GetFVF(), DWORD(D3DFVF_MESHVERTEX));
        EXPECT_EQ(mesh.m_pMesh[0]->GetNumFaces(), 2u);
        EXPECT_EQ(mesh.m_pTexture, nullptr);
        const std::vector<SMeshVertex> loaded = vertices(mesh.m_pMesh[0]);
        ASSERT_EQ(loaded.size(), 6u);
        for (const SMeshVertex& v : loaded) {
            EXPECT_EQ(v.diffuse, 0x4DFFFFFFu);
            EXPECT_EQ(v.nz, -1.0f);
        }

        EXPECT_EQ(mesh.SetColour(0x12345678), 1);
        for (const SMeshVertex& v : vertices(mesh.m_pMesh[0])) EXPECT_EQ(v.diffuse, 0x12345678u);
    }
}

TEST_F(MeshObjectTest, MaterialColoursAreClampedAndRounded) {
    if (HasFatalFailure()) return;
    std::vector<drawtest::MeshCorner> corners = drawtest::rectangle(0, 0, 10, 10);
    const std::vector<drawtest::MeshCorner> second = drawtest::rectangle(20, 0, 30, 10);
    corners.insert(corners.end(), second.begin(), second.end());
    const std::string file = drawtest::writeMesh(
        "materials.x", corners, {{1.0f, 0.5f, 0.0f, 1.0f}, {1.2f, -0.1f, 0.25f, 0.3f}},
        {0, 0, 1, 1});

    CMeshObject mesh;
    ASSERT_EQ(mesh.Load(file.c_str(), nullptr, 0xFF00FF00, device(), 1), 1);
    ASSERT_EQ(mesh.m_dwNumMaterials[0], 2u);
    EXPECT_EQ(mesh.m_pMaterials[0][0].Diffuse.g, 0.5f);

    std::vector<SMeshVertex> v = vertices(mesh.m_pMesh[0]);
    ASSERT_EQ(v.size(), 12u);
    // Our test meshes give each face its own three vertices, in face order.
    IDirect3DIndexBuffer8* indices = mesh.m_pIndexBuffer[0];
    ASSERT_NE(indices, nullptr);
    BYTE* data = nullptr;
    indices->Lock(0, 4 * 6, &data, D3DLOCK_READONLY);
    ASSERT_NE(data, nullptr);
    const WORD* index = reinterpret_cast<const WORD*>(data);
    for (int f = 0; f < 4; ++f) {
        const D3DCOLOR expected = f < 2 ? 0xFFFF8000 : 0x4DFF0040;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(v[index[3 * f + k]].diffuse, expected)
                << "face " << f << " got " << drawtest::hex(v[index[3 * f + k]].diffuse);
    }
    indices->Unlock();
}

TEST_F(MeshObjectTest, ColouringKeepsOneReferenceToEachBufferAndDestructionDropsIt) {
    if (HasFatalFailure()) return;
    const std::string file = drawtest::writeMesh("refs.x", drawtest::rectangle(0, 0, 1, 1));
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    IDirect3DIndexBuffer8* indexBuffer = nullptr;
    ULONG vertexRefs = 0, indexRefs = 0;
    {
        CMeshObject mesh;
        ASSERT_EQ(mesh.Load(file.c_str(), nullptr, 0xFFFFFFFF, device(), 0), 1);
        vertexBuffer = mesh.m_pVertexBuffer[0];
        indexBuffer = mesh.m_pIndexBuffer[0];
        ASSERT_NE(vertexBuffer, nullptr);
        ASSERT_NE(indexBuffer, nullptr);
        vertexRefs = refCount(vertexBuffer);
        indexRefs = refCount(indexBuffer);
        for (int frame = 0; frame < 20; ++frame) mesh.SetColour(0xFF000000 | DWORD(frame));
        EXPECT_EQ(refCount(vertexBuffer), vertexRefs);
        EXPECT_EQ(refCount(indexBuffer), indexRefs);
        mesh.Draw(1);
        device()->SetStreamSource(0, nullptr, 0);  // the device's own hold
        device()->SetIndices(nullptr, 0);
        vertexBuffer->AddRef();
        indexBuffer->AddRef();
    }
    // Only the references taken above are left.
    EXPECT_EQ(vertexBuffer->Release(), 0u);
    EXPECT_EQ(indexBuffer->Release(), 0u);
}

TEST_F(MeshObjectTest, MissingFilesLeaveAHarmlessObject) {
    if (HasFatalFailure()) return;
    CMeshObject mesh;
    EXPECT_EQ(mesh.Load("media\\no_such_mesh.x", "media\\no_such.bmp", 0xFFFFFFFF, device(), 0), 0);
    EXPECT_EQ(mesh.m_pMesh[0], nullptr);
    EXPECT_EQ(mesh.m_pMaterials[0], nullptr);
    EXPECT_EQ(mesh.m_pDevice, device());

    const D3DMATRIX marker = drawtest::translation(1, 2, 3);
    device()->SetTransform(D3DTS_WORLD, &marker);
    mesh.Draw(1);
    mesh.Draw(0);
    EXPECT_EQ(mesh.SetColour(0xFF00FF00), 0);
    EXPECT_EQ(mesh.ColourVertices(0xFF00FF00, 1), 0);
    EXPECT_EQ(mesh.ColourSecondMeshVertices(0xFF00FF00, 1), 0);
    mesh.TweenNodes();
    D3DMATRIX world;
    device()->GetTransform(D3DTS_WORLD, &world);
    EXPECT_TRUE(drawtest::matricesNear(world, marker, 0.0f));

    // A mesh whose texture is missing loads untextured.
    const std::string file = drawtest::writeMesh("untextured.x", drawtest::rectangle(0, 0, 1, 1));
    CMeshObject model;
    EXPECT_EQ(model.Load(file.c_str(), "media\\no_such.bmp", 0xFFFFFFFF, device(), 0), 1);
    EXPECT_EQ(model.m_pTexture, nullptr);
}

TEST_F(MeshObjectTest, DrawSetsTheWorldMatrixAndStageStatesOnlyWhenTextured) {
    if (HasFatalFailure()) return;
    const std::string file = drawtest::writeMesh("states.x", drawtest::rectangle(0, 0, 4, 4));
    const std::string image =
        drawtest::writeBmp("states.bmp", 8, 8, [](int, int) { return drawtest::Rgb{200, 200, 200}; });
    CMeshObject textured, plain;
    ASSERT_EQ(textured.Load(file.c_str(), image.c_str(), 0xFFFFFFFF, device(), 0), 1);
    ASSERT_NE(textured.m_pTexture, nullptr);
    ASSERT_EQ(plain.Load(file.c_str(), nullptr, 0xFFFFFFFF, device(), 0), 1);

    auto stage = [&](D3DTEXTURESTAGESTATETYPE type) {
        DWORD value = 0;
        device()->GetTextureStageState(0, type, &value);
        return value;
    };
    auto boundTexture = [&]() {
        IDirect3DBaseTexture8* texture = nullptr;
        device()->GetTexture(0, &texture);
        if (texture) texture->Release();
        return texture;
    };

    // Flag 0, or no texture: no texture bound, no stage state set.
    device()->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    textured.Draw(0);
    plain.Draw(1);
    EXPECT_EQ(stage(D3DTSS_ALPHAOP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(stage(D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG2));
    EXPECT_EQ(boundTexture(), nullptr);

    textured.m_fX = 10.0f;
    textured.m_fY = -5.0f;
    textured.m_fZ = 250.0f;
    textured.m_fRotX = 30.0f;
    textured.m_fRotY = 45.0f;
    textured.m_fRotZ = 90.0f;
    textured.m_fScaleX = 0.5f;
    textured.m_fScaleY = 2.0f;
    textured.m_fScaleZ = 3.0f;
    textured.Draw(1);
    EXPECT_EQ(stage(D3DTSS_ALPHAOP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(stage(D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(stage(D3DTSS_COLORARG1), DWORD(D3DTA_TEXTURE));
    EXPECT_EQ(stage(D3DTSS_COLORARG2), DWORD(D3DTA_DIFFUSE));
    EXPECT_EQ(boundTexture(), textured.m_pTexture);

    using namespace drawtest;
    const float toRad = 3.1415927f / 180.0f;
    const D3DMATRIX expected = multiply(
        multiply(multiply(multiply(scaling(0.5f, 2, 3), rotationX(30 * toRad)), rotationY(45 * toRad)),
                 rotationZ(90 * toRad)),
        translation(10, -5, 250));
    D3DMATRIX world;
    device()->GetTransform(D3DTS_WORLD, &world);
    EXPECT_TRUE(matricesNear(world, expected, 1e-4f));

    DWORD shader = 1;
    device()->GetVertexShader(&shader);
    EXPECT_EQ(shader, 0u);
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT stride = 0;
    device()->GetStreamSource(0, &stream, &stride);
    EXPECT_EQ(stream, textured.m_pVertexBuffer[0]);
    EXPECT_EQ(stride, 36u);
    if (stream) stream->Release();
    IDirect3DIndexBuffer8* indices = nullptr;
    UINT baseVertex = 1;
    device()->GetIndices(&indices, &baseVertex);
    EXPECT_EQ(indices, textured.m_pIndexBuffer[0]);
    EXPECT_EQ(baseVertex, 0u);
    if (indices) indices->Release();
}

TEST_F(MeshObjectTest, SecondLoadReleasesTheFirstModel) {
    if (HasFatalFailure()) return;
    const std::string first = drawtest::writeMesh("first.x", drawtest::rectangle(0, 0, 1, 1));
    const std::string second = drawtest::writeMesh("second.x", drawtest::rectangle(0, 0, 30, 2),
                                                   {{1, 1, 1, 1}, {1, 0, 0, 1}}, {0, 1});
    const std::string image =
        drawtest::writeBmp("first.bmp", 4, 4, [](int, int) { return drawtest::Rgb{9, 9, 9}; });
    CMeshObject mesh;
    ASSERT_EQ(mesh.Load(first.c_str(), image.c_str(), 0xFFFFFFFF, device(), 0), 1);
    ID3DXMesh* oldMesh = mesh.m_pMesh[0];
    IDirect3DVertexBuffer8* oldVertices = mesh.m_pVertexBuffer[0];
    IDirect3DTexture8* oldTexture = mesh.m_pTexture;
    ASSERT_NE(oldTexture, nullptr);
    oldMesh->AddRef();
    oldVertices->AddRef();
    oldTexture->AddRef();

    // A failed Load keeps the model it has.
    EXPECT_EQ(mesh.Load("media\\no_such_mesh.x", nullptr, 0xFF000000, device(), 0), 0);
    EXPECT_EQ(mesh.m_pMesh[0], oldMesh);
    EXPECT_EQ(mesh.m_dwNumMaterials[0], 1u);

    ASSERT_EQ(mesh.Load(second.c_str(), nullptr, 0xFFFFFFFF, device(), 1), 1);
    EXPECT_NE(mesh.m_pMesh[0], oldMesh);
    EXPECT_EQ(mesh.m_pTexture, nullptr);
    EXPECT_EQ(mesh.m_dwNumMaterials[0], 2u);
    EXPECT_EQ(mesh.m_pMesh[0]->GetNumFaces(), 2u);
    // Only the references taken above are left on the first model.
    EXPECT_EQ(oldTexture->Release(), 0u);
    EXPECT_EQ(oldMesh->Release(), 0u);
    EXPECT_EQ(oldVertices->Release(), 0u);
}

// A strip from (0, 0) to (20, 5): rotation, scale and position must put it
// where S Rx Ry Rz T says, in that order.
TEST_F(MeshObjectTest, PlacedRotatedAndScaledMeshLandsWhereTheMatricesSay) {
    requireDrawing();
    if (HasFatalFailure()) return;
    const std::string file = drawtest::writeMesh("strip.x", drawtest::rectangle(0, 0, 20, 5));
    CMeshObject mesh;
    ASSERT_EQ(mesh.Load(file.c_str(), nullptr, 0xFFFFFF00, device(), 0), 1);
    lookFromFront(100.0f);
    device()->SetRenderState(D3DRS_LIGHTING, FALSE);

    struct Case {
        const char* name;
        float x, y, z, rotX, rotY, rotZ, sx, sy, sz;
    };
    const Case cases[] = {
        {"at the origin", 0, 0, 0, 0, 0, 0, 1, 1, 1},
        {"moved", -30, 12, 0, 0, 0, 0, 1, 1, 1},
        {"quarter turn about z", 0, 0, 0, 0, 0, 90, 1, 1, 1},
        {"full turn", 0, 0, 0, 0, 0, 360, 1, 1, 1},
        {"half turn about x", 5, 0, 0, 180, 0, 0, 1, 1, 1},
        {"y then z", 0, 0, 0, 0, 180, 90, 1, 1, 1},
        {"x then z", 0, 0, 0, 180, 0, 90, 1, 1, 1},
        {"scaled then turned and moved", 10, 10, 20, 0, 0, -90, 1.5f, 0.5f, 1},
    };
    const float inside[][2] = {{1, 1}, {10, 2.5f}, {19, 4}, {5, 4}};
    const float outside[][2] = {{-3, 2.5f}, {23, 2.5f}, {10, -3}, {10, 8}, {-10, -10}};
    const uint32_t background = 0xFF000040;
    const float toRad = 3.1415927f / 180.0f;
    using namespace drawtest;
    for (const Case& c : cases) {
        mesh.m_fX = c.x;
        mesh.m_fY = c.y;
        mesh.m_fZ = c.z;
        mesh.m_fRotX = c.rotX;
        mesh.m_fRotY = c.rotY;
        mesh.m_fRotZ = c.rotZ;
        mesh.m_fScaleX = c.sx;
        mesh.m_fScaleY = c.sy;
        mesh.m_fScaleZ = c.sz;
        beginFrame(background);
        mesh.Draw(0);
        endFrame();
        const D3DMATRIX world = multiply(
            multiply(multiply(multiply(scaling(c.sx, c.sy, c.sz), rotationX(c.rotX * toRad)),
                              rotationY(c.rotY * toRad)),
                     rotationZ(c.rotZ * toRad)),
            translation(c.x, c.y, c.z));
        auto check = [&](const float point[2], uint32_t expected) {
            float w[4];
            transform(world, point[0], point[1], 0.0f, w);
            int px, py;
            project(w[0], w[1], w[2], &px, &py);
            EXPECT_TRUE(near(pixel(px, py), expected))
                << c.name << ": model (" << point[0] << ", " << point[1] << ") at pixel " << px
                << "," << py << " is " << hex(pixel(px, py));
        };
        for (const auto& p : inside) check(p, 0xFFFFFF00);
        for (const auto& p : outside) check(p, background);
        if (HasFailure()) {
            saveFrame("mesh_placement.png");
            break;
        }
    }
}

// The shield: textured, flag set, vertex alpha 0.3. The alpha operation is
// off during the draw, so the vertex alpha blends it over the scene.
TEST_F(MeshObjectTest, ShieldStyleDrawIsTranslucentThroughTheVertexAlpha) {
    requireDrawing();
    if (HasFatalFailure()) return;
    const std::string file = drawtest::writeMesh("shield.x", drawtest::rectangle(-10, -10, 10, 10));
    const std::string image =
        drawtest::writeBmp("shield.bmp", 8, 8, [](int, int) { return drawtest::Rgb{255, 255, 255}; });
    CMeshObject shield;
    ASSERT_EQ(shield.Load(file.c_str(), image.c_str(), 0x4DFFFFFF, device(), 0), 1);
    lookFromFront(100.0f);
    device()->SetRenderState(D3DRS_LIGHTING, FALSE);

    beginFrame(0xFFFF0000);
    shield.Draw(1);
    endFrame();
    int px, py;
    project(0, 0, 0, &px, &py);
    // 0.3 white over red: red stays full, green and blue come up to 0.3.
    const uint32_t got = pixel(px, py);
    EXPECT_TRUE(drawtest::near(got, 0xFFFF4D4D, 4)) << drawtest::hex(got);

    // SetColour changes the translucency from the next draw on.
    shield.SetColour(0xFFFFFFFF);
    beginFrame(0xFFFF0000);
    shield.Draw(1);
    endFrame();
    EXPECT_TRUE(drawtest::near(pixel(px, py), 0xFFFFFFFF)) << drawtest::hex(pixel(px, py));
}

// ---------------------------------------------------------------- frame list

class MeshFramesTest : public MeshObjectTest {
protected:
    void SetUp() override {
        MeshObjectTest::SetUp();
        if (HasFatalFailure()) return;
        m_base = drawtest::writeMesh("frame_base.x", drawtest::rectangle(0, 0, 10, 10));
        m_moved = drawtest::writeMesh("frame_moved.x", drawtest::rectangle(8, 0, 18, 10));
        m_other = drawtest::writeMesh("frame_other.x", drawtest::rectangle(0, 4, 10, 14));
        m_small = drawtest::writeMesh("frame_small.x", {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}});
        ASSERT_EQ(m_mesh.Load(m_base.c_str(), nullptr, 0xFFFFFFFF, device(), 0), 1);
    }

    float firstX() { return minX(vertices(m_mesh.m_pMesh[0])); }
    static float minX(const std::vector<SMeshVertex>& v) {
        float x = 1e30f;
        for (const SMeshVertex& vertex : v) x = std::fmin(x, vertex.x);
        return x;
    }

    std::string m_base, m_moved, m_other, m_small;
    CMeshObject m_mesh;
};

TEST_F(MeshFramesTest, TweenBlendsPositionsAndRestartsTheRun) {
    if (HasFatalFailure()) return;
    m_mesh.SetNodeName("walk");
    ASSERT_EQ(m_mesh.AddNode(m_base.c_str()), 1);
    ASSERT_EQ(m_mesh.AddNode(m_moved.c_str()), 1);
    ASSERT_EQ(m_mesh.FindNode("walk", 0.25f), 1);
    EXPECT_EQ(m_mesh.m_pCur, m_mesh.m_pHead);

    const float weights[] = {0.25f, 0.5f, 0.75f, 1.0f};
    for (float weight : weights) {
        m_mesh.TweenNodes();
        EXPECT_FLOAT_EQ(m_mesh.m_fTweenWeight, weight);
        EXPECT_NEAR(firstX(), 8.0f * weight, 1e-5f);
    }
    // Past 1 the run ends on the list's last frame and starts over at weight 0.
    m_mesh.TweenNodes();
    EXPECT_EQ(m_mesh.m_fTweenWeight, 0.0f);
    EXPECT_EQ(m_mesh.m_pCur, m_mesh.m_pHead);
    EXPECT_NEAR(firstX(), 0.0f, 1e-5f);
    // Colours are the blend's to keep: only positions move.
    for (const SMeshVertex& v : vertices(m_mesh.m_pMesh[0])) EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
}

TEST_F(MeshFramesTest, RunEndsWhereTheNextFrameHasAnotherName) {
    if (HasFatalFailure()) return;
    m_mesh.SetNodeName("walk");
    m_mesh.AddNode(m_base.c_str());
    m_mesh.AddNode(m_moved.c_str());
    m_mesh.SetNodeName("jump");
    m_mesh.AddNode(m_other.c_str());
    ASSERT_EQ(m_mesh.FindNode("walk", 0.6f), 1);
    m_mesh.TweenNodes();  // 0.6
    m_mesh.TweenNodes();  // 1.2: moves on to the second walk frame, whose next is "jump"
    EXPECT_EQ(m_mesh.m_pCur, m_mesh.m_pHead);
    EXPECT_EQ(m_mesh.m_fTweenWeight, 0.0f);

    ASSERT_EQ(m_mesh.FindNode("jump", 0.5f), 1);
    EXPECT_EQ(m_mesh.m_pCur, m_mesh.m_pTail);
    const std::vector<SMeshVertex> before = vertices(m_mesh.m_pMesh[0]);
    m_mesh.TweenNodes();  // a frame with no next frame: nothing to blend toward
    EXPECT_EQ(std::memcmp(before.data(), vertices(m_mesh.m_pMesh[0]).data(),
                          before.size() * sizeof(SMeshVertex)),
              0);
}

TEST_F(MeshFramesTest, FailedAddsAndSearchesLeaveTheListAsItWas) {
    if (HasFatalFailure()) return;
    EXPECT_EQ(m_mesh.FindNode("walk", 0.5f), 0);  // empty list: nothing changes
    m_mesh.m_fTweenStep = 0.125f;
    EXPECT_EQ(m_mesh.FindNode("walk", 0.5f), 0);
    EXPECT_EQ(m_mesh.m_fTweenStep, 0.125f);

    EXPECT_EQ(m_mesh.AddNode("media\\missing_frame.x"), 0);
    EXPECT_EQ(m_mesh.m_pHead, nullptr);
    EXPECT_EQ(m_mesh.m_pTail, nullptr);

    m_mesh.SetNodeName("walk");
    m_mesh.AddNode(m_base.c_str());
    m_mesh.AddNode(m_moved.c_str());
    EXPECT_EQ(m_mesh.AddNode("media\\missing_frame.x"), 0);
    EXPECT_EQ(m_mesh.m_pHead->m_pNext, m_mesh.m_pTail);
    EXPECT_EQ(m_mesh.m_pTail->m_pNext, nullptr);

    SMeshNode* cursor = m_mesh.m_pCur;
    EXPECT_EQ(m_mesh.FindNode("run", 0.5f), 0);
    EXPECT_EQ(m_mesh.m_pCur, cursor);
    m_mesh.TweenNodes();  // must not walk off the list

    // Frames of another face count are not blended into the mesh.
    m_mesh.SetNodeName("odd");
    m_mesh.AddNode(m_small.c_str());
    m_mesh.AddNode(m_small.c_str());
    ASSERT_EQ(m_mesh.FindNode("odd", 0.5f), 1);
    const std::vector<SMeshVertex> before = vertices(m_mesh.m_pMesh[0]);
    m_mesh.TweenNodes();
    EXPECT_EQ(std::memcmp(before.data(), vertices(m_mesh.m_pMesh[0]).data(),
                          before.size() * sizeof(SMeshVertex)),
              0);
}

TEST_F(MeshFramesTest, NamesAreCutToThirtyNineCharacters) {
    if (HasFatalFailure()) return;
    const std::string longName(100, 'n');
    m_mesh.SetNodeName(longName.c_str());
    EXPECT_EQ(std::string(m_mesh.m_szNodeName), longName.substr(0, 39));
    ASSERT_EQ(m_mesh.AddNode(m_base.c_str()), 1);
    EXPECT_EQ(std::string(m_mesh.m_pTail->m_szName), longName.substr(0, 39));
    EXPECT_EQ(m_mesh.FindNode(longName.c_str(), 0.1f), 1);
    EXPECT_EQ(std::string(m_mesh.m_szTweenName), longName.substr(0, 39));
}

TEST_F(MeshFramesTest, SecondMeshIsColouredOnItsOwn) {
    if (HasFatalFailure()) return;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ID3DXMesh* loaded = nullptr;
    ASSERT_TRUE(SUCCEEDED(D3DXLoadMeshFromX(m_other.c_str(), D3DXMESH_MANAGED, device(), nullptr,
                                            &materials, &count, &loaded)));
    if (materials) materials->Release();
    ID3DXMesh* second = nullptr;
    ASSERT_TRUE(SUCCEEDED(loaded->CloneMeshFVF(D3DXMESH_MANAGED, D3DFVF_MESHVERTEX, device(), &second)));
    loaded->Release();
    m_mesh.m_pMesh[1] = second;  // the object releases it

    EXPECT_EQ(m_mesh.ColourSecondMeshVertices(0xFF0000FF, 0), 1);
    for (const SMeshVertex& v : vertices(second)) EXPECT_EQ(v.diffuse, 0xFF0000FFu);
    for (const SMeshVertex& v : vertices(m_mesh.m_pMesh[0])) EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    // Material colours without a material array fall back to the argument.
    EXPECT_EQ(m_mesh.ColourSecondMeshVertices(0xFF00FF00, 1), 1);
    for (const SMeshVertex& v : vertices(second)) EXPECT_EQ(v.diffuse, 0xFF00FF00u);
}

}  // namespace
