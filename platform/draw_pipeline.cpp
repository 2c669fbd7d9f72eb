#include "draw_pipeline.h"

namespace platform {

// Placeholders until the pipeline exists.
HRESULT drawPrimitive(D3DDevice&, D3DPRIMITIVETYPE, UINT, UINT) { return E_NOTIMPL; }
HRESULT drawIndexedPrimitive(D3DDevice&, D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT) {
    return E_NOTIMPL;
}

}  // namespace platform
