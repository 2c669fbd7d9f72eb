#include "gl_raster_state.h"

#define GL_GLEXT_PROTOTYPES 1
#include <SDL_opengl.h>

#include "d3d_device.h"
#include "gl_context.h"
#include "gl_context_objects.h"
#include "texture.h"

#include <cstring>


namespace platform {

namespace {

constexpr DWORD kTextureFactorState = 60;  // D3DRS_TEXTUREFACTOR
constexpr DWORD kArgMask = 0x0F;
constexpr DWORD kArgComplement = 0x10;
constexpr DWORD kArgAlphaReplicate = 0x20;

GLenum blendFactor(DWORD blend) {
    switch (blend) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        default: return GL_ONE;
    }
}

GLenum compareFunction(DWORD func) {
    switch (func) {
        case D3DCMP_NEVER: return GL_NEVER;
        case D3DCMP_LESS: return GL_LESS;
        case D3DCMP_EQUAL: return GL_EQUAL;
        case D3DCMP_LESSEQUAL: return GL_LEQUAL;
        case D3DCMP_GREATER: return GL_GREATER;
        case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
        default: return GL_ALWAYS;
    }
}

// The alpha test compares 8-bit values on the platform; in floating point a
// reference half a step towards the passing side keeps an exact match
// passing (alpha 16 against GREATEREQUAL 16) and a value one below failing.
float alphaReference(DWORD func, DWORD ref) {
    const float value = float(ref & 0xFF) / 255.0f;
    const float half = 0.5f / 255.0f;
    switch (func) {
        case D3DCMP_GREATEREQUAL:
        case D3DCMP_LESS: return value - half;
        case D3DCMP_GREATER:
        case D3DCMP_LESSEQUAL: return value + half;
        default: return value;
    }
}

GLint wrapMode(DWORD address) {
    switch (address) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        default: return GL_REPEAT;
    }
}

GLint minFilter(DWORD min, DWORD mip) {
    const bool linear = min == D3DTEXF_LINEAR;
    if (mip == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (mip == D3DTEXF_LINEAR) return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return linear ? GL_LINEAR : GL_NEAREST;
}

// One combiner argument: its source and operand for the colour or alpha part.
void setArgument(int index, DWORD arg, bool alpha) {
    GLenum source = GL_PRIMARY_COLOR;  // diffuse, and "current" at stage 0
    switch (arg & kArgMask) {
        case D3DTA_TEXTURE: source = GL_TEXTURE; break;
        case D3DTA_TFACTOR: source = GL_CONSTANT; break;
        default: break;
    }
    const bool complement = arg & kArgComplement;
    GLenum operand;
    if (alpha || (arg & kArgAlphaReplicate))
        operand = complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    else
        operand = complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
    glTexEnvi(GL_TEXTURE_ENV, GLenum((alpha ? GL_SRC0_ALPHA : GL_SRC0_RGB) + index), GLint(source));
    glTexEnvi(GL_TEXTURE_ENV, GLenum((alpha ? GL_OPERAND0_ALPHA : GL_OPERAND0_RGB) + index),
              GLint(operand));
}

// One combiner function (colour or alpha) from a stage operation.
void setOperation(DWORD op, DWORD arg1, DWORD arg2, bool alpha) {
    const GLenum combine = alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB;
    const GLenum scale = alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE;
    GLint function = GL_MODULATE;
    float factor = 1.0f;
    switch (op) {
        case D3DTOP_DISABLE:  // alpha only here: pass the diffuse alpha through
            function = GL_REPLACE;
            arg1 = D3DTA_DIFFUSE;
            break;
        case D3DTOP_SELECTARG1: function = GL_REPLACE; break;
        case D3DTOP_SELECTARG2:
            function = GL_REPLACE;
            arg1 = arg2;
            break;
        case D3DTOP_MODULATE2X: factor = 2.0f; break;
        case D3DTOP_MODULATE4X: factor = 4.0f; break;
        case D3DTOP_ADD: function = GL_ADD; break;
        default: break;  // MODULATE, and anything we do not know
    }
    glTexEnvi(GL_TEXTURE_ENV, combine, function);
    glTexEnvf(GL_TEXTURE_ENV, scale, factor);
    setArgument(0, arg1, alpha);
    setArgument(1, arg2, alpha);
}

bool stageEnabled(const DeviceState& state) {
    return state.stageStates[0][D3DTSS_COLOROP] != D3DTOP_DISABLE;
}

// The stage's texture (or the white one when none is bound) and its sampling.
void bindStageTexture(D3DDevice& device) {
    const DeviceState& state = device.state();
    const DWORD* stage = state.stageStates[0];
    glActiveTexture(GL_TEXTURE0);
    Texture* texture = Texture::fromInterface(state.textures[0]);
    if (!texture) {
        glBindTexture(GL_TEXTURE_2D, glObjectsFor(device).whiteTexture);
        return;
    }
    texture->bindForDrawing();
    texture->applySampling(wrapMode(stage[D3DTSS_ADDRESSU]), wrapMode(stage[D3DTSS_ADDRESSV]),
                           stage[D3DTSS_MAGFILTER] == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST,
                           minFilter(stage[D3DTSS_MINFILTER], stage[D3DTSS_MIPFILTER]));
}

void applyCombiner(const DeviceState& state) {
    const DWORD* stage = state.stageStates[0];
    glActiveTexture(GL_TEXTURE0);
    if (!stageEnabled(state)) {
        // The whole stage is off: the diffuse colour and alpha come through.
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);
    const DWORD factor = state.renderStates[kTextureFactorState];
    const float constant[4] = {((factor >> 16) & 0xFF) / 255.0f, ((factor >> 8) & 0xFF) / 255.0f,
                               (factor & 0xFF) / 255.0f, ((factor >> 24) & 0xFF) / 255.0f};
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, constant);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    setOperation(stage[D3DTSS_COLOROP], stage[D3DTSS_COLORARG1], stage[D3DTSS_COLORARG2], false);
    setOperation(stage[D3DTSS_ALPHAOP], stage[D3DTSS_ALPHAARG1], stage[D3DTSS_ALPHAARG2], true);
}

void applyFragmentTests(const DeviceState& state, bool pretransformed) {
    const DWORD* rs = state.renderStates;
    if (rs[D3DRS_ALPHATESTENABLE]) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(compareFunction(rs[D3DRS_ALPHAFUNC]),
                    alphaReference(rs[D3DRS_ALPHAFUNC], rs[D3DRS_ALPHAREF]));
    } else {
        glDisable(GL_ALPHA_TEST);
    }
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        glEnable(GL_BLEND);
        glBlendFunc(blendFactor(rs[D3DRS_SRCBLEND]), blendFactor(rs[D3DRS_DESTBLEND]));
    } else {
        glDisable(GL_BLEND);
    }
    if (rs[D3DRS_ZENABLE] != D3DZB_FALSE) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(compareFunction(rs[D3DRS_ZFUNC]));
    } else {
        glDisable(GL_DEPTH_TEST);  // also stops depth writes, as on the platform
    }
    // Screen vertices at depth 1.0 (the usual value) must not be lost to the
    // far plane through rounding.
    if (pretransformed)
        glEnable(GL_DEPTH_CLAMP);
    else
        glDisable(GL_DEPTH_CLAMP);
}

// Windings are judged as seen on the screen; the picture has the same
// orientation in OpenGL's window, so clockwise stays clockwise.
void applyRasterisation(const DeviceState& state) {
    const DWORD* rs = state.renderStates;
    switch (rs[D3DRS_CULLMODE]) {
        case D3DCULL_CW:
            glEnable(GL_CULL_FACE);
            glFrontFace(GL_CCW);
            glCullFace(GL_BACK);
            break;
        case D3DCULL_CCW:
            glEnable(GL_CULL_FACE);
            glFrontFace(GL_CW);
            glCullFace(GL_BACK);
            break;
        default: glDisable(GL_CULL_FACE); break;
    }
    const DWORD fill = rs[D3DRS_FILLMODE];
    glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_WIREFRAME ? GL_LINE
                                     : fill == D3DFILL_POINT   ? GL_POINT
                                                               : GL_FILL);
    glShadeModel(rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
}

}  // namespace

void applyRasterState(D3DDevice& device, bool pretransformed) {
    const DeviceState& state = device.state();
    GlContextObjects& objects = glObjectsFor(device);
    RasterKey key;
    std::memcpy(key.stage, state.stageStates[0], sizeof key.stage);
    std::memcpy(key.render, state.renderStates, sizeof key.render);
    key.pretransformed = pretransformed;
    key.textured = stageEnabled(state);
    if (!objects.rasterKnown || !(key == objects.lastRaster)) {
        glUseProgram(0);
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
        glDisable(GL_STENCIL_TEST);
        applyCombiner(state);
        applyFragmentTests(state, pretransformed);
        applyRasterisation(state);
        objects.lastRaster = key;
        objects.rasterKnown = true;
    }
    // Clearing changes these behind our back; setting an unchanged value is free.
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(state.renderStates[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    if (key.textured) bindStageTexture(device);
}

}  // namespace platform
