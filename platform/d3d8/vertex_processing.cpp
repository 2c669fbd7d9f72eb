#include "vertex_processing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

// Each byte value over 255, worked out once (the same values a division per
// channel gives).
struct ByteToUnit {
    float value[256];
    constexpr ByteToUnit() : value() {
        for (int i = 0; i < 256; ++i) value[i] = float(i) / 255.0f;
    }
};
constexpr ByteToUnit kByteToUnit;

D3DCOLORVALUE unpackColour(DWORD argb) {
    const float* unit = kByteToUnit.value;
    return {unit[(argb >> 16) & 0xFF], unit[(argb >> 8) & 0xFF], unit[argb & 0xFF], unit[(argb >> 24) & 0xFF]};
}

DWORD readDword(const uint8_t* p) {
    DWORD v;
    std::memcpy(&v, p, 4);
    return v;
}

void readFloats(const uint8_t* p, float* out, int count) { std::memcpy(out, p, sizeof(float) * count); }

float clamp01(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

bool isZeroMaterial(const D3DMATERIAL8& m) {
    const D3DMATERIAL8 zero{};
    return std::memcmp(&m, &zero, sizeof m) == 0;
}

D3DCOLORVALUE pick(int source, const D3DCOLORVALUE& material, const D3DCOLORVALUE& diffuse,
                   const D3DCOLORVALUE& specular) {
    return source == 1 ? diffuse : source == 2 ? specular : material;
}

}  // namespace

// Inverse transpose of the upper 3x3, for normals; a singular matrix is used
// as it is (the normals are renormalised afterwards anyway).
void normalMatrix(const D3DMATRIX& t, float out[3][3]) {
    const float a = t._11, b = t._12, c = t._13, d = t._21, e = t._22, f = t._23, g = t._31,
                h = t._32, i = t._33;
    const float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (std::fabs(det) < 1e-20f) {
        const float copy[3][3] = {{a, b, c}, {d, e, f}, {g, h, i}};
        std::memcpy(out, copy, sizeof copy);
        return;
    }
    const float cof[3][3] = {{e * i - f * h, f * g - d * i, d * h - e * g},
                             {c * h - b * i, a * i - c * g, b * g - a * h},
                             {b * f - c * e, c * d - a * f, a * e - b * d}};
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col) out[r][col] = cof[r][col] / det;
}

D3DMATRIX multiplyMatrices(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX out{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] +
                          a.m[r][3] * b.m[3][c];
    return out;
}

VertexProcessor::VertexProcessor(const DeviceState& state, const FvfLayout& layout,
                                 int targetWidth, int targetHeight) {
    setUp(state, layout, targetWidth, targetHeight);
}

void VertexProcessor::setUp(const DeviceState& state, const FvfLayout& layout, int targetWidth,
                            int targetHeight) {
    m_layout = layout;
    m_width = targetWidth;
    m_height = targetHeight;
    m_textureTransform = state.stageStates[0][D3DTSS_TEXTURETRANSFORMFLAGS] != D3DTTFF_DISABLE;
    m_textureMatrix = state.textureMatrix[0];
    m_lighting = false;
    m_lights.clear();
    if (layout.pretransformed) return;

    m_world = state.world;
    m_worldViewProjection = multiplyMatrices(multiplyMatrices(state.world, state.view), state.projection);
    normalMatrix(state.world, m_normalMatrix);
    m_lighting = state.renderStates[D3DRS_LIGHTING] != FALSE;
    if (!m_lighting) return;

    m_globalAmbient = unpackColour(state.renderStates[D3DRS_AMBIENT]);
    m_material = state.material;
    const bool vertexColours = state.renderStates[D3DRS_COLORVERTEX] != FALSE;
    auto source = [&](D3DRENDERSTATETYPE which) {
        if (!vertexColours) return Source::Material;
        const DWORD value = state.renderStates[which];
        if (value == D3DMCS_COLOR1 && layout.diffuse >= 0) return Source::Diffuse;
        if (value == D3DMCS_COLOR2 && layout.specular >= 0) return Source::Specular;
        return Source::Material;  // also when the vertex lacks the colour asked for
    };
    m_diffuseSource = source(D3DRS_DIFFUSEMATERIALSOURCE);
    m_ambientSource = source(D3DRS_AMBIENTMATERIALSOURCE);
    m_emissiveSource = source(D3DRS_EMISSIVEMATERIALSOURCE);
    // No material has been given: the ambient reflectance follows the vertex
    // colour (see the header for why).
    if (isZeroMaterial(m_material) && layout.diffuse >= 0) m_ambientSource = Source::Diffuse;

    for (const auto& entry : state.lights) {
        if (!entry.second.enabled) continue;
        const D3DLIGHT8& in = entry.second.light;
        Light light{};
        light.diffuse = in.Diffuse;
        light.ambient = in.Ambient;
        if (in.Type == D3DLIGHT_DIRECTIONAL) {
            const float length = std::sqrt(in.Direction.x * in.Direction.x +
                                           in.Direction.y * in.Direction.y +
                                           in.Direction.z * in.Direction.z);
            if (!(length > 0.0f)) continue;
            light.directional = true;
            light.dx = -in.Direction.x / length;
            light.dy = -in.Direction.y / length;
            light.dz = -in.Direction.z / length;
        } else if (in.Type == D3DLIGHT_POINT || in.Type == D3DLIGHT_SPOT) {
            light.directional = false;
            light.px = in.Position.x, light.py = in.Position.y, light.pz = in.Position.z;
            light.range = in.Range;
            light.a0 = in.Attenuation0, light.a1 = in.Attenuation1, light.a2 = in.Attenuation2;
        } else {
            continue;  // a record of no known type lights nothing
        }
        m_lights.push_back(light);
    }
}

void VertexProcessor::process(const uint8_t* vertex, ProcessedVertex& out) const {
    transform(vertex, 0, 1, &out);
    shade(vertex, 0, 1, &out);
}

bool VertexProcessor::transform(const uint8_t* first, size_t stride, size_t count,
                                ProcessedVertex* out) const {
    if (m_layout.pretransformed) {
        transformScreen(first, stride, count, out);
        return false;
    }
    const D3DMATRIX& m = m_worldViewProjection;
    // The clip planes every vertex so far lies beyond, one bit each, and
    // whether every coordinate so far was finite (what OpenGL does with
    // infinite ones is its own affair, so such a draw is never skipped).
    unsigned outsideAll = 0x3F;
    bool finite = true;
    const uint8_t* vertex = first;
    for (size_t i = 0; i < count; ++i, vertex += stride) {
        float p[3];
        readFloats(vertex, p, 3);
        ProcessedVertex& o = out[i];
        o.x = p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41;
        o.y = p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42;
        const float z = p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43;
        o.w = p[0] * m._14 + p[1] * m._24 + p[2] * m._34 + m._44;
        o.z = 2.0f * z - o.w;  // D3D's 0..w depth range onto OpenGL's -w..w
        const unsigned outside = unsigned(o.x < -o.w) | unsigned(o.x > o.w) << 1 |
                                 unsigned(o.y < -o.w) << 2 | unsigned(o.y > o.w) << 3 |
                                 unsigned(o.z < -o.w) << 4 | unsigned(o.z > o.w) << 5;
        outsideAll &= outside;
        finite = finite && std::isfinite(o.x + o.y + o.z + o.w);
    }
    return count > 0 && outsideAll != 0 && finite;
}

bool boxOutsideView(const DeviceState& state, const PositionBox& box) {
    const D3DMATRIX m = multiplyMatrices(multiplyMatrices(state.world, state.view), state.projection);
    unsigned outsideAll = 0x3F;
    for (int corner = 0; corner < 8 && outsideAll != 0; ++corner) {
        const double p[3] = {(corner & 1) ? box.high[0] : box.low[0], (corner & 2) ? box.high[1] : box.low[1],
                             (corner & 4) ? box.high[2] : box.low[2]};
        // Each clip coordinate in double, with the size of its terms: the
        // per-vertex test sums the same terms in float, so its rounding stays
        // far below a hundred-thousandth of that size.
        double value[4], size[4];
        for (int c = 0; c < 4; ++c) {
            const double terms[4] = {p[0] * m.m[0][c], p[1] * m.m[1][c], p[2] * m.m[2][c], double(m.m[3][c])};
            value[c] = terms[0] + terms[1] + terms[2] + terms[3];
            size[c] = std::fabs(terms[0]) + std::fabs(terms[1]) + std::fabs(terms[2]) + std::fabs(terms[3]);
        }
        const double x = value[0], y = value[1], z = value[2], w = value[3];
        auto margin = [&](int c) { return 1e-5 * (2 * size[c] + 2 * size[3]) + 1e-30; };
        // D3D's depth runs 0..w: behind the near plane is z < 0, past the far one z > w.
        const unsigned outside = unsigned(x < -w - margin(0)) | unsigned(x > w + margin(0)) << 1 |
                                 unsigned(y < -w - margin(1)) << 2 | unsigned(y > w + margin(1)) << 3 |
                                 unsigned(z < -margin(2)) << 4 | unsigned(z > w + margin(2)) << 5;
        outsideAll &= outside;
    }
    return outsideAll != 0;
}

// Screen pixels with (0,0) at the top left straight onto the target: pixel
// edges land on pixel edges, so a quad from 10 to 20 covers pixels 10..19.
// w = 1/rhw keeps texturing perspective-correct as on the platform.
void VertexProcessor::transformScreen(const uint8_t* first, size_t stride, size_t count,
                                      ProcessedVertex* out) const {
    const uint8_t* vertex = first;
    for (size_t i = 0; i < count; ++i, vertex += stride) {
        float p[4];
        readFloats(vertex, p, 4);
        ProcessedVertex& o = out[i];
        const float w = (p[3] > 0.0f && std::isfinite(p[3])) ? 1.0f / p[3] : 1.0f;
        o.x = (p[0] * 2.0f / float(m_width) - 1.0f) * w;
        o.y = (1.0f - p[1] * 2.0f / float(m_height)) * w;
        o.z = (p[2] * 2.0f - 1.0f) * w;
        o.w = w;
    }
}

void VertexProcessor::shade(const uint8_t* first, size_t stride, size_t count, ProcessedVertex* out) const {
    if (m_lighting)
        shadeLit(first, stride, count, out);
    else
        shadeUnlit(first, stride, count, out);
    texCoords(first, stride, count, out);
}

// The vertex's diffuse colour, or white without one.
void VertexProcessor::shadeUnlit(const uint8_t* first, size_t stride, size_t count,
                                 ProcessedVertex* out) const {
    const uint8_t* vertex = first;
    for (size_t i = 0; i < count; ++i, vertex += stride) {
        const D3DCOLORVALUE colour = m_layout.diffuse >= 0 ? unpackColour(readDword(vertex + m_layout.diffuse))
                                                           : D3DCOLORVALUE{1, 1, 1, 1};
        ProcessedVertex& o = out[i];
        o.r = colour.r, o.g = colour.g, o.b = colour.b, o.a = colour.a;
    }
}

// colour = emissive + ambient reflectance * (global ambient + sum of the
// lights' attenuated ambient) + diffuse reflectance * sum of attenuated
// light diffuse * max(0, N.L); alpha = the diffuse reflectance's alpha.
void VertexProcessor::shadeLit(const uint8_t* first, size_t stride, size_t count,
                               ProcessedVertex* out) const {
    const D3DCOLORVALUE white{1, 1, 1, 1}, black{0, 0, 0, 0};
    const int diffuseSource = int(m_diffuseSource), ambientSource = int(m_ambientSource),
              emissiveSource = int(m_emissiveSource);
    const bool anyPoint = std::any_of(m_lights.begin(), m_lights.end(),
                                      [](const Light& light) { return !light.directional; });
    const D3DMATRIX& w = m_world;
    const auto& nm = m_normalMatrix;
    const uint8_t* vertex = first;
    for (size_t i = 0; i < count; ++i, vertex += stride) {
        const D3DCOLORVALUE vertexDiffuse =
            m_layout.diffuse >= 0 ? unpackColour(readDword(vertex + m_layout.diffuse)) : white;
        const D3DCOLORVALUE vertexSpecular =
            m_layout.specular >= 0 ? unpackColour(readDword(vertex + m_layout.specular)) : black;
        float world[3] = {0, 0, 0};
        if (anyPoint) {
            float p[3];
            readFloats(vertex, p, 3);
            world[0] = p[0] * w._11 + p[1] * w._21 + p[2] * w._31 + w._41;
            world[1] = p[0] * w._12 + p[1] * w._22 + p[2] * w._32 + w._42;
            world[2] = p[0] * w._13 + p[1] * w._23 + p[2] * w._33 + w._43;
        }
        float normal[3] = {0, 0, 0};
        if (m_layout.normal >= 0) {
            float n[3];
            readFloats(vertex + m_layout.normal, n, 3);
            for (int c = 0; c < 3; ++c) normal[c] = n[0] * nm[0][c] + n[1] * nm[1][c] + n[2] * nm[2][c];
            const float length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
            if (length > 0.0f && std::isfinite(length))
                for (float& c : normal) c /= length;
            else
                normal[0] = normal[1] = normal[2] = 0.0f;
        }

        const D3DCOLORVALUE md = pick(diffuseSource, m_material.Diffuse, vertexDiffuse, vertexSpecular);
        const D3DCOLORVALUE ma = pick(ambientSource, m_material.Ambient, vertexDiffuse, vertexSpecular);
        const D3DCOLORVALUE me = pick(emissiveSource, m_material.Emissive, vertexDiffuse, vertexSpecular);
        float ambient[3] = {m_globalAmbient.r, m_globalAmbient.g, m_globalAmbient.b};
        float diffuse[3] = {0, 0, 0};
        for (const Light& light : m_lights) {
            float lx, ly, lz, attenuation = 1.0f;
            if (light.directional) {
                lx = light.dx, ly = light.dy, lz = light.dz;
            } else {
                lx = light.px - world[0], ly = light.py - world[1], lz = light.pz - world[2];
                const float distance = std::sqrt(lx * lx + ly * ly + lz * lz);
                if (!(distance <= light.range)) continue;  // beyond the range: no light at all
                const float sum = light.a0 + light.a1 * distance + light.a2 * distance * distance;
                attenuation = sum > 0.0f ? 1.0f / sum : 1.0f;
                if (distance > 0.0f) lx /= distance, ly /= distance, lz /= distance;
            }
            ambient[0] += attenuation * light.ambient.r;
            ambient[1] += attenuation * light.ambient.g;
            ambient[2] += attenuation * light.ambient.b;
            const float facing = normal[0] * lx + normal[1] * ly + normal[2] * lz;
            if (facing > 0.0f) {
                const float f = attenuation * facing;
                diffuse[0] += f * light.diffuse.r;
                diffuse[1] += f * light.diffuse.g;
                diffuse[2] += f * light.diffuse.b;
            }
        }
        ProcessedVertex& o = out[i];
        o.r = clamp01(me.r + ma.r * ambient[0] + md.r * diffuse[0]);
        o.g = clamp01(me.g + ma.g * ambient[1] + md.g * diffuse[1]);
        o.b = clamp01(me.b + ma.b * ambient[2] + md.b * diffuse[2]);
        o.a = clamp01(md.a);
    }
}

void VertexProcessor::texCoords(const uint8_t* first, size_t stride, size_t count,
                                ProcessedVertex* out) const {
    const uint8_t* vertex = first + (m_layout.texCoord0 >= 0 ? m_layout.texCoord0 : 0);
    for (size_t i = 0; i < count; ++i, vertex += stride) {
        ProcessedVertex& o = out[i];
        if (m_layout.texCoord0 < 0) {
            o.u = o.v = 0.0f;
            continue;
        }
        float uv[2];
        readFloats(vertex, uv, 2);
        if (!m_textureTransform) {
            o.u = uv[0], o.v = uv[1];
            continue;
        }
        const D3DMATRIX& t = m_textureMatrix;  // (u, v, 1) for two-component coordinates
        o.u = uv[0] * t._11 + uv[1] * t._21 + t._31;
        o.v = uv[0] * t._12 + uv[1] * t._22 + t._32;
    }
}

}  // namespace platform
