#include "xfile_parser.h"

#include "d3dx8_api.h"
#include "device_state.h"
#include "xfile_tokenizer.h"

#include <cmath>
#include <map>

namespace platform {

namespace {

// Deep enough for any real frame hierarchy, shallow enough that a hostile
// file cannot exhaust the stack.
constexpr int kMaxDepth = 64;

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    const D3DXMATRIX first(a), second(b);
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, &first, &second);
    return out;
}

class Parser {
public:
    Parser(const std::vector<XToken>& tokens, XFileScene& scene)
        : m_tokens(tokens), m_scene(scene) {}

    bool run() {
        while (!atEnd()) {
            if (!topLevelObject()) return false;
        }
        return true;
    }

    std::string error() const { return m_error; }

private:
    // ------------------------------------------------------------ token access
    bool atEnd() const { return m_pos >= m_tokens.size(); }
    const XToken* peek() const { return atEnd() ? nullptr : &m_tokens[m_pos]; }
    size_t remaining() const { return m_tokens.size() - m_pos; }
    bool peekIs(XTokenType type) const { return !atEnd() && m_tokens[m_pos].type == type; }

    bool fail(const std::string& what) {
        if (m_error.empty()) {
            const XToken* at = peek();
            m_error = what + (at ? " on line " + std::to_string(at->line) : " at the end of the file");
        }
        return false;
    }

    void skipSeparators() {
        while (peekIs(XTokenType::Separator)) ++m_pos;
    }

    bool expect(XTokenType type, const char* what) {
        if (!peekIs(type)) return fail(std::string("expected ") + what);
        ++m_pos;
        return true;
    }

    // Data values: separators between them are optional and ignored.
    bool readFloat(float& out) {
        skipSeparators();
        if (!peekIs(XTokenType::Number)) return fail("expected a number");
        const double value = m_tokens[m_pos++].number;
        if (!std::isfinite(value) || std::fabs(value) > 3.0e38) return fail("number out of range");
        out = float(value);
        return true;
    }

    bool readCount(uint32_t& out) {
        skipSeparators();
        if (!peekIs(XTokenType::Number) || !m_tokens[m_pos].integral)
            return fail("expected a whole number");
        const double value = m_tokens[m_pos].number;
        if (value < 0 || value > 4294967295.0) return fail("count out of range");
        ++m_pos;
        out = uint32_t(value);
        return true;
    }

    // A count of elements that each take at least `tokensEach` tokens: one
    // larger than the rest of the file could hold is refused before any
    // allocation.
    bool readBoundedCount(uint32_t& out, size_t tokensEach, const char* what) {
        if (!readCount(out)) return false;
        if (uint64_t(out) * tokensEach > remaining())
            return fail(std::string(what) + " count larger than the file");
        return true;
    }

    bool readString(std::string& out) {
        skipSeparators();
        if (!peekIs(XTokenType::String)) return fail("expected a quoted string");
        out = std::string(m_tokens[m_pos++].text);
        return true;
    }

    bool readVec3(XVec3& v) { return readFloat(v.x) && readFloat(v.y) && readFloat(v.z); }

    bool readColourRgba(D3DCOLORVALUE& c) {
        return readFloat(c.r) && readFloat(c.g) && readFloat(c.b) && readFloat(c.a);
    }

    // ------------------------------------------------------------ object structure
    // Reads "[name] [<guid>] {" after an object's type; the name is returned.
    bool openObject(std::string& name) {
        name.clear();
        if (peekIs(XTokenType::Name)) name = std::string(m_tokens[m_pos++].text);
        if (peekIs(XTokenType::Guid)) ++m_pos;
        return expect(XTokenType::OpenBrace, "'{'");
    }

    // Skips the rest of an object whose '{' was read, nested objects included.
    bool skipBody() {
        int depth = 1;
        while (!atEnd()) {
            const XTokenType type = m_tokens[m_pos++].type;
            if (type == XTokenType::OpenBrace && ++depth > kMaxDepth) return fail("objects nested too deeply");
            if (type == XTokenType::CloseBrace && --depth == 0) return true;
        }
        return fail("unterminated object");
    }

    bool enter() {
        if (++m_depth > kMaxDepth) return fail("objects nested too deeply");
        return true;
    }
    void leave() { --m_depth; }

    // Reads the children of an object until its '}'. `child` handles a named
    // child object (its type is passed, the name and '{' not yet read);
    // `reference` handles "{ Name }". Unknown children are skipped.
    template <class Child, class Reference>
    bool children(Child child, Reference reference) {
        for (;;) {
            skipSeparators();
            if (atEnd()) return fail("unterminated object");
            const XToken& token = m_tokens[m_pos];
            if (token.type == XTokenType::CloseBrace) {
                ++m_pos;
                return true;
            }
            if (token.type == XTokenType::OpenBrace) {
                ++m_pos;
                std::string_view name;
                if (peekIs(XTokenType::Name)) name = m_tokens[m_pos++].text;
                if (peekIs(XTokenType::Guid)) ++m_pos;
                if (!expect(XTokenType::CloseBrace, "'}' closing a reference")) return false;
                if (!reference(name)) return false;
                continue;
            }
            if (token.type != XTokenType::Name) return fail("unexpected data in an object");
            const std::string_view type = token.text;
            ++m_pos;
            if (!enter()) return false;
            const bool ok = child(type);
            leave();
            if (!ok) return false;
        }
    }

    bool skipChild() {
        std::string name;
        return openObject(name) && skipBody();
    }

    static bool ignoreReference(std::string_view) { return true; }

    // ------------------------------------------------------------ top level
    bool topLevelObject() {
        skipSeparators();
        if (atEnd()) return true;
        if (!peekIs(XTokenType::Name)) return fail("expected an object");
        const std::string_view type = m_tokens[m_pos++].text;
        if (type == "template") {
            if (!expect(XTokenType::Name, "a template name")) return false;
            if (!expect(XTokenType::OpenBrace, "'{'")) return false;
            return skipBody();
        }
        return object(type, /*topLevel=*/true);
    }

    // An object that may appear at the top level or in a frame.
    bool object(std::string_view type, bool topLevel) {
        if (type == "Mesh") return mesh();
        if (type == "Frame") return frame();
        if (type == "Material" && topLevel) {
            std::string name;
            XMaterial material;
            if (!openObject(name) || !materialBody(material)) return false;
            if (!name.empty()) m_namedMaterials[name] = material;
            return true;
        }
        return skipChild();
    }

    // A frame's matrix places everything inside it, wherever in the frame
    // the matrix is written, so it is applied when the frame closes: each
    // mesh read inside it (nested frames already applied theirs) is then
    // carried by this frame's matrix.
    bool frame() {
        std::string name;
        if (!openObject(name)) return false;
        D3DMATRIX local = identityMatrix();
        bool seenMatrix = false;
        const size_t firstMesh = m_scene.meshes.size();
        const bool ok = children(
            [&](std::string_view type) {
                if (type != "FrameTransformMatrix") return object(type, false);
                if (seenMatrix) return fail("a second FrameTransformMatrix");
                seenMatrix = true;
                return frameTransform(local);
            },
            ignoreReference);
        if (!ok) return false;
        for (size_t i = firstMesh; i < m_scene.meshes.size(); ++i)
            m_scene.meshes[i].transform = multiply(m_scene.meshes[i].transform, local);
        return true;
    }

    bool frameTransform(D3DMATRIX& local) {
        std::string name;
        if (!openObject(name)) return false;
        for (int i = 0; i < 16; ++i)
            if (!readFloat(local.m[i / 4][i % 4])) return false;
        return children([&](std::string_view) { return skipChild(); }, ignoreReference);
    }

    // ------------------------------------------------------------ meshes
    bool faces(XFaces& out, uint32_t vertexCount, const char* what) {
        uint32_t count = 0;
        if (!readBoundedCount(count, 2, what)) return false;
        out.cornerCounts.resize(count);
        out.corners.reserve(size_t(count) * 3);
        for (uint32_t f = 0; f < count; ++f) {
            uint32_t corners = 0;
            if (!readBoundedCount(corners, 1, "corner")) return false;
            if (corners < 3) return fail("a face with fewer than three corners");
            out.cornerCounts[f] = corners;
            for (uint32_t k = 0; k < corners; ++k) {
                uint32_t index = 0;
                if (!readCount(index)) return false;
                if (index >= vertexCount) return fail(std::string(what) + " index out of range");
                out.corners.push_back(index);
            }
        }
        return true;
    }

    bool mesh() {
        std::string name;
        if (!openObject(name)) return false;
        XMesh mesh;
        mesh.transform = identityMatrix();
        uint32_t count = 0;
        if (!readBoundedCount(count, 3, "vertex")) return false;
        mesh.positions.resize(count);
        for (XVec3& p : mesh.positions)
            if (!readVec3(p)) return false;
        if (!faces(mesh.faces, count, "vertex")) return false;

        const bool ok = children(
            [&](std::string_view type) {
                if (type == "MeshNormals") return normals(mesh);
                if (type == "MeshTextureCoords") return textureCoords(mesh);
                if (type == "MeshVertexColors") return vertexColours(mesh);
                if (type == "MeshMaterialList") return materialList(mesh);
                return skipChild();
            },
            ignoreReference);
        if (!ok) return false;
        m_scene.meshes.push_back(std::move(mesh));
        return true;
    }

    bool normals(XMesh& mesh) {
        std::string name;
        if (!openObject(name)) return false;
        if (mesh.hasNormals) return fail("a second MeshNormals");
        uint32_t count = 0;
        if (!readBoundedCount(count, 3, "normal")) return false;
        mesh.normals.resize(count);
        for (XVec3& n : mesh.normals)
            if (!readVec3(n)) return false;
        if (!faces(mesh.normalFaces, count, "normal")) return false;
        if (mesh.normalFaces.cornerCounts != mesh.faces.cornerCounts)
            return fail("normal faces do not match the mesh faces");
        mesh.hasNormals = true;
        return children([&](std::string_view) { return skipChild(); }, ignoreReference);
    }

    bool textureCoords(XMesh& mesh) {
        std::string name;
        if (!openObject(name)) return false;
        if (mesh.hasTextureCoords) return fail("a second MeshTextureCoords");
        uint32_t count = 0;
        if (!readBoundedCount(count, 2, "texture coordinate")) return false;
        if (count != mesh.positions.size()) return fail("texture coordinate count differs from the vertex count");
        mesh.textureCoords.resize(count);
        for (XVec2& uv : mesh.textureCoords)
            if (!readFloat(uv.u) || !readFloat(uv.v)) return false;
        mesh.hasTextureCoords = true;
        return children([&](std::string_view) { return skipChild(); }, ignoreReference);
    }

    bool vertexColours(XMesh& mesh) {
        std::string name;
        if (!openObject(name)) return false;
        if (mesh.hasColours) return fail("a second MeshVertexColors");
        uint32_t count = 0;
        if (!readBoundedCount(count, 5, "vertex colour")) return false;
        mesh.colours.assign(mesh.positions.size(), D3DCOLORVALUE{1, 1, 1, 1});
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t index = 0;
            D3DCOLORVALUE colour{};
            if (!readCount(index) || !readColourRgba(colour)) return false;
            if (index >= mesh.positions.size()) return fail("vertex colour index out of range");
            mesh.colours[index] = colour;
        }
        mesh.hasColours = true;
        return children([&](std::string_view) { return skipChild(); }, ignoreReference);
    }

    bool materialList(XMesh& mesh) {
        std::string name;
        if (!openObject(name)) return false;
        if (mesh.hasMaterialList) return fail("a second MeshMaterialList");
        uint32_t materialCount = 0, indexCount = 0;
        if (!readBoundedCount(materialCount, 3, "material")) return false;
        if (!readBoundedCount(indexCount, 1, "face material")) return false;
        const size_t faceCount = mesh.faces.cornerCounts.size();
        if (indexCount > faceCount) return fail("more face materials than faces");
        if (indexCount == 0 && faceCount > 0 && materialCount > 0)
            return fail("no face materials");
        mesh.faceMaterials.resize(faceCount, 0);
        for (uint32_t f = 0; f < indexCount; ++f)
            if (!readCount(mesh.faceMaterials[f])) return false;
        // Faces the list does not reach take the last listed material.
        for (size_t f = indexCount; f < faceCount; ++f)
            mesh.faceMaterials[f] = indexCount ? mesh.faceMaterials[indexCount - 1] : 0;

        const bool ok = children(
            [&](std::string_view type) {
                if (type != "Material") return skipChild();
                std::string materialName;
                XMaterial material;
                if (!openObject(materialName) || !materialBody(material)) return false;
                mesh.materials.push_back(material);
                return true;
            },
            [&](std::string_view reference) {
                auto it = m_namedMaterials.find(std::string(reference));
                if (it == m_namedMaterials.end()) return fail("reference to an unknown material");
                mesh.materials.push_back(it->second);
                return true;
            });
        if (!ok) return false;
        if (mesh.materials.size() != materialCount)
            return fail("material count differs from the materials given");
        for (uint32_t index : mesh.faceMaterials)
            if (faceCount > 0 && index >= materialCount) return fail("face material out of range");
        mesh.hasMaterialList = true;
        return true;
    }

    bool materialBody(XMaterial& material) {
        D3DCOLORVALUE specular{0, 0, 0, 1}, emissive{0, 0, 0, 1};
        if (!readColourRgba(material.diffuse) || !readFloat(material.power)) return false;
        if (!readFloat(specular.r) || !readFloat(specular.g) || !readFloat(specular.b)) return false;
        if (!readFloat(emissive.r) || !readFloat(emissive.g) || !readFloat(emissive.b)) return false;
        material.specular = specular;
        material.emissive = emissive;
        return children(
            [&](std::string_view type) {
                if (type != "TextureFilename" && type != "TextureFileName") return skipChild();
                std::string name;
                if (!openObject(name) || !readString(material.textureFile)) return false;
                material.hasTexture = true;
                return children([&](std::string_view) { return skipChild(); }, ignoreReference);
            },
            ignoreReference);
    }

    const std::vector<XToken>& m_tokens;
    XFileScene& m_scene;
    size_t m_pos = 0;
    int m_depth = 0;
    std::string m_error;
    std::map<std::string, XMaterial> m_namedMaterials;
};

}  // namespace

bool parseXFile(std::string_view bytes, XFileScene& scene, std::string& error) {
    scene = XFileScene{};
    if (!checkXFileHeader(bytes, error)) return false;
    std::vector<XToken> tokens;
    if (!tokenizeXFile(bytes.substr(16), tokens, error)) return false;
    Parser parser(tokens, scene);
    if (!parser.run()) {
        error = parser.error();
        return false;
    }
    if (scene.meshes.empty()) {
        error = "the file holds no mesh";
        return false;
    }
    return true;
}

}  // namespace platform
