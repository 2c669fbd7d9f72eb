// Where each component of a flexible-vertex-format vertex lies.
#pragma once

#include "d3d8_api.h"

namespace platform {

struct FvfLayout {
    bool valid = false;
    bool pretransformed = false;  // x, y, z, rhw in screen pixels
    UINT stride = 0;
    int normal = -1;    // byte offsets; -1 when the format has no such part
    int diffuse = -1;
    int specular = -1;
    int texCoord0 = -1;
    UINT texCoordSets = 0;
};

constexpr DWORD kFvfPositionMask = 0x00E;
constexpr DWORD kFvfTexCountMask = 0xF00;
constexpr DWORD kFvfTexCountShift = 8;

// The layout of a format made of a position (D3DFVF_XYZ or D3DFVF_XYZRHW),
// optionally a normal, a diffuse and a specular colour, and up to eight sets
// of 2-D texture coordinates; anything else is not valid.
FvfLayout describeFvf(DWORD fvf);

}  // namespace platform
