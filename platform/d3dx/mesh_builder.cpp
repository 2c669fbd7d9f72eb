#include "mesh_builder.h"

#include "vertex_processing.h"

#include "fvf_layout.h"

#include <cmath>
#include <cstring>
#include <unordered_map>

namespace platform {

namespace {

constexpr uint32_t kNoNormal = 0xFFFFFFFFu;

DWORD toColour(const D3DCOLORVALUE& c) {
    auto byte = [](float v) -> DWORD {
        if (!(v > 0.0f)) return 0;
        if (v >= 1.0f) return 255;
        return DWORD(v * 255.0f + 0.5f);
    };
    return (byte(c.a) << 24) | (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

bool isIdentity(const D3DMATRIX& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m.m[r][c] != (r == c ? 1.0f : 0.0f)) return false;
    return true;
}

XVec3 transformPoint(const XVec3& p, const D3DMATRIX& m) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41,
            p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
            p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43};
}

// Normals follow the inverse transpose of the upper 3x3, so that they stay
// perpendicular under non-uniform scaling; the result is made unit length
// again. A singular matrix falls back to the matrix itself.
struct NormalTransform {
    float m[3][3];

    explicit NormalTransform(const D3DMATRIX& t) { normalMatrix(t, m); }

    XVec3 apply(const XVec3& n) const {
        XVec3 out{n.x * m[0][0] + n.y * m[1][0] + n.z * m[2][0],
                  n.x * m[0][1] + n.y * m[1][1] + n.z * m[2][1],
                  n.x * m[0][2] + n.y * m[1][2] + n.z * m[2][2]};
        const float length = std::sqrt(out.x * out.x + out.y * out.y + out.z * out.z);
        if (length > 0.0f) out = {out.x / length, out.y / length, out.z / length};
        return out;
    }
};

struct Components {
    bool normals = false, colours = false, textureCoords = false;
};

class Builder {
public:
    Builder(const Components& parts, UINT maxVertices, MeshData& out)
        : m_parts(parts), m_maxVertices(maxVertices), m_out(out) {
        m_out.fvf = D3DFVF_XYZ | (parts.normals ? D3DFVF_NORMAL : 0) |
                    (parts.colours ? D3DFVF_DIFFUSE : 0) | (parts.textureCoords ? D3DFVF_TEX1 : 0);
        m_layout = describeFvf(m_out.fvf);
        m_out.stride = m_layout.stride;
    }

    bool addMesh(const XMesh& mesh, std::string& error) {
        const uint64_t base = m_vertexCount;
        if (base + mesh.positions.size() > m_maxVertices) return tooMany(error);
        m_mesh = &mesh;
        m_identity = isIdentity(mesh.transform);
        m_normalTransform = NormalTransform(mesh.transform);
        m_slotNormal.assign(mesh.positions.size(), kNoNormal);
        m_splits.clear();
        m_vertexCount += UINT(mesh.positions.size());
        m_out.vertices.resize(size_t(m_vertexCount) * m_layout.stride, 0);
        for (size_t p = 0; p < mesh.positions.size(); ++p)
            writeVertex(UINT(base + p), uint32_t(p), kNoNormal);

        const DWORD materialBase = materialsFor(mesh);
        size_t corner = 0;
        for (size_t f = 0; f < mesh.faces.cornerCounts.size(); ++f) {
            const uint32_t count = mesh.faces.cornerCounts[f];
            const DWORD attribute = materialBase + (mesh.hasMaterialList ? mesh.faceMaterials[f] : 0);
            UINT first = 0, previous = 0;
            for (uint32_t k = 0; k < count; ++k, ++corner) {
                UINT vertex = 0;
                if (!vertexFor(UINT(base), corner, vertex, error)) return false;
                if (k == 0) first = vertex;
                if (k >= 2) {
                    m_out.indices.insert(m_out.indices.end(), {first, previous, vertex});
                    m_out.attributes.push_back(attribute);
                }
                previous = vertex;
            }
        }
        return true;
    }

    void finish() { m_out.vertexCount = m_vertexCount; }

private:
    bool tooMany(std::string& error) {
        error = "the mesh needs more than " + std::to_string(m_maxVertices) + " vertices";
        return false;
    }

    DWORD materialsFor(const XMesh& mesh) {
        if (mesh.hasMaterialList) {
            const DWORD base = DWORD(m_out.materials.size());
            m_out.materials.insert(m_out.materials.end(), mesh.materials.begin(), mesh.materials.end());
            return base;
        }
        if (m_defaultMaterial < 0) {
            m_defaultMaterial = int(m_out.materials.size());
            m_out.materials.push_back(XMaterial{});  // white, power 0
        }
        return DWORD(m_defaultMaterial);
    }

    // The output vertex for a face corner: the position's own slot if it is
    // still free or already has this normal, else a split copy.
    bool vertexFor(UINT base, size_t corner, UINT& vertex, std::string& error) {
        const uint32_t position = m_mesh->faces.corners[corner];
        const uint32_t normal = m_mesh->hasNormals ? m_mesh->normalFaces.corners[corner] : kNoNormal;
        uint32_t& slot = m_slotNormal[position];
        if (slot == kNoNormal || slot == normal) {
            if (slot != normal) {
                slot = normal;
                writeVertex(base + position, position, normal);
            }
            vertex = base + position;
            return true;
        }
        const uint64_t key = (uint64_t(position) << 32) | normal;
        const auto found = m_splits.find(key);
        if (found != m_splits.end()) {
            vertex = found->second;
            return true;
        }
        if (m_vertexCount >= m_maxVertices) return tooMany(error);
        vertex = m_vertexCount++;
        m_out.vertices.resize(size_t(m_vertexCount) * m_layout.stride, 0);
        writeVertex(vertex, position, normal);
        m_splits.emplace(key, vertex);
        return true;
    }

    void writeVertex(UINT vertex, uint32_t position, uint32_t normal) {
        uint8_t* out = m_out.vertices.data() + size_t(vertex) * m_layout.stride;
        const XVec3& p = m_mesh->positions[position];
        const XVec3 placed = m_identity ? p : transformPoint(p, m_mesh->transform);
        std::memcpy(out, &placed, 12);
        if (m_layout.normal >= 0) {
            XVec3 n{0, 0, 0};
            if (normal != kNoNormal) {
                n = m_mesh->normals[normal];
                if (!m_identity) n = m_normalTransform.apply(n);
            }
            std::memcpy(out + m_layout.normal, &n, 12);
        }
        if (m_layout.diffuse >= 0) {
            const DWORD colour =
                m_mesh->hasColours ? toColour(m_mesh->colours[position]) : 0xFFFFFFFFu;
            std::memcpy(out + m_layout.diffuse, &colour, 4);
        }
        if (m_layout.texCoord0 >= 0 && m_mesh->hasTextureCoords)
            std::memcpy(out + m_layout.texCoord0, &m_mesh->textureCoords[position], 8);
    }

    Components m_parts;
    UINT m_maxVertices;
    MeshData& m_out;
    FvfLayout m_layout;
    UINT m_vertexCount = 0;
    int m_defaultMaterial = -1;
    const XMesh* m_mesh = nullptr;
    bool m_identity = true;
    NormalTransform m_normalTransform{D3DMATRIX{}};
    std::vector<uint32_t> m_slotNormal;
    std::unordered_map<uint64_t, UINT> m_splits;  // (position, normal) -> its split vertex
};

}  // namespace

bool buildMesh(const XFileScene& scene, UINT maxVertices, MeshData& out, std::string& error) {
    out = MeshData{};
    Components parts;
    for (const XMesh& mesh : scene.meshes) {
        parts.normals |= mesh.hasNormals;
        parts.colours |= mesh.hasColours;
        parts.textureCoords |= mesh.hasTextureCoords;
    }
    Builder builder(parts, maxVertices, out);
    for (const XMesh& mesh : scene.meshes)
        if (!builder.addMesh(mesh, error)) return false;
    builder.finish();
    if (out.indices.empty()) {
        error = "the mesh has no faces";
        return false;
    }
    return true;
}

}  // namespace platform
