// Sets OpenGL's fixed-function raster state from the device's render and
// stage-0 states: the texture combiner, sampling, alpha test, blending,
// depth and culling. Main thread, the device's context current.
#pragma once

#include "device_state.h"

namespace platform {

class D3DDevice;

// Binds stage 0's texture (or a white one when none is bound, so that
// sampling reads opaque white) and configures everything else.
void applyRasterState(D3DDevice& device, bool pretransformed);

}  // namespace platform
