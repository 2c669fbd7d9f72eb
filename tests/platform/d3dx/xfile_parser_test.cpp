// The text .x reader and the mesh builder: what good files become, and a
// table of broken files that must each fail with a reason.
#include "mesh_builder.h"
#include "xfile_parser.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using platform::MeshData;
using platform::XFileScene;

const char* kQuadInFrame = R"(xof 0302txt 0032
template Vector {
 <3D82AB5E-62DA-11cf-AB39-0020AF71E433>
 FLOAT x; FLOAT y; FLOAT z;
}
template Mesh {
 <3D82AB44-62DA-11cf-AB39-0020AF71E433>
 DWORD nVertices;
 array Vector vertices[nVertices];
 [...]
}
# a comment of the other kind
Material Red {
  1.0;0.0;0.0;1.0;; 5.0; 0.1;0.2;0.3;; 0.0;0.0;0.0;;
  TextureFilename { "red.bmp"; }
}
Frame Root {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,20,30,1;; }
  Mesh Quad {
    4; -1;-1;0;, 1;-1;0;, 1;1;0;, -1;1;0;;
    1; 4;0,1,2,3;;
    MeshNormals { 1; 0;0;-1;; 1; 4;0,0,0,0;; }
    MeshTextureCoords { 4; 0;1;, 1;1;, 1;0;, 0;0;; }
    MeshMaterialList { 1; 1; 0;; { Red } }
    VertexDuplicationIndices { 4; 4; 0, 1, 2, 3; }
  }
}
)";

// A cube whose faces each have their own normal: every corner splits.
const char* kCube = R"(xof 0303txt 0032
Mesh {
  8;
  -1;-1;-1;, 1;-1;-1;, 1;1;-1;, -1;1;-1;,
  -1;-1;1;, 1;-1;1;, 1;1;1;, -1;1;1;;
  6;
  4;0,3,2,1;, 4;4,5,6,7;, 4;0,1,5,4;, 4;3,7,6,2;, 4;0,4,7,3;, 4;1,2,6,5;;
  MeshNormals {
    6; 0;0;-1;, 0;0;1;, 0;-1;0;, 0;1;0;, -1;0;0;, 1;0;0;;
    6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;
  }
}
)";

const char* kColouredTriangle = R"(xof 0302txt 0064
Mesh tri {
  3; 0;0;0;, 1;0;0;, 0;1;0;;
  1; 3;0,1,2;;
  MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; }
  MeshVertexColors { 2; 0;1.0;0.5;0.0;1.0;;, 2;0;0;1;0.5;; }
  MeshTextureCoords { 3; 0;0;, 1;0;, 0;1;; }
}
)";

const char* kTwoFrames = R"(xof 0302txt 0032
Frame A {
  FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }
  Frame B {
    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 5,0,0,1;; }
    Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;;
      MeshMaterialList { 1; 1; 0;; Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } } }
  }
  Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 2; 3;0,1,2;, 3;2,1,0;;
    MeshMaterialList { 2; 2; 1, 0;;
      Material { 0;0;1;1;; 0; 0;0;0;; 0;0;0;; }
      Material { 1;1;0;1;; 0; 0;0;0;; 0;0;0;; } } }
}
)";

bool parse(const std::string& text, XFileScene& scene, std::string& error) {
    // A copy of exactly the text's length, so that a sanitizer sees any overread.
    std::vector<char> exact(text.begin(), text.end());
    return platform::parseXFile(std::string_view(exact.data(), exact.size()), scene, error);
}

MeshData build(const std::string& text) {
    XFileScene scene;
    std::string error;
    MeshData data;
    EXPECT_TRUE(parse(text, scene, error)) << error;
    EXPECT_TRUE(platform::buildMesh(scene, 65535, data, error)) << error;
    return data;
}

struct Vertex {
    float x, y, z;
};

Vertex position(const MeshData& data, UINT index) {
    Vertex v;
    std::memcpy(&v, data.vertices.data() + size_t(index) * data.stride, sizeof v);
    return v;
}

TEST(XFileParser, ReadsAFramedQuadWithItsMaterialAndTransform) {
    const MeshData data = build(kQuadInFrame);
    EXPECT_EQ(data.fvf, DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(data.stride, 32u);
    EXPECT_EQ(data.vertexCount, 4u);
    // The quad is split in face order, as a fan from its first corner.
    EXPECT_EQ(data.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(data.attributes, (std::vector<DWORD>{0, 0}));
    const Vertex first = position(data, 0);
    EXPECT_FLOAT_EQ(first.x, 9.0f);  // moved by the frame's matrix
    EXPECT_FLOAT_EQ(first.y, 19.0f);
    EXPECT_FLOAT_EQ(first.z, 30.0f);
    float uv[2];
    std::memcpy(uv, data.vertices.data() + 24, 8);
    EXPECT_EQ(uv[0], 0.0f);
    EXPECT_EQ(uv[1], 1.0f);
    ASSERT_EQ(data.materials.size(), 1u);
    EXPECT_EQ(data.materials[0].diffuse.r, 1.0f);
    EXPECT_EQ(data.materials[0].diffuse.g, 0.0f);
    EXPECT_EQ(data.materials[0].power, 5.0f);
    EXPECT_EQ(data.materials[0].specular.b, 0.3f);
    EXPECT_TRUE(data.materials[0].hasTexture);
    EXPECT_EQ(data.materials[0].textureFile, "red.bmp");
}

TEST(XFileParser, SplitsCornersWhereNormalsDifferAndGivesADefaultMaterial) {
    const MeshData data = build(kCube);
    EXPECT_EQ(data.fvf, DWORD(D3DFVF_XYZ | D3DFVF_NORMAL));
    EXPECT_EQ(data.attributes.size(), 12u);
    EXPECT_EQ(data.vertexCount, 24u) << "each of 8 corners meets 3 faces with 3 normals";
    // Every triangle's corners share the normal of their face.
    for (size_t t = 0; t < 12; ++t) {
        float n[3][3];
        for (int k = 0; k < 3; ++k)
            std::memcpy(n[k], data.vertices.data() + size_t(data.indices[t * 3 + k]) * data.stride + 12, 12);
        EXPECT_EQ(0, std::memcmp(n[0], n[1], 12));
        EXPECT_EQ(0, std::memcmp(n[0], n[2], 12));
    }
    ASSERT_EQ(data.materials.size(), 1u);
    EXPECT_EQ(data.materials[0].diffuse.r, 1.0f);
    EXPECT_EQ(data.materials[0].diffuse.a, 1.0f);
    EXPECT_EQ(data.materials[0].power, 0.0f);
    EXPECT_FALSE(data.materials[0].hasTexture);
}

TEST(XFileParser, VertexColoursGiveTheFullMeshFormat) {
    const MeshData data = build(kColouredTriangle);
    EXPECT_EQ(data.fvf, 0x152u);
    EXPECT_EQ(data.stride, 36u);
    DWORD colours[3];
    for (int i = 0; i < 3; ++i) std::memcpy(&colours[i], data.vertices.data() + i * 36 + 24, 4);
    EXPECT_EQ(colours[0], 0xFFFF8000u);
    EXPECT_EQ(colours[1], 0xFFFFFFFFu) << "a vertex the file gives no colour is white";
    EXPECT_EQ(colours[2], 0x800000FFu);
}

TEST(XFileParser, JoinsFramesWithTheirTransformsAndMaterials) {
    const MeshData data = build(kTwoFrames);
    EXPECT_EQ(data.vertexCount, 6u);
    EXPECT_EQ(data.attributes, (std::vector<DWORD>{0, 2, 1}));
    ASSERT_EQ(data.materials.size(), 3u);
    EXPECT_EQ(data.materials[0].diffuse.g, 1.0f);
    EXPECT_EQ(data.materials[1].diffuse.b, 1.0f);
    // Inner frame first: (1,0,0) moved by 5 along x, then doubled.
    const Vertex inner = position(data, 0);
    EXPECT_FLOAT_EQ(inner.x, 12.0f);
    const Vertex outer = position(data, 3);
    EXPECT_FLOAT_EQ(outer.x, 2.0f);
}

TEST(XFileParser, RefusesBrokenFiles) {
    const std::string head = "xof 0302txt 0032\n";
    const std::string tri = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;";
    std::string deep = head;
    for (int i = 0; i < 200; ++i) deep += "Frame {";
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"short header", "xof 0302"},
        {"binary form", "xof 0302bin 0032" + tri},
        {"unknown version", "xof 0201txt 0032\nMesh {" + tri + "}"},
        {"no mesh", head + "template Foo { <1-2> DWORD a; }"},
        {"vertex index out of range", head + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }"},
        {"face of two corners", head + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }"},
        {"count beyond the data", head + "Mesh { 4000000000; 0;0;0;; 1; 3;0,1,2;; }"},
        {"too few vertices", head + "Mesh { 5; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"fractional count", head + "Mesh { 3.5; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"negative count", head + "Mesh { -3; 0;0;0;; }"},
        {"unterminated mesh", head + "Mesh {" + tri},
        {"normals for other faces", head + "Mesh {" + tri + " MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } }"},
        {"normal index out of range", head + "Mesh {" + tri + " MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }"},
        {"texture coordinates for other vertices", head + "Mesh {" + tri + " MeshTextureCoords { 2; 0;0;, 1;1;; } }"},
        {"material number out of range", head + "Mesh {" + tri + " MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"},
        {"fewer materials than counted", head + "Mesh {" + tri + " MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"},
        {"more face materials than faces", head + "Mesh {" + tri + " MeshMaterialList { 1; 2; 0, 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"},
        {"unknown material reference", head + "Mesh {" + tri + " MeshMaterialList { 1; 1; 0;; { Nowhere } } }"},
        {"colour index out of range", head + "Mesh {" + tri + " MeshVertexColors { 1; 7;1;1;1;1;;; } }"},
        {"unterminated string", head + "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"open; } }"},
        {"stray character", head + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; @ }"},
        {"malformed number", head + "Mesh { 3; 0;0;0;, 1.2.3;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"number too large", head + "Mesh { 3; 0;0;0;, 1e39;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"data where an object belongs", head + "Mesh {" + tri + " 5; }"},
        {"brackets in data", head + "Mesh { 3; 0;0;0;, [1];0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"nested too deeply", deep},
        {"second transform", head + "Frame { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } Mesh {" + tri + "} }"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XFileScene scene;
        std::string error;
        EXPECT_FALSE(parse(c.text, scene, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(XFileParser, EveryTruncationOfAGoodFileFailsCleanly) {
    const std::string good = kQuadInFrame;
    for (size_t length = 0; length + 1 < good.size(); ++length) {
        XFileScene scene;
        std::string error;
        MeshData data;
        const std::string cut = good.substr(0, length);
        // A cut may still be a complete file (only trailing space lost); it must
        // never crash, and an incomplete one must say why.
        if (!parse(cut, scene, error)) {
            EXPECT_FALSE(error.empty()) << length;
        }
    }
}

TEST(XFileParser, RefusesMeshesBeyondSixteenBitIndices) {
    std::string text = "xof 0302txt 0032\nMesh { 65536;";
    for (int i = 0; i < 65536; ++i) text += "0;0;0;,";
    text += "; 1; 3;0,1,65535;; }";
    XFileScene scene;
    std::string error;
    ASSERT_TRUE(parse(text, scene, error)) << error;
    MeshData data;
    EXPECT_FALSE(platform::buildMesh(scene, 65535, data, error));
    EXPECT_NE(error.find("65535"), std::string::npos);
    EXPECT_TRUE(platform::buildMesh(scene, 70000, data, error)) << error;
}

}  // namespace
