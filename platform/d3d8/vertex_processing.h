// The fixed-function vertex stage on the CPU: world, view and projection
// transforms, per-vertex lighting and material sources, giving OpenGL clip
// coordinates, a colour and texture coordinates for each vertex.
//
// Decisions where the platform's rules leave room (each made once, here):
//  * A point light whose three attenuation factors are all 0 (the game sends
//    such lights) is not attenuated: factor 1 within its range, 0 beyond. The
//    same holds for any set of factors whose sum at that distance is not
//    positive, so no light yields an infinite or undefined colour.
//  * Ambient reflectance: while the device's material is the all-zero record
//    a device starts with (nothing has set a material), the ambient
//    reflectance comes from the vertex's diffuse colour, so the global ambient
//    and the lights' ambient colours show on every lit vertex. Once a
//    material is set, the material-source states decide as usual.
//  * Normals are always renormalised after the transform, whatever
//    D3DRS_NORMALIZENORMALS says: meshes drawn at small scales then light the
//    same as at scale 1 instead of saturating.
//  * Spot lights are lit as point lights (no cone); specular is not computed
//    (nothing enables it).
#pragma once

#include "d3d8_api.h"
#include "device_state.h"
#include "fvf_layout.h"
#include "position_bounds.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Inverse transpose of a matrix's upper 3x3, which carries normals; a
// singular matrix is used as it is (normals are renormalised afterwards).
void normalMatrix(const D3DMATRIX& t, float out[3][3]);

struct ProcessedVertex {
    float x, y, z, w;  // OpenGL clip coordinates (z already remapped from 0..w to -w..w)
    float r, g, b, a;  // 0..1
    float u, v;
};

class VertexProcessor {
public:
    VertexProcessor() = default;
    // The state is read once here; the processor is then valid for one draw.
    VertexProcessor(const DeviceState& state, const FvfLayout& layout, int targetWidth,
                    int targetHeight);

    // Reads the state for the next draw. The light list's storage is kept
    // from draw to draw, so a processor set up again allocates nothing.
    void setUp(const DeviceState& state, const FvfLayout& layout, int targetWidth, int targetHeight);

    // One vertex, whole.
    void process(const uint8_t* vertex, ProcessedVertex& out) const;

    // A draw's vertices in two steps, `count` vertices `stride` bytes apart.
    // transform writes the clip positions and says whether every vertex lies
    // outside one and the same plane of the view volume: then nothing the
    // vertices make can show, and shading them can be skipped. Screen
    // vertices are never reported outside. shade writes colours and texture
    // coordinates.
    bool transform(const uint8_t* first, size_t stride, size_t count, ProcessedVertex* out) const;
    void shade(const uint8_t* first, size_t stride, size_t count, ProcessedVertex* out) const;

private:
    struct Light {
        bool directional;
        float px, py, pz;   // world position (point)
        float dx, dy, dz;   // direction towards the light, unit (directional)
        float range;
        float a0, a1, a2;
        D3DCOLORVALUE diffuse, ambient;
    };
    enum class Source { Material, Diffuse, Specular };

    void transformScreen(const uint8_t* first, size_t stride, size_t count, ProcessedVertex* out) const;
    void shadeLit(const uint8_t* first, size_t stride, size_t count, ProcessedVertex* out) const;
    void shadeUnlit(const uint8_t* first, size_t stride, size_t count, ProcessedVertex* out) const;
    void texCoords(const uint8_t* first, size_t stride, size_t count, ProcessedVertex* out) const;

    FvfLayout m_layout;
    int m_width = 0, m_height = 0;
    D3DMATRIX m_world{};
    D3DMATRIX m_worldViewProjection{};
    float m_normalMatrix[3][3]{};
    bool m_lighting = false;
    std::vector<Light> m_lights;
    D3DCOLORVALUE m_globalAmbient{};
    D3DMATERIAL8 m_material{};
    Source m_diffuseSource = Source::Material, m_ambientSource = Source::Material,
           m_emissiveSource = Source::Material;
    bool m_textureTransform = false;
    D3DMATRIX m_textureMatrix{};
};

// Whether everything inside `box`, placed by the state's world, view and
// projection, lies clearly outside one and the same plane of the view volume,
// so no vertex within it can show. The corners must be outside by a margin
// far above the rounding of the per-vertex test, so a vertex the box holds is
// never judged otherwise there.
bool boxOutsideView(const DeviceState& state, const PositionBox& box);

// Row-vector product a * b (a applied first).
D3DMATRIX multiplyMatrices(const D3DMATRIX& a, const D3DMATRIX& b);

}  // namespace platform
