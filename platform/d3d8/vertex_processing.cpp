#include "vertex_processing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

D3DCOLORVALUE unpackColour(DWORD argb) {
    return {((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
            ((argb >> 24) & 0xFF) / 255.0f};
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
                                 int targetWidth, int targetHeight)
    : m_layout(layout), m_width(targetWidth), m_height(targetHeight) {
    m_textureTransform = state.stageStates[0][D3DTSS_TEXTURETRANSFORMFLAGS] != D3DTTFF_DISABLE;
    m_textureMatrix = state.textureMatrix[0];
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
    if (m_layout.pretransformed) {
        processPretransformed(vertex, out);
        return;
    }
    float p[3];
    readFloats(vertex, p, 3);
    const D3DMATRIX& m = m_worldViewProjection;
    out.x = p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41;
    out.y = p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42;
    const float z = p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43;
    out.w = p[0] * m._14 + p[1] * m._24 + p[2] * m._34 + m._44;
    out.z = 2.0f * z - out.w;  // D3D's 0..w depth range onto OpenGL's -w..w

    const D3DCOLORVALUE white{1, 1, 1, 1}, black{0, 0, 0, 0};
    const D3DCOLORVALUE diffuse = m_layout.diffuse >= 0 ? unpackColour(readDword(vertex + m_layout.diffuse)) : white;
    const D3DCOLORVALUE specular = m_layout.specular >= 0 ? unpackColour(readDword(vertex + m_layout.specular)) : black;
    if (m_lighting) {
        const D3DMATRIX& w = m_world;
        const float world[3] = {p[0] * w._11 + p[1] * w._21 + p[2] * w._31 + w._41,
                                p[0] * w._12 + p[1] * w._22 + p[2] * w._32 + w._42,
                                p[0] * w._13 + p[1] * w._23 + p[2] * w._33 + w._43};
        float normal[3] = {0, 0, 0};
        if (m_layout.normal >= 0) {
            float n[3];
            readFloats(vertex + m_layout.normal, n, 3);
            const auto& nm = m_normalMatrix;
            for (int i = 0; i < 3; ++i) normal[i] = n[0] * nm[0][i] + n[1] * nm[1][i] + n[2] * nm[2][i];
            const float length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
            if (length > 0.0f && std::isfinite(length))
                for (float& c : normal) c /= length;
            else
                normal[0] = normal[1] = normal[2] = 0.0f;
        }
        light(world, normal, diffuse, specular, out);
    } else {
        out.r = diffuse.r, out.g = diffuse.g, out.b = diffuse.b, out.a = diffuse.a;
    }
    texCoords(vertex, out);
}

// Screen pixels with (0,0) at the top left straight onto the target: pixel
// edges land on pixel edges, so a quad from 10 to 20 covers pixels 10..19.
// w = 1/rhw keeps texturing perspective-correct as on the platform.
void VertexProcessor::processPretransformed(const uint8_t* vertex, ProcessedVertex& out) const {
    float p[4];
    readFloats(vertex, p, 4);
    const float w = (p[3] > 0.0f && std::isfinite(p[3])) ? 1.0f / p[3] : 1.0f;
    out.x = (p[0] * 2.0f / float(m_width) - 1.0f) * w;
    out.y = (1.0f - p[1] * 2.0f / float(m_height)) * w;
    out.z = (p[2] * 2.0f - 1.0f) * w;
    out.w = w;
    const D3DCOLORVALUE colour = m_layout.diffuse >= 0 ? unpackColour(readDword(vertex + m_layout.diffuse))
                                                       : D3DCOLORVALUE{1, 1, 1, 1};
    out.r = colour.r, out.g = colour.g, out.b = colour.b, out.a = colour.a;
    texCoords(vertex, out);
}

D3DCOLORVALUE VertexProcessor::pick(Source source, const D3DCOLORVALUE& material,
                                    const D3DCOLORVALUE& diffuse,
                                    const D3DCOLORVALUE& specular) const {
    switch (source) {
        case Source::Diffuse: return diffuse;
        case Source::Specular: return specular;
        case Source::Material: break;
    }
    return material;
}

// colour = emissive + ambient reflectance * (global ambient + sum of the
// lights' attenuated ambient) + diffuse reflectance * sum of attenuated
// light diffuse * max(0, N.L); alpha = the diffuse reflectance's alpha.
void VertexProcessor::light(const float world[3], const float normal[3], D3DCOLORVALUE vertexDiffuse,
                            D3DCOLORVALUE vertexSpecular, ProcessedVertex& out) const {
    const D3DCOLORVALUE md = pick(m_diffuseSource, m_material.Diffuse, vertexDiffuse, vertexSpecular);
    const D3DCOLORVALUE ma = pick(m_ambientSource, m_material.Ambient, vertexDiffuse, vertexSpecular);
    const D3DCOLORVALUE me = pick(m_emissiveSource, m_material.Emissive, vertexDiffuse, vertexSpecular);
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
    out.r = clamp01(me.r + ma.r * ambient[0] + md.r * diffuse[0]);
    out.g = clamp01(me.g + ma.g * ambient[1] + md.g * diffuse[1]);
    out.b = clamp01(me.b + ma.b * ambient[2] + md.b * diffuse[2]);
    out.a = clamp01(md.a);
}

void VertexProcessor::texCoords(const uint8_t* vertex, ProcessedVertex& out) const {
    out.u = out.v = 0.0f;
    if (m_layout.texCoord0 < 0) return;
    float uv[2];
    readFloats(vertex + m_layout.texCoord0, uv, 2);
    if (!m_textureTransform) {
        out.u = uv[0], out.v = uv[1];
        return;
    }
    const D3DMATRIX& t = m_textureMatrix;  // (u, v, 1) for two-component coordinates
    out.u = uv[0] * t._11 + uv[1] * t._21 + t._31;
    out.v = uv[0] * t._12 + uv[1] * t._22 + t._32;
}

}  // namespace platform
