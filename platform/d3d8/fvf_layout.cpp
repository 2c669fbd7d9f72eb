#include "fvf_layout.h"

namespace platform {

FvfLayout describeFvf(DWORD fvf) {
    FvfLayout layout;
    constexpr DWORD known = kFvfPositionMask | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR |
                            kFvfTexCountMask;
    if (fvf & ~known) return layout;
    const DWORD position = fvf & kFvfPositionMask;
    if (position == D3DFVF_XYZ) {
        layout.stride = 12;
    } else if (position == D3DFVF_XYZRHW) {
        layout.stride = 16;
        layout.pretransformed = true;
        if (fvf & D3DFVF_NORMAL) return layout;  // screen vertices carry no normal
    } else {
        return layout;
    }
    if (fvf & D3DFVF_NORMAL) {
        layout.normal = int(layout.stride);
        layout.stride += 12;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        layout.diffuse = int(layout.stride);
        layout.stride += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        layout.specular = int(layout.stride);
        layout.stride += 4;
    }
    layout.texCoordSets = (fvf & kFvfTexCountMask) >> kFvfTexCountShift;
    if (layout.texCoordSets > 8) return layout;
    if (layout.texCoordSets > 0) layout.texCoord0 = int(layout.stride);
    layout.stride += 8 * layout.texCoordSets;
    layout.valid = true;
    return layout;
}

}  // namespace platform
