// What every texture and buffer of a device shares: the device it belongs to,
// its pool, and the default-pool rule (the device refuses Reset while any
// default-pool resource lives).
//
// A resource may outlive its device (a global mesh released at exit after the
// device). The device's GL context tells whether the device still lives: only
// the device holds it, so once it has gone the resource touches the device no
// more, and its GL objects went with the context.
#pragma once

#include "d3d8_api.h"

#include <memory>

namespace platform {

class D3DDevice;
class GlContext;

class DeviceResource {
public:
    DeviceResource(D3DDevice& device, D3DPOOL pool);
    ~DeviceResource();

    DeviceResource(const DeviceResource&) = delete;
    DeviceResource& operator=(const DeviceResource&) = delete;

    D3DPOOL pool() const { return m_pool; }
    // The device with a new reference, or an error once the device is gone.
    HRESULT getDevice(IDirect3DDevice8** device) const;
    // The device's GL context, or null once the device is gone.
    std::shared_ptr<GlContext> context() const { return m_gl.lock(); }

private:
    D3DDevice* m_device;
    std::weak_ptr<GlContext> m_gl;
    D3DPOOL m_pool;
};

bool validPool(D3DPOOL pool);

}  // namespace platform
